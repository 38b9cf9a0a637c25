// kivra-image command implementations: info and convert. New commands add one table row.
#include "cli/kivra_image.h"

#include "cli/image_apply.h"
#include "cli/image_text.h"
#include "imaging/cximage.h"

#include <algorithm>
#include <ostream>

namespace kivracli {

namespace {

struct Command {
    const char* name;
    size_t argCount;
    const char* usage;
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

int failWith(const CxImage& img, const std::string& path, std::ostream& err)
{
    const char* text = img.GetLastError();
    err << path << ": " << (*text ? text : "cannot open file") << "\n";
    return 1;
}

int info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    CxImage img;
    if (!img.Load(args[0].c_str(), formatFromPath(args[0])))
        return failWith(img, args[0], err);
    // Single-picture formats report no frame count; such a file holds one picture.
    const int frames = std::max(1, img.GetNumFrames());
    out << img.GetWidth() << "x" << img.GetHeight() << " " << img.GetBpp() << " " << img.GetType() << " " << frames
        << "\n";
    return 0;
}

int convert(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    CxImage img;
    if (!img.Load(args[0].c_str(), formatFromPath(args[0])))
        return failWith(img, args[0], err);
    if (!img.Save(args[1].c_str(), formatFromPath(args[1]))) {
        err << SaveFailureText(img, args[1].c_str()) << "\n";
        return 1;
    }
    return 0;
}

const Command kCommands[] = {
    { "info", 1, "info FILE", info },
    { "convert", 2, "convert IN OUT", convert },
};

void usage(std::ostream& err)
{
    err << "usage:\n";
    for (const Command& c : kCommands)
        err << "  kivra-image " << c.usage << "\n";
    err << "  kivra-image apply IN OUT OP...\n";
    err << "  kivra-image text IN OUT --x X --y Y [--text T] [--font FACE] ...\n";
}

} // namespace

unsigned formatFromPath(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return 0;
    return CxImage::FormatFromExtension(path.c_str() + dot + 1);
}

int runKivraImage(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        usage(err);
        return 2;
    }
    if (args[0] == "apply") // takes any number of operations
        return runImageApply(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (args[0] == "text") // options in any order
        return runImageText(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    for (const Command& c : kCommands) {
        if (args[0] != c.name)
            continue;
        if (args.size() != c.argCount + 1) {
            err << "usage: kivra-image " << c.usage << "\n";
            return 2;
        }
        return c.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
    err << "kivra-image: unknown command '" << args[0] << "'\n";
    usage(err);
    return 2;
}

} // namespace kivracli
