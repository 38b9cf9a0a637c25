// The "text" command of kivra-image: kivra-image text IN OUT --x X --y Y [options].
#include "cli/image_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>

#include <QGuiApplication>

#include "cli/kivra_image.h"
#include "editing/draw_text_box.h"
#include "editing/text_info.h"
#include "imaging/cximage.h"

namespace {

constexpr const char* kUsage
    = "usage: kivra-image text IN OUT --x X --y Y [--text T] [--font FACE] [--height H] [--weight W]\n"
      "       [--italic 0|1] [--color 0xBBGGRR] [--align 0|1|2] [--smooth 0|1] [--opaque 0|1]\n"
      "       [--bcolor 0xBBGGRR] [--opacity F] [--round R]\n";

/// The font engine needs a GUI application; without a display it runs offscreen.
void ensureFontEngine()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kivra-image";
    static char* argv[] = { name, nullptr };
    static std::unique_ptr<QGuiApplication> app(new QGuiApplication(argc, argv));
}

bool parseLong(const std::string& text, long lo, long hi, long& value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (errno || *end || v < lo || v > hi)
        return false;
    value = v;
    return true;
}

} // namespace

namespace kivracli {

int runImageText(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2 || args[0].rfind("--", 0) == 0 || args[1].rfind("--", 0) == 0) {
        err << kUsage;
        return 2;
    }
    TextInfo info;
    DefaultTextInfo(info);
    bool haveX = false, haveY = false;
    long x = 0, y = 0;
    auto bad = [&err](const std::string& option, const std::string& value) {
        err << "kivra-image text: bad value \"" << value << "\" for " << option << "\n" << kUsage;
        return 2;
    };
    for (size_t i = 2; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) {
            err << "kivra-image text: " << option << " needs a value\n" << kUsage;
            return 2;
        }
        const std::string& value = args[i + 1];
        long n = 0;
        if (option == "--x") {
            if (!parseLong(value, -1000000, 1000000, x))
                return bad(option, value);
            haveX = true;
        } else if (option == "--y") {
            if (!parseLong(value, -1000000, 1000000, y))
                return bad(option, value);
            haveY = true;
        } else if (option == "--text") {
            if (!SetTextOf(info, QString::fromLocal8Bit(value.c_str())))
                err << "kivra-image text: the text was cut to " << TextInfo::kMaxTextBytes << " bytes\n";
        } else if (option == "--font") {
            if (value.empty())
                return bad(option, value);
            SetFaceNameOf(info, QString::fromLocal8Bit(value.c_str()));
        } else if (option == "--height") {
            if (!parseLong(value, -2000, 2000, n))
                return bad(option, value);
            info.m_font.m_height = int32_t(n);
        } else if (option == "--weight") {
            if (!parseLong(value, 0, 1000, n))
                return bad(option, value);
            info.m_font.m_weight = int32_t(n);
        } else if (option == "--italic" || option == "--smooth" || option == "--opaque") {
            if (!parseLong(value, 0, 1, n))
                return bad(option, value);
            (option == "--italic"          ? info.m_font.m_italic
                    : option == "--smooth" ? info.m_smooth
                                           : info.m_opaque)
                = uint8_t(n);
        } else if (option == "--color" || option == "--bcolor") {
            if (!parseLong(value, 0, 0xFFFFFF, n))
                return bad(option, value);
            (option == "--color" ? info.m_textColour : info.m_backColour) = uint32_t(n);
        } else if (option == "--align") {
            if (!parseLong(value, 0, 2, n))
                return bad(option, value);
            info.m_align = int32_t(n);
        } else if (option == "--opacity") {
            char* end = nullptr;
            const float f = std::strtof(value.c_str(), &end);
            if (value.empty() || *end || !(f >= 0.0f && f <= 1.0f))
                return bad(option, value);
            info.m_backOpacity = f;
        } else if (option == "--round") {
            if (!parseLong(value, 0, 50, n))
                return bad(option, value);
            info.m_rounding = uint8_t(n);
        } else {
            err << "kivra-image text: unknown option " << option << "\n" << kUsage;
            return 2;
        }
    }
    if (!haveX || !haveY) {
        err << "kivra-image text: --x and --y are required\n" << kUsage;
        return 2;
    }
    const std::string& in = args[0];
    const std::string& outPath = args[1];
    const uint32_t format = formatFromPath(outPath);
    if (!format) {
        err << "kivra-image text: cannot tell the output format from \"" << outPath << "\"\n";
        return 1;
    }
    CxImage image;
    if (!image.Load(in.c_str(), formatFromPath(in))) {
        err << "kivra-image text: cannot read \"" << in << "\"";
        if (*image.GetLastError())
            err << ": " << image.GetLastError();
        err << "\n";
        return 1;
    }
    // Palette pictures would round the text and box colours to their palette.
    if (image.GetBpp() < 24 && !image.IncreaseBpp(24)) {
        err << "kivra-image text: \"" << in << "\": " << image.GetLastError() << "\n";
        return 1;
    }
    ensureFontEngine();
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        err << "kivra-image text: no font engine in this process\n";
        return 1;
    }
    const CxRect box = DrawTextBox(image, nullptr, int32_t(x), int32_t(y), info, false);
    if (!image.Save(outPath.c_str(), format)) {
        err << "kivra-image text: cannot write " << SaveFailureText(image, outPath.c_str()) << "\n";
        return 1;
    }
    out << box.left << " " << box.top << " " << box.right << " " << box.bottom << "\n";
    return 0;
}

} // namespace kivracli
