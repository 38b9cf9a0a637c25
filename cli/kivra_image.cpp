// kivra-image command implementations: info and convert. New commands add one table row.
#include "cli/kivra_image.h"

#include "app/app_paths.h"
#include "cli/image_apply.h"
#include "cli/image_text.h"
#include "editing/fc/fc_operations.h"
#include "imaging/cximage.h"
#include "imaging/cximage_apply.h"

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

// --help, also the source of the manual page: help2man reads the sections below.
void help(std::ostream& out)
{
    out << "Usage: kivra-image COMMAND ARGUMENT...\n"
           "Read, convert and edit pictures with the Kivra Tesselwick imaging core, without the booth screen.\n"
           "\n"
           "Commands:\n"
           "  info FILE                Print WIDTHxHEIGHT, bits per pixel, format number and frame count.\n"
           "  convert IN OUT           Convert IN to the format of OUT's extension.\n"
           "  apply IN OUT OP...       Apply the operations in order and write OUT (see Operations).\n"
           "  text IN OUT --x X --y Y [--text T] [--font FACE] [--height H] [--weight W] [--italic 0|1] "
           "[--color 0xBBGGRR] [--align 0|1|2] [--smooth 0|1] [--opaque 0|1] [--bcolor 0xBBGGRR] "
           "[--opacity F] [--round R]\n"
           "                           Draw a text box onto IN at X, Y as the booth's text tool does.\n"
           "\n"
           "Options:\n"
           "  -h, --help               Show this help and exit.\n"
           "  -v, --version            Show the version and exit.\n"
           "\n"
           "Operations:\n"
        << ImageOperationsHelp() << FcOperationsHelp();
}

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
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        help(out);
        return 0;
    }
    if (args.size() == 1 && (args[0] == "--version" || args[0] == "-v")) {
        out << "kivra-image (" << appdefaults::kProductName << ") " << appdefaults::kVersion << "\n";
        return 0;
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
