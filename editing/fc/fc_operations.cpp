// Parses effects-library operation texts and runs them on an FCImage copy of a picture.
#include "editing/fc/fc_operations.h"

#include <charconv>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "editing/fc/fc_image.h"

namespace {

std::vector<std::string_view> splitArgs(std::string_view text)
{
    std::vector<std::string_view> out;
    if (text.empty())
        return out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t comma = text.find(',', pos);
        out.push_back(text.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
        if (comma == std::string_view::npos)
            break;
        pos = comma + 1;
    }
    return out;
}

std::optional<int> parseInt(std::string_view text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return value;
}

// Parses exactly `count` integers; false when the count or any number is wrong.
bool parseInts(const std::vector<std::string_view>& args, std::size_t count, int* out)
{
    if (args.size() != count)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        const auto v = parseInt(args[i]);
        if (!v)
            return false;
        out[i] = *v;
    }
    return true;
}

} // namespace

const char* FcOperationsHelp()
{
    return "  emboss:S                      relief with strength S\n"
           "  sharp:S                       sharpen with step S (>= 1)\n"
           "  mosaic:N                      N x N blocks (2 <= N < width, height)\n"
           "  windy:S,left|right[,smooth]   wind of strength S (1 .. width-2)\n"
           "  stripe:SWING,FREQ             lift by SWING % (0..100) and wave with FREQ (0..1000)\n"
           "  rgb:R,G,B                     add R, G, B (-255..255) to the channels\n"
           "  brightness:P                  brightness in percent (0..200)\n"
           "  contrast:P                    contrast in percent (0..200)\n"
           "  huesat:H,S                    hue and saturation in percent (0..200)\n"
           "  rotate:DEG                    rotate clockwise by 1..89 degrees onto a black canvas\n"
           "  rotleft, rotright             rotate by 90 degrees\n"
           "  stretch:WxH[,keep]            nearest-neighbour resize, optionally keeping proportions\n";
}

FcOpResult ApplyFcOperation(QImage& picture, const std::string& op, std::string& error)
{
    const std::string_view text(op);
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const bool hasArgs = colon != std::string_view::npos;
    const std::vector<std::string_view> args = splitArgs(hasArgs ? text.substr(colon + 1) : std::string_view());

    static constexpr std::string_view kNames[] = { "emboss", "sharp", "mosaic", "windy", "stripe", "rgb", "brightness",
        "contrast", "huesat", "rotate", "rotleft", "rotright", "stretch" };
    bool mine = false;
    for (std::string_view n : kNames)
        mine = mine || n == name;
    if (!mine)
        return FcOpResult::NotMine;

    auto bad = [&](const char* usage) {
        error = "Bad arguments in \"" + op + "\"; expected " + usage;
        return FcOpResult::BadArguments;
    };

    // Parse everything before touching the picture.
    int v[3] = { 0, 0, 0 };
    bool flag = false;
    std::function<bool(FCImage&)> run;
    if (name == "emboss" || name == "sharp" || name == "mosaic" || name == "rotate" || name == "brightness"
        || name == "contrast") {
        if (!parseInts(args, 1, v))
            return bad((std::string(name) + ":N").c_str());
        if (name == "emboss")
            run = [&](FCImage& img) { return img.Emboss(v[0]); };
        else if (name == "sharp")
            run = [&](FCImage& img) { return img.Sharp(v[0]); };
        else if (name == "mosaic")
            run = [&](FCImage& img) { return img.Mosaic(v[0]); };
        else if (name == "rotate")
            run = [&](FCImage& img) { return img.RotateAngle(v[0]); };
        else if (name == "brightness")
            run = [&](FCImage& img) { return img.AdjustBrightness(v[0], 0); };
        else
            run = [&](FCImage& img) { return img.AdjustContrast(v[0]); };
    } else if (name == "windy") {
        if (args.size() < 2 || args.size() > 3 || !parseInts({ args[0] }, 1, v)
            || (args[1] != "left" && args[1] != "right") || (args.size() == 3 && args[2] != "smooth"))
            return bad("windy:S,left|right[,smooth]");
        v[1] = args[1] == "left" ? FCDibEffect::kLeft : FCDibEffect::kRight;
        flag = args.size() == 3;
        run = [&](FCImage& img) { return img.Windy(v[0], v[1], flag); };
    } else if (name == "stripe") {
        if (!parseInts(args, 2, v))
            return bad("stripe:SWING,FREQ");
        run = [&](FCImage& img) { return img.Stripe(v[0], v[1]); };
    } else if (name == "rgb") {
        if (!parseInts(args, 3, v))
            return bad("rgb:R,G,B");
        run = [&](FCImage& img) { return img.AdjustRGB(v[0], v[1], v[2]); };
    } else if (name == "huesat") {
        if (!parseInts(args, 2, v))
            return bad("huesat:H,S");
        run = [&](FCImage& img) { return img.AdjustHueSaturation(v[0], v[1]); };
    } else if (name == "rotleft" || name == "rotright") {
        if (hasArgs)
            return bad(name == "rotleft" ? "rotleft without arguments" : "rotright without arguments");
        run = [left = name == "rotleft"](FCImage& img) { return left ? img.RotateLeft() : img.RotateRight(); };
    } else { // stretch
        const std::size_t x = args.empty() ? std::string_view::npos : args[0].find('x');
        if (args.empty() || args.size() > 2 || x == std::string_view::npos || (args.size() == 2 && args[1] != "keep"))
            return bad("stretch:WxH[,keep]");
        const auto w = parseInt(args[0].substr(0, x)), h = parseInt(args[0].substr(x + 1));
        if (!w || !h)
            return bad("stretch:WxH[,keep]");
        v[0] = *w;
        v[1] = *h;
        flag = args.size() == 2;
        run = [&](FCImage& img) { return img.Stretch(v[0], v[1], flag); };
    }

    if (picture.isNull()) {
        error = "There is no picture to apply \"" + op + "\" to";
        return FcOpResult::Failed;
    }
    FCImage image;
    if (!image.CopyFromBitmap(picture, 32) || !run(image)) {
        error = image.GetLastError();
        return FcOpResult::Failed;
    }
    QImage result = image.CreateDeviceBitmap();
    if (result.isNull()) {
        error = "Out of memory for the result of \"" + op + "\"";
        return FcOpResult::Failed;
    }
    picture = std::move(result);
    return FcOpResult::Applied;
}
