// The "apply" command of kivra-image: load a picture, run operations on it in order, save it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivracli {

/// args: IN OUT OP... (without the command name). Returns the exit code: 0 on success; 1 with a
/// message on err for unknown operations, bad arguments, unreadable input or failures (OUT is then
/// not written); 2 for fewer than three arguments.
int runImageApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kivracli
