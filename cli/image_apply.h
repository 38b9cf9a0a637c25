// The "apply" command of kivra-image: load a picture, run operations on it in order, save it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

/// args: IN OUT OP... (without the command name). Returns the exit code: 0 on success, 1 with a
/// message on err for bad usage, unknown operations, bad arguments or failures; OUT is then not written.
int runImageApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
