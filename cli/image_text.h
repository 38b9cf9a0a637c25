// The "text" command of kivra-image: draw one text record into a picture and save it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivracli {

/// args: IN OUT --x X --y Y [--text T] [--font FACE] [--height H] [--weight W] [--italic 0|1]
/// [--color 0xBBGGRR] [--align 0|1|2] [--smooth 0|1] [--opaque 0|1] [--bcolor 0xBBGGRR]
/// [--opacity F] [--round R] (without the command name); unset options keep the text tool's
/// start values. Prints the measured box "left top right bottom" as the last line of out.
/// Returns 0 on success, 1 with a message on err when the picture cannot be read or written
/// (OUT is then not touched), 2 for bad usage.
int runImageText(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kivracli
