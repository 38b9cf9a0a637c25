// The effects library's operation table ("emboss:3", "stretch:90x67,keep") for the command line,
// the workbench and the effect dialog: names, arguments with defaults, run functions.
#pragma once

#include <QImage>

#include <string>
#include <string_view>
#include <vector>

#include "platform/operation_args.h"

class FCImage;

using FcOperationSpec = platform::OperationSpec<FCImage>;

/// The table, in listing order. Most ranges are left to the library, which refuses a value
/// outside its own (the refusal is the operation's failure, with the library's text).
const std::vector<FcOperationSpec>& FcOperations();
/// The entry of that name, or null.
const FcOperationSpec* FindFcOperation(std::string_view name);
/// The entry a workbench command code runs, or null; args receives the values it runs with.
const FcOperationSpec* FindFcOperation(int commandCode, std::vector<double>* args = nullptr);

enum class FcOpResult {
    NotMine, ///< the name is not an effects-library operation; the picture is untouched
    Applied, ///< the picture now holds the result
    BadArguments, ///< the arguments do not parse; error says why, the picture is untouched
    Failed, ///< the operation refused (empty picture, value out of range); error says why, picture untouched
};

/// Runs one operation on a 32-bit copy of the picture, the way the editing dialogs do, and
/// hands the result back as an RGB32 picture. The operations are those of FcOperations().
FcOpResult ApplyFcOperation(QImage& picture, const std::string& op, std::string& error);

/// One line per operation with its arguments, for the command line's help text (from the table).
const char* FcOperationsHelp();
