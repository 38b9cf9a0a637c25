// kivra-image: check and convert picture files with the imaging core, without the GUI.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kivracli {

/// Runs one kivra-image command line (without the program name). Returns the exit code:
/// 0 success, 1 the operation failed (error text on err), 2 bad usage.
int runKivraImage(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// Format id for a path, from the extension after its last dot; 0 when there is none.
unsigned formatFromPath(const std::string& path);

} // namespace kivracli
