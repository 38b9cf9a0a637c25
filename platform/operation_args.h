// Operation tables: one entry per operation (name, workbench command code, typed arguments with
// ranges and defaults, a run function), and the one parser of "NAME:ARG,ARG" texts over them.
// No Qt: the imaging core and the effects library each keep a table of their own.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ArgKind {
    Int, ///< whole number in [min, max]
    Real, ///< finite number in [min, max] (or (min, max] with minExclusive)
    Size, ///< "WxH": two whole numbers, each in [min, max]; gives two values
    Choice, ///< one of the words in choices; gives the word's value
    Flag, ///< an optional trailing word (choices[0]); gives 1 when present, else 0
};

struct ArgChoice {
    const char* word;
    double value;
};

struct ArgSpec {
    const char* name; ///< as shown in the listing, e.g. "LEVEL"
    ArgKind kind = ArgKind::Int;
    double min = 0;
    double max = 0;
    double def = 0; ///< default (both values of a Size)
    bool minExclusive = false;
    std::vector<ArgChoice> choices = {};
    bool optional = false; ///< a trailing number that may be left out; it then takes def
};

/// How whole numbers are read: Lenient as strtol (leading blanks, a '+'), Strict digits with an
/// optional '-' and nothing else.
enum class NumberSyntax { Lenient, Strict };

enum class ArgError {
    None,
    Count, ///< too few or too many arguments (or arguments given to an operation without any)
    Value, ///< an argument does not read as its kind or is out of range
};

/// Splits "NAME:A,B" into its name, whether a colon was there, and the comma-separated texts
/// ("NAME:" gives one empty text).
void splitOperationText(std::string_view text, std::string& name, bool& hasArgs, std::vector<std::string>& args);

/// Number of values the arguments give (a Size gives two).
size_t argValueCount(const std::vector<ArgSpec>& specs);
/// The defaults, one value per argument value.
std::vector<double> defaultArgs(const std::vector<ArgSpec>& specs);

/// Reads the argument texts into values. On an error, why (if given) says which argument and why,
/// e.g. "LEVEL must be 0..255, not 256".
ArgError parseArgs(const std::vector<ArgSpec>& specs, bool hasArgs, const std::vector<std::string>& texts,
    NumberSyntax syntax, std::vector<double>& values, std::string* why = nullptr);

/// Checks values given by a program (a workbench button, a dialog) against the ranges: count,
/// whole numbers, ranges, choices. False with why on the first problem.
bool checkArgs(const std::vector<ArgSpec>& specs, const std::vector<double>& values, std::string* why = nullptr);

/// "threshold:LEVEL", "windy:S,left|right[,smooth]", "resample:WIDTHxHEIGHT".
std::string operationSyntax(const char* name, const std::vector<ArgSpec>& specs);
/// "LEVEL 0..255 (default 0)", one part per argument, comma-separated; empty without arguments.
std::string argumentRanges(const std::vector<ArgSpec>& specs);

/// Further workbench buttons that run an entry with fixed arguments.
struct CommandPreset {
    int commandCode;
    std::vector<double> args;
};

/// One table entry; Image is CxImage for the imaging core, FCImage for the effects library.
template <typename Image> struct OperationSpec {
    const char* name;
    int commandCode; ///< workbench command code running it with the defaults, or 0
    std::vector<ArgSpec> args;
    bool selectionAware; ///< works only inside the picture's selection when there is one
    bool (*run)(Image& image, const std::vector<double>& args);
    const char* summary = ""; ///< one line for the listing
    const char* usage = ""; ///< what a bad-argument message says is expected
    const char* badValueUsage = nullptr; ///< the same for a malformed value, when it differs
    std::vector<CommandPreset> presets = {};
};

template <typename Image>
const OperationSpec<Image>* findOperation(const std::vector<OperationSpec<Image>>& table, std::string_view name)
{
    for (const OperationSpec<Image>& op : table)
        if (name == op.name)
            return &op;
    return nullptr;
}

/// The entry a command code runs; args (if given) receives the values to run it with.
template <typename Image>
const OperationSpec<Image>* findOperation(
    const std::vector<OperationSpec<Image>>& table, int commandCode, std::vector<double>* args = nullptr)
{
    if (commandCode == 0)
        return nullptr;
    for (const OperationSpec<Image>& op : table) {
        if (op.commandCode == commandCode) {
            if (args)
                *args = defaultArgs(op.args);
            return &op;
        }
        for (const CommandPreset& preset : op.presets)
            if (preset.commandCode == commandCode) {
                if (args)
                    *args = preset.args;
                return &op;
            }
    }
    return nullptr;
}

/// The listing of a table: one line per operation with its syntax, summary and arguments.
template <typename Image> std::string listOperations(const std::vector<OperationSpec<Image>>& table)
{
    std::string out;
    for (const OperationSpec<Image>& op : table) {
        std::string line = "  " + operationSyntax(op.name, op.args);
        line.resize(std::max<size_t>(line.size() + 2, 34), ' ');
        line += op.summary;
        const std::string ranges = argumentRanges(op.args);
        if (!ranges.empty())
            line += "; " + ranges;
        out += line + "\n";
    }
    return out;
}

} // namespace platform
