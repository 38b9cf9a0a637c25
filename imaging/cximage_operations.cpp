// The imaging core's operation table and the apply-command texts read through it.
#include "imaging/cximage_operations.h"

#include "imaging/cximage.h"
#include "imaging/cximage_apply.h"

#include <string>

using platform::ArgKind;
using platform::ArgSpec;

namespace {

const int32_t kBlurKernel[9] = { 1, 1, 1, 1, 1, 1, 1, 1, 1 };
const int32_t kEdgeKernel[9] = { -1, -1, -1, -1, 8, -1, -1, -1, -1 };
const int32_t kSoftenKernel[9] = { 1, 1, 1, 1, 8, 1, 1, 1, 1 };

int32_t i32(double v)
{
    return int32_t(v);
}

ArgSpec whole(const char* name, double lo, double hi, double def)
{
    return ArgSpec { name, ArgKind::Int, lo, hi, def };
}

ArgSpec real(const char* name, double lo, double hi, double def, bool loExclusive = false)
{
    return ArgSpec { name, ArgKind::Real, lo, hi, def, loExclusive };
}

constexpr const char* kNoArguments = "no arguments";
constexpr const char* kWindow = "a window size 1..31, e.g. median:3";

// Rows are counted from the top on the command line and from the bottom in the image.
bool selectRows(CxImage& image, const std::vector<double>& a)
{
    if (!image.IsValid())
        return false;
    const long h = long(image.GetHeight());
    image.SelectionDelete();
    return image.SelectRectangle(i32(a[0]), int32_t(h - 1 - long(a[1])), i32(a[2]), int32_t(h - 1 - long(a[3])));
}

std::vector<ImageOperationSpec> buildTable()
{
    const double lim = double(1L << 30);
    std::vector<ImageOperationSpec> t;
    t.push_back({ "resample", 0, { ArgSpec { "WIDTHxHEIGHT", ArgKind::Size, 1, 65535, 320 } }, false,
        [](CxImage& i, const std::vector<double>& a) {
            return i.ResampleSmooth(i32(a[0]), i32(a[1]), 16, 5, nullptr, false);
        },
        "resize (Catmull-Rom enlarging, area average reducing)", "resample:WIDTHxHEIGHT with sizes 1..65535" });
    t.push_back({ "flip", 32775, {}, false, [](CxImage& i, const std::vector<double>&) { return i.Flip(false, true); },
        "turn upside down", kNoArguments });
    t.push_back(
        { "mirror", 32774, {}, false, [](CxImage& i, const std::vector<double>&) { return i.Mirror(false, true); },
            "turn left to right", kNoArguments });
    t.push_back({ "negative", 32777, {}, true, [](CxImage& i, const std::vector<double>&) { return i.Negative(); },
        "invert the colours", kNoArguments });
    t.push_back({ "grayscale", 32778, {}, false, [](CxImage& i, const std::vector<double>&) { return i.GrayScale(); },
        "convert to 256 grey levels", kNoArguments });
    t.push_back({ "contour", 32898, {}, true, [](CxImage& i, const std::vector<double>&) { return i.Contour(); },
        "contour lines", kNoArguments });
    t.push_back({ "hueramp", 0, {}, false,
        [](CxImage& i, const std::vector<double>&) { return i.GrayScale() && i.HueRampPalette(1.0f); },
        "grey levels shown through a hue palette", kNoArguments });
    t.push_back({ "threshold", 32799, { whole("LEVEL", 0, 255, 0) }, false,
        [](CxImage& i, const std::vector<double>& a) { return i.Threshold(uint8_t(a[0])); },
        "black and white, white above LEVEL", "threshold:LEVEL with LEVEL 0..255" });
    t.push_back({ "gamma", 32863, { real("G", 1e-3, 100.0, 1.8) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.Gamma(float(a[0])); }, "gamma correction",
        "gamma:G with G in 0.001..100" });
    t.push_back({ "blur", 32813, {}, true,
        [](CxImage& i, const std::vector<double>&) { return i.Filter(kBlurKernel, 3, 9, 0); }, "3x3 average",
        kNoArguments });
    t.push_back({ "edge", 32816, {}, true,
        [](CxImage& i, const std::vector<double>&) { return i.Filter(kEdgeKernel, 3, -1, 255); }, "3x3 edge kernel",
        kNoArguments });
    t.push_back({ "nonlinearedge", 32914, { whole("N", 1, 31, 2) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.Edge(i32(a[0])); },
        "light where the N x N window's range is small", "nonlinearedge:N with N 1..31" });
    t.push_back({ "soften", 0, { whole("DIVISOR", 1, 1000, 16) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.Filter(kSoftenKernel, 3, i32(a[0]), 0); },
        "3x3 soften kernel with a divisor", "soften:DIVISOR with DIVISOR 1..1000" });
    t.push_back({ "gaussian", 32896, { real("RADIUS", 0.0, 100.0, 1.0, true) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.BlurGaussian(float(a[0])); }, "Gaussian blur",
        "gaussian:RADIUS with RADIUS in (0, 100]", nullptr, { { 32897, { 2.0 } } } });
    t.push_back({ "median", 32864, { whole("N", 1, 31, 3) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.Median(i32(a[0])); }, "median of an N x N window",
        kWindow });
    t.push_back({ "erode", 32817, { whole("N", 1, 31, 3) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.Erode(i32(a[0])); }, "darkest of an N x N window",
        kWindow });
    t.push_back({ "dilate", 32818, { whole("N", 1, 31, 3) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.Dilate(i32(a[0])); }, "lightest of an N x N window",
        kWindow });
    t.push_back({ "unsharp", 32932,
        { real("RADIUS", 0.0, 100.0, 5.0, true), real("AMOUNT", -100.0, 100.0, 0.5), whole("THRESHOLD", 0, 255, 0) },
        true,
        [](CxImage& i, const std::vector<double>& a) { return i.UnsharpMask(float(a[0]), float(a[1]), i32(a[2])); },
        "unsharp mask", "unsharp:RADIUS,AMOUNT,THRESHOLD, e.g. unsharp:5.0,0.5,0" });
    t.push_back({ "selectiveblur", 0, { real("RADIUS", 0.0, 100.0, 1.0, true), whole("THRESHOLD", 0, 255, 25) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.SelectiveBlur(float(a[0]), uint8_t(a[1])); },
        "blur except on edges stronger than THRESHOLD", "selectiveblur:RADIUS,THRESHOLD, e.g. selectiveblur:1.0,25" });
    t.push_back({ "noise", 0, { whole("LEVEL", 0, 10000, 25) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.Noise(i32(a[0])); }, "random noise",
        "noise:LEVEL with LEVEL 0..10000" });
    t.push_back({ "jitter", 32901, { whole("RADIUS", 0, 10000, 2) }, true,
        [](CxImage& i, const std::vector<double>& a) { return i.Jitter(i32(a[0])); }, "pixel jitter",
        "jitter:RADIUS with RADIUS 0..10000" });
    {
        ArgSpec limit = whole("LIMIT", 0, 1 << 20, 0), coefficient = real("COEFF", -1e6, 1e6, 100.0);
        limit.optional = coefficient.optional = true;
        t.push_back({ "circle", 0, { whole("TYPE", 0, 4, 0), limit, coefficient }, true,
            [](CxImage& i, const std::vector<double>& a) {
                return i.CircleTransform(i32(a[0]), i32(a[1]), float(a[2]));
            },
            "warp about the centre: TYPE 0 punch, 1 pinch, 2 swirl, 3 cylinder, 4 bathroom; LIMIT 0 = automatic",
            "circle:TYPE[,LIMIT[,COEFF]] with TYPE 0..4, LIMIT 0 = automatic, COEFF default 100" });
    }
    t.push_back({ "select", 0,
        { whole("LEFT", -lim, lim, 0), whole("TOP", -lim, lim, 0), whole("RIGHT", -lim, lim, 0),
            whole("BOTTOM", -lim, lim, 0) },
        false, selectRows, "limit the following operations to a rectangle (top-down pixel rows, both corners included)",
        "select:LEFT,TOP,RIGHT,BOTTOM", "select:LEFT,TOP,RIGHT,BOTTOM with whole numbers" });
    t.push_back({ "selectnone", 0, {}, false,
        [](CxImage& i, const std::vector<double>&) { return i.IsValid() && i.SelectionDelete(); }, "drop the selection",
        kNoArguments });
    return t;
}

} // namespace

