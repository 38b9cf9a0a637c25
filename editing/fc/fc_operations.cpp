// The effects library's operation table and the operation texts read through it.
#include "editing/fc/fc_operations.h"

#include <climits>

#include "editing/fc/fc_image.h"

using platform::ArgKind;
using platform::ArgSpec;

namespace {

int i32(double v)
{
    return int(v);
}

// The library checks these values itself and says why it refuses one.
ArgSpec any(const char* name, double def)
{
    return ArgSpec { name, ArgKind::Int, double(INT_MIN), double(INT_MAX), def };
}

std::vector<FcOperationSpec> buildTable()
{
    std::vector<FcOperationSpec> t;
    t.push_back({ "emboss", 0, { any("S", 1) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.Emboss(i32(a[0])); }, "relief with strength S",
        "emboss:N" });
    t.push_back({ "sharp", 0, { any("S", 1) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.Sharp(i32(a[0])); }, "sharpen with step S (>= 1)",
        "sharp:N" });
    t.push_back({ "mosaic", 0, { any("N", 2) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.Mosaic(i32(a[0])); },
        "N x N blocks (2 <= N < width, height)", "mosaic:N" });
    t.push_back({ "windy", 0,
        { any("S", 1),
            ArgSpec { "DIRECTION", ArgKind::Choice, 0, 0, double(FCDibEffect::kLeft), false,
                { { "left", double(FCDibEffect::kLeft) }, { "right", double(FCDibEffect::kRight) } } },
            ArgSpec { "SMOOTH", ArgKind::Flag, 0, 1, 0, false, { { "smooth", 1 } } } },
        false, [](FCImage& i, const std::vector<double>& a) { return i.Windy(i32(a[0]), i32(a[1]), a[2] != 0); },
        "wind of strength S (1 .. width-2)", "windy:S,left|right[,smooth]" });
    t.push_back({ "stripe", 0, { any("SWING", 25), any("FREQ", 35) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.Stripe(i32(a[0]), i32(a[1])); },
        "lift by SWING % (0..100) and wave with FREQ (0..1000)", "stripe:SWING,FREQ" });
    t.push_back({ "rgb", 0, { any("R", 0), any("G", 0), any("B", 0) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.AdjustRGB(i32(a[0]), i32(a[1]), i32(a[2])); },
        "add R, G, B (-255..255) to the channels", "rgb:R,G,B" });
    t.push_back({ "brightness", 0, { any("P", 100) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.AdjustBrightness(i32(a[0]), 0); },
        "brightness in percent (0..200)", "brightness:N" });
    t.push_back({ "contrast", 0, { any("P", 100) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.AdjustContrast(i32(a[0])); },
        "contrast in percent (0..200)", "contrast:N" });
    t.push_back({ "huesat", 0, { any("H", 100), any("S", 100) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.AdjustHueSaturation(i32(a[0]), i32(a[1])); },
        "hue and saturation in percent (0..200)", "huesat:H,S" });
    t.push_back({ "rotate", 0, { any("DEG", 45) }, false,
        [](FCImage& i, const std::vector<double>& a) { return i.RotateAngle(i32(a[0])); },
        "rotate clockwise by 1..89 degrees onto a black canvas", "rotate:N" });
    t.push_back({ "rotleft", 0, {}, false, [](FCImage& i, const std::vector<double>&) { return i.RotateLeft(); },
        "rotate by 90 degrees counter-clockwise", "rotleft without arguments" });
    t.push_back({ "rotright", 0, {}, false, [](FCImage& i, const std::vector<double>&) { return i.RotateRight(); },
        "rotate by 90 degrees clockwise", "rotright without arguments" });
    t.push_back({ "stretch", 0,
        { ArgSpec { "WIDTHxHEIGHT", ArgKind::Size, double(INT_MIN), double(INT_MAX), 320 },
            ArgSpec { "KEEP", ArgKind::Flag, 0, 1, 0, false, { { "keep", 1 } } } },
        false, [](FCImage& i, const std::vector<double>& a) { return i.Stretch(i32(a[0]), i32(a[1]), a[2] != 0); },
        "nearest-neighbour resize, optionally keeping proportions", "stretch:WxH[,keep]" });
    return t;
}

} // namespace

const std::vector<FcOperationSpec>& FcOperations()
{
    static const std::vector<FcOperationSpec> table = buildTable();
    return table;
}

const FcOperationSpec* FindFcOperation(std::string_view name)
{
    return platform::findOperation(FcOperations(), name);
}

const FcOperationSpec* FindFcOperation(int commandCode, std::vector<double>* args)
{
    return platform::findOperation(FcOperations(), commandCode, args);
}

const char* FcOperationsHelp()
{
    static const std::string text = platform::listOperations(FcOperations());
    return text.c_str();
}

FcOpResult ApplyFcOperation(QImage& picture, const std::string& op, std::string& error)
{
    std::string name;
    bool hasArgs = false;
    std::vector<std::string> texts;
    platform::splitOperationText(op, name, hasArgs, texts);
    const FcOperationSpec* spec = FindFcOperation(name);
    if (!spec)
        return FcOpResult::NotMine;

    // Parse everything before touching the picture.
    std::vector<double> values;
    if (platform::parseArgs(spec->args, hasArgs, texts, platform::NumberSyntax::Strict, values)
        != platform::ArgError::None) {
        error = "Bad arguments in \"" + op + "\"; expected " + spec->usage;
        return FcOpResult::BadArguments;
    }
    if (picture.isNull()) {
        error = "There is no picture to apply \"" + op + "\" to";
        return FcOpResult::Failed;
    }
    FCImage image;
    if (!image.CopyFromBitmap(picture, 32) || !spec->run(image, values)) {
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
