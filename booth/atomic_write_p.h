// Writing a whole file atomically for the booth's own files (shot archive, autosaved session):
// a temporary file in the same folder, fsync, rename. Same signature as the platform writer.
#pragma once

#include <string>
#include <string_view>

namespace boothio {

/// Writes bytes to path through a temporary file in the same folder; path is either the old file
/// or the complete new one. False with *error "<path>: <reason>" and nothing left behind.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

} // namespace boothio
