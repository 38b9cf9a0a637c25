// The "apply" command of kivra-image: kivra-image apply IN OUT OP...
#include "cli/image_apply.h"

#include <ostream>

#include "cli/kivra_image.h"
#include "editing/fc/fc_operations.h"
#include "imaging/cximage.h"
#include "imaging/cximage_apply.h"
#include "imaging/cximage_operations.h"

namespace {

/// The operations of both tables with their arguments.
std::string operationList()
{
    return std::string("operations:\n") + ImageOperationsHelp() + FcOperationsHelp();
}

/// Effects-library operations run on a 32-bit copy as the editing dialogs use it.
ImageOpResult applyEffectsLibrary(CxImage& image, const std::string& op, std::string& error)
{
    QImage picture = image.ToDeviceBitmap();
    switch (ApplyFcOperation(picture, op, error)) {
    case FcOpResult::NotMine:
        return ImageOpResult::NotMine;
    case FcOpResult::BadArguments:
        return ImageOpResult::BadArguments;
    case FcOpResult::Failed:
        return ImageOpResult::Failed;
    case FcOpResult::Applied:
        break;
    }
    if (!image.FromDeviceBitmap(picture)) {
        error = image.GetLastError();
        return ImageOpResult::Failed;
    }
    return ImageOpResult::Applied;
}

} // namespace

namespace kivracli {

int runImageApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 3) {
        err << "usage: kivra-image apply IN OUT OP...\n" << operationList();
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
        const std::string name = op.substr(0, op.find(':'));
        ImageOpResult result = ImageOpResult::NotMine;
        if (FindImageOperation(name))
            result = ApplyImageOperation(image, op, error);
        else if (FindFcOperation(name))
            result = applyEffectsLibrary(image, op, error);
        switch (result) {
        case ImageOpResult::Applied:
            continue;
        case ImageOpResult::NotMine:
            err << "kivra-image apply: unknown operation \"" << op << "\"\n" << operationList();
            return 1;
        case ImageOpResult::BadArguments:
        case ImageOpResult::Failed:
            err << "kivra-image apply: " << error << "\n";
            return 1;
        }
    }
    if (!image.Save(outPath.c_str(), format)) {
        err << "kivra-image apply: cannot write " << SaveFailureText(image, outPath.c_str()) << "\n";
        return 1;
    }
    out << outPath << ": " << image.GetWidth() << " x " << image.GetHeight() << ", " << image.GetBpp() << " bits\n";
    return 0;
}

} // namespace kivracli