const std::vector<ImageOperationSpec>& ImageOperations()
{
    static const std::vector<ImageOperationSpec> table = buildTable();
    return table;
}

const ImageOperationSpec* FindImageOperation(std::string_view name)
{
    return platform::findOperation(ImageOperations(), name);
}

const ImageOperationSpec* FindImageOperation(int commandCode, std::vector<double>* args)
{
    return platform::findOperation(ImageOperations(), commandCode, args);
}

bool RunImageOperation(const ImageOperationSpec& op, CxImage& image, const std::vector<double>& args)
{
    std::string why;
    if (!platform::checkArgs(op.args, args, &why)) {
        image.SetLastError("%s: %s", op.name, why.c_str());
        return false;
    }
    return op.run(image, args);
}

const char* ImageOperationsHelp()
{
    static const std::string text = platform::listOperations(ImageOperations());
    return text.c_str();
}

ImageOpResult ApplyImageOperation(CxImage& image, const std::string& op, std::string& error)
{
    error.clear();
    std::string name;
    bool hasArgs = false;
    std::vector<std::string> texts;
    platform::splitOperationText(op, name, hasArgs, texts);
    const ImageOperationSpec* spec = FindImageOperation(name);
    if (!spec)
        return ImageOpResult::NotMine;

    std::vector<double> values;
    const platform::ArgError parsed
        = platform::parseArgs(spec->args, hasArgs, texts, platform::NumberSyntax::Lenient, values);
    if (parsed != platform::ArgError::None) {
        const char* usage
            = parsed == platform::ArgError::Value && spec->badValueUsage ? spec->badValueUsage : spec->usage;
        error = "bad arguments in \"" + op + "\": expected " + usage;
        return ImageOpResult::BadArguments;
    }
    if (spec->run(image, values))
        return ImageOpResult::Applied;
    error = "\"" + op + "\" failed";
    if (*image.GetLastError())
        error += std::string(": ") + image.GetLastError();
    return ImageOpResult::Failed;
}
