// Parses the operation strings of the apply command and runs them on a CxImage.
#include "imaging/cximage_apply.h"

#include "imaging/cximage.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

bool parseInt(const std::string& s, long lo, long hi, long& out)
{
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (errno || *end || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseFloat(const std::string& s, double lo, double hi, double& out)
{
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (errno || *end || !std::isfinite(v) || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t p = s.find(sep, start);
        parts.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            return parts;
        start = p + 1;
    }
}

} // namespace

const char* ImageOperationsHelp()
{
    return "  resample:WxH           resize (Catmull-Rom enlarging, area average reducing)\n"
           "  flip | mirror          turn upside down | left to right\n"
           "  negative | grayscale | contour | hueramp\n"
           "  threshold:LEVEL        black and white, white above LEVEL (0..255)\n"
           "  gamma:G                gamma correction, G > 0\n"
           "  blur | edge            3x3 average | 3x3 edge kernel\n"
           "  soften:D               3x3 soften kernel with divisor D (1..1000)\n"
           "  gaussian:R             Gaussian blur of radius R (0..100]\n"
           "  median:N | erode:N | dilate:N   N x N window (1..31)\n"
           "  unsharp:R,A,T          unsharp mask: radius, amount, threshold\n"
           "  selectiveblur:R,T      blur except on edges stronger than T (0..255)\n"
           "  noise:L | jitter:R     random noise of level L | pixel jitter of radius R\n"
           "  circle:T[,L[,C]]       warp about the centre: T 0 punch, 1 pinch, 2 swirl, 3 cylinder,\n"
           "                         4 bathroom; radius limit L (0 = automatic), coefficient C (100)\n"
           "  select:L,T,R,B         limit the following operations to a rectangle\n"
           "                         (top-down pixel rows, both corners included)\n"
           "  selectnone             drop the selection\n";
}

ImageOpResult ApplyImageOperation(CxImage& image, const std::string& op, std::string& error)
{
    error.clear();
    const size_t colon = op.find(':');
    const std::string name = op.substr(0, colon);
    const bool hasArgs = colon != std::string::npos;
    const std::vector<std::string> args = hasArgs ? split(op.substr(colon + 1), ',') : std::vector<std::string> {};

    auto bad = [&](const char* usage) {
        error = "bad arguments in \"" + op + "\": expected " + usage;
        return ImageOpResult::BadArguments;
    };
    auto done = [&](bool ok) {
        if (ok)
            return ImageOpResult::Applied;
        error = "\"" + op + "\" failed";
        if (*image.GetLastError())
            error += std::string(": ") + image.GetLastError();
        return ImageOpResult::Failed;
    };
    auto noArgs = [&](const char* usage, auto run) {
        if (hasArgs)
            return bad(usage);
        return done(run());
    };
    static const int32_t blurKernel[9] = { 1, 1, 1, 1, 1, 1, 1, 1, 1 };
    static const int32_t edgeKernel[9] = { -1, -1, -1, -1, 8, -1, -1, -1, -1 };
    static const int32_t softenKernel[9] = { 1, 1, 1, 1, 8, 1, 1, 1, 1 };

    if (name == "flip")
        return noArgs("no arguments", [&] { return image.Flip(false, true); });
    if (name == "mirror")
        return noArgs("no arguments", [&] { return image.Mirror(false, true); });
    if (name == "negative")
        return noArgs("no arguments", [&] { return image.Negative(); });
    if (name == "grayscale")
        return noArgs("no arguments", [&] { return image.GrayScale(); });
    if (name == "contour")
        return noArgs("no arguments", [&] { return image.Contour(); });
    if (name == "hueramp")
        return noArgs("no arguments", [&] { return image.GrayScale() && image.HueRampPalette(1.0f); });
    if (name == "blur")
        return noArgs("no arguments", [&] { return image.Filter(blurKernel, 3, 9, 0); });
    if (name == "edge")
        return noArgs("no arguments", [&] { return image.Filter(edgeKernel, 3, -1, 255); });
    if (name == "selectnone")
        return noArgs("no arguments", [&] { return image.IsValid() && image.SelectionDelete(); });

    if (name == "resample") {
        const std::vector<std::string> wh = args.size() == 1 ? split(args[0], 'x') : std::vector<std::string> {};
        long w = 0, h = 0;
        if (wh.size() != 2 || !parseInt(wh[0], 1, 65535, w) || !parseInt(wh[1], 1, 65535, h))
            return bad("resample:WIDTHxHEIGHT with sizes 1..65535");
        return done(image.ResampleSmooth(int32_t(w), int32_t(h), 16, 5, nullptr, false));
    }
    if (name == "threshold") {
        long level = 0;
        if (args.size() != 1 || !parseInt(args[0], 0, 255, level))
            return bad("threshold:LEVEL with LEVEL 0..255");
        return done(image.Threshold(uint8_t(level)));
    }
    if (name == "gamma") {
        double g = 0;
        if (args.size() != 1 || !parseFloat(args[0], 1e-3, 100.0, g))
            return bad("gamma:G with G in 0.001..100");
        return done(image.Gamma(float(g)));
    }
    if (name == "soften") {
        long d = 0;
        if (args.size() != 1 || !parseInt(args[0], 1, 1000, d))
            return bad("soften:DIVISOR with DIVISOR 1..1000");
        return done(image.Filter(softenKernel, 3, int32_t(d), 0));
    }
    if (name == "gaussian") {
        double r = 0;
        if (args.size() != 1 || !parseFloat(args[0], 0.0, 100.0, r) || r <= 0.0)
            return bad("gaussian:RADIUS with RADIUS in (0, 100]");
        return done(image.BlurGaussian(float(r)));
    }
    if (name == "median" || name == "erode" || name == "dilate") {
        long n = 0;
        if (args.size() != 1 || !parseInt(args[0], 1, 31, n))
            return bad("a window size 1..31, e.g. median:3");
        if (name == "median")
            return done(image.Median(int32_t(n)));
        if (name == "erode")
            return done(image.Erode(int32_t(n)));
        return done(image.Dilate(int32_t(n)));
    }
    if (name == "unsharp") {
        double r = 0, a = 0;
        long t = 0;
        if (args.size() != 3 || !parseFloat(args[0], 0.0, 100.0, r) || r <= 0.0
            || !parseFloat(args[1], -100.0, 100.0, a) || !parseInt(args[2], 0, 255, t))
            return bad("unsharp:RADIUS,AMOUNT,THRESHOLD, e.g. unsharp:5.0,0.5,0");
        return done(image.UnsharpMask(float(r), float(a), int32_t(t)));
    }
    if (name == "selectiveblur") {
        double r = 0;
        long t = 0;
        if (args.size() != 2 || !parseFloat(args[0], 0.0, 100.0, r) || r <= 0.0 || !parseInt(args[1], 0, 255, t))
            return bad("selectiveblur:RADIUS,THRESHOLD, e.g. selectiveblur:1.0,25");
        return done(image.SelectiveBlur(float(r), uint8_t(t)));
    }
    if (name == "noise") {
        long level = 0;
        if (args.size() != 1 || !parseInt(args[0], 0, 10000, level))
            return bad("noise:LEVEL with LEVEL 0..10000");
        return done(image.Noise(int32_t(level)));
    }
    if (name == "jitter") {
        long r = 0;
        if (args.size() != 1 || !parseInt(args[0], 0, 10000, r))
            return bad("jitter:RADIUS with RADIUS 0..10000");
        return done(image.Jitter(int32_t(r)));
    }
    if (name == "circle") {
        long type = 0, limit = 0;
        double coefficient = 100.0;
        if (args.empty() || args.size() > 3 || !parseInt(args[0], 0, 4, type)
            || (args.size() > 1 && !parseInt(args[1], 0, 1L << 20, limit))
            || (args.size() > 2 && !parseFloat(args[2], -1e6, 1e6, coefficient)))
            return bad("circle:TYPE[,LIMIT[,COEFF]] with TYPE 0..4 (punch, pinch, swirl, cylinder, bathroom), "
                       "LIMIT 0 = automatic, COEFF default 100");
        return done(image.CircleTransform(int32_t(type), int32_t(limit), float(coefficient)));
    }
    if (name == "select") {
        long v[4] = {};
        const long lim = 1L << 30;
        if (args.size() != 4)
            return bad("select:LEFT,TOP,RIGHT,BOTTOM");
        for (int i = 0; i < 4; ++i)
            if (!parseInt(args[size_t(i)], -lim, lim, v[i]))
                return bad("select:LEFT,TOP,RIGHT,BOTTOM with whole numbers");
        if (!image.IsValid())
            return done(false);
        // Rows are counted from the top here and from the bottom in the image.
        const long h = long(image.GetHeight());
        image.SelectionDelete();
        return done(image.SelectRectangle(int32_t(v[0]), int32_t(h - 1 - v[1]), int32_t(v[2]), int32_t(h - 1 - v[3])));
    }
    return ImageOpResult::NotMine;
}
