// The "apply" command of kivra-image: kivra-image apply IN OUT OP...
#include "cli/image_apply.h"

#include <ostream>

#include "cli/kivra_image.h"
#include "imaging/cximage.h"
#include "imaging/cximage_apply.h"

namespace {

/// Operations the imaging core does not know are offered to the effects library here, and only here.
/// To wire it: include "editing/fc/fc_operations.h" and replace the body with
///     QImage picture = image.ToDeviceBitmap();
///     switch (ApplyFcOperation(picture, op, error)) {
///     case FcOpResult::NotMine: return ImageOpResult::NotMine;
///     case FcOpResult::BadArguments: return ImageOpResult::BadArguments;
///     case FcOpResult::Applied: break;
///     }
///     if (!image.FromDeviceBitmap(picture)) { error = image.GetLastError(); return ImageOpResult::Failed; }
///     return ImageOpResult::Applied;
ImageOpResult offerToEffectsLibrary(CxImage& image, const std::string& op, std::string& error)
{
    (void)image;
    (void)op;
    (void)error;
    return ImageOpResult::NotMine;
}

} // namespace

namespace kivracli {

int runImageApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 3) {
        err << "usage: kivra-image apply IN OUT OP...\noperations:\n" << ImageOperationsHelp();
        return 2;
    }
    const std::string& in = args[0];
    const std::string& outPath = args[1];
    const uint32_t format = formatFromPath(outPath);
    if (!format) {
        err << "kivra-image apply: cannot tell the output format from \"" << outPath << "\"\n";
        return 1;
    }
    CxImage image;
    if (!image.Load(in.c_str(), formatFromPath(in))) {
        err << "kivra-image apply: cannot read \"" << in << "\"";
        if (*image.GetLastError())
            err << ": " << image.GetLastError();
        err << "\n";
        return 1;
    }
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& op = args[i];
        std::string error;
        ImageOpResult result = ApplyImageOperation(image, op, error);
        if (result == ImageOpResult::NotMine)
            result = offerToEffectsLibrary(image, op, error);
        switch (result) {
        case ImageOpResult::Applied:
            continue;
        case ImageOpResult::NotMine:
            err << "kivra-image apply: unknown operation \"" << op << "\"\noperations:\n" << ImageOperationsHelp();
            return 1;
        case ImageOpResult::BadArguments:
        case ImageOpResult::Failed:
            err << "kivra-image apply: " << error << "\n";
            return 1;
        }
    }
    if (!image.Save(outPath.c_str(), format)) {
        err << "kivra-image apply: cannot write \"" << outPath << "\"";
        if (*image.GetLastError())
            err << ": " << image.GetLastError();
        err << "\n";
        return 1;
    }
    out << outPath << ": " << image.GetWidth() << " x " << image.GetHeight() << ", " << image.GetBpp() << " bits\n";
    return 0;
}

} // namespace kivracli
