// The argument parser and checker of the operation tables.
#include "platform/operation_args.h"

#include <cerrno>
#include <climits>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

std::string number(double v)
{
    char text[32];
    // Whole numbers in full ("1073741824", not "1.07374e+09"), others in short form.
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(text, sizeof(text), "%.0f", v);
    else
        std::snprintf(text, sizeof(text), "%g", v);
    return text;
}

bool readWhole(const std::string& s, NumberSyntax syntax, double& out)
{
    if (s.empty())
        return false;
    if (syntax == NumberSyntax::Strict) {
        long long v = 0;
        const char* end = s.data() + s.size();
        const auto [ptr, ec] = std::from_chars(s.data(), end, v);
        if (ec != std::errc() || ptr != end)
            return false;
        out = double(v);
        return true;
    }
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (errno || *end)
        return false;
    out = double(v);
    return true;
}

bool readReal(const std::string& s, double& out)
{
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (errno || *end || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

bool inRange(const ArgSpec& a, double v)
{
    return (a.minExclusive ? v > a.min : v >= a.min) && v <= a.max;
}

/// Arguments whose range the operation checks itself accept any int.
bool unbounded(const ArgSpec& a)
{
    return a.min <= double(INT_MIN) && a.max >= double(INT_MAX);
}

std::string rangeText(const ArgSpec& a)
{
    std::string text = a.minExclusive ? "(" : "";
    text += number(a.min);
    text += "..";
    text += number(a.max);
    if (a.minExclusive)
        text += "]";
    return text;
}

std::string outOfRange(const ArgSpec& a, double v)
{
    return std::string(a.name) + " must be " + rangeText(a) + ", not " + number(v);
}

/// Checks one value of argument a; why says what is wrong.
bool checkValue(const ArgSpec& a, double v, std::string* why)
{
    auto fail = [&](std::string text) {
        if (why)
            *why = std::move(text);
        return false;
    };
    switch (a.kind) {
    case ArgKind::Int:
    case ArgKind::Size:
        if (v != std::floor(v))
            return fail(std::string(a.name) + " must be a whole number, not " + number(v));
        [[fallthrough]];
    case ArgKind::Real:
        if (!std::isfinite(v) || !inRange(a, v))
            return fail(outOfRange(a, v));
        return true;
    case ArgKind::Choice:
        for (const ArgChoice& c : a.choices)
            if (c.value == v)
                return true;
        return fail(std::string(a.name) + " has no choice " + number(v));
    case ArgKind::Flag:
        if (v == 0 || v == 1)
            return true;
        return fail(std::string(a.name) + " must be 0 or 1, not " + number(v));
    }
    return fail("unknown argument kind");
}

size_t requiredTexts(const std::vector<ArgSpec>& specs)
{
    size_t n = 0;
    for (const ArgSpec& a : specs)
        n += a.kind != ArgKind::Flag && !a.optional;
    return n;
}

} // namespace

void splitOperationText(std::string_view text, std::string& name, bool& hasArgs, std::vector<std::string>& args)
{
    args.clear();
    const size_t colon = text.find(':');
    name = std::string(text.substr(0, colon));
    hasArgs = colon != std::string_view::npos;
    if (!hasArgs)
        return;
    size_t start = colon + 1;
    for (;;) {
        const size_t comma = text.find(',', start);
        args.emplace_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            return;
        start = comma + 1;
    }
}

size_t argValueCount(const std::vector<ArgSpec>& specs)
{
    size_t n = 0;
    for (const ArgSpec& a : specs)
        n += a.kind == ArgKind::Size ? 2 : 1;
    return n;
}

std::vector<double> defaultArgs(const std::vector<ArgSpec>& specs)
{
    std::vector<double> values;
    for (const ArgSpec& a : specs) {
        values.push_back(a.def);
        if (a.kind == ArgKind::Size)
            values.push_back(a.def);
    }
    return values;
}

ArgError parseArgs(const std::vector<ArgSpec>& specs, bool hasArgs, const std::vector<std::string>& texts,
    NumberSyntax syntax, std::vector<double>& values, std::string* why)
{
    values.clear();
    auto fail = [&](ArgError e, std::string text) {
        if (why)
            *why = std::move(text);
        values.clear();
        return e;
    };
    if (specs.empty()) {
        if (hasArgs)
            return fail(ArgError::Count, "takes no arguments");
        return ArgError::None;
    }
    const size_t required = requiredTexts(specs);
    if (texts.size() < required || texts.size() > specs.size())
        return fail(ArgError::Count,
            "takes " + std::to_string(required)
                + (required == specs.size() ? std::string() : " to " + std::to_string(specs.size()))
                + " arguments, not " + std::to_string(texts.size()));
    for (size_t i = 0; i < specs.size(); ++i) {
        const ArgSpec& a = specs[i];
        const bool given = i < texts.size();
        if (!given && a.optional) {
            values.push_back(a.def);
            continue;
        }
        const std::string text = given ? texts[i] : std::string();
        double v = 0;
        switch (a.kind) {
        case ArgKind::Int:
            if (!readWhole(text, syntax, v))
                return fail(ArgError::Value, std::string(a.name) + " must be a whole number, not \"" + text + "\"");
            if (!inRange(a, v))
                return fail(ArgError::Value, outOfRange(a, v));
            values.push_back(v);
            break;
        case ArgKind::Real:
            if (!readReal(text, v))
                return fail(ArgError::Value, std::string(a.name) + " must be a number, not \"" + text + "\"");
            if (!inRange(a, v))
                return fail(ArgError::Value, outOfRange(a, v));
            values.push_back(v);
            break;
        case ArgKind::Size: {
            const size_t x = text.find('x');
            double w = 0, h = 0;
            if (x == std::string::npos || text.find('x', x + 1) != std::string::npos
                || !readWhole(text.substr(0, x), syntax, w) || !readWhole(text.substr(x + 1), syntax, h))
                return fail(ArgError::Value, std::string(a.name) + " must read WIDTHxHEIGHT, not \"" + text + "\"");
            if (!inRange(a, w))
                return fail(ArgError::Value, outOfRange(a, w));
            if (!inRange(a, h))
                return fail(ArgError::Value, outOfRange(a, h));
            values.push_back(w);
            values.push_back(h);
            break;
        }
        case ArgKind::Choice: {
            bool found = false;
            for (const ArgChoice& c : a.choices)
                if (text == c.word) {
                    values.push_back(c.value);
                    found = true;
                    break;
                }
            if (!found)
                return fail(ArgError::Value, std::string(a.name) + " cannot be \"" + text + "\"");
            break;
        }
        case ArgKind::Flag:
            if (given && (a.choices.empty() || text != a.choices[0].word))
                return fail(ArgError::Value,
                    "the last argument can only be \"" + std::string(a.choices.empty() ? "" : a.choices[0].word)
                        + "\", not \"" + text + "\"");
            values.push_back(given ? 1 : 0);
            break;
        }
    }
    return ArgError::None;
}

bool checkArgs(const std::vector<ArgSpec>& specs, const std::vector<double>& values, std::string* why)
{
    if (values.size() != argValueCount(specs)) {
        if (why)
            *why = "expected " + std::to_string(argValueCount(specs)) + " values, not " + std::to_string(values.size());
        return false;
    }
    size_t at = 0;
    for (const ArgSpec& a : specs) {
        if (!checkValue(a, values[at++], why))
            return false;
        if (a.kind == ArgKind::Size && !checkValue(a, values[at++], why))
            return false;
    }
    return true;
}

std::string operationSyntax(const char* name, const std::vector<ArgSpec>& specs)
{
    std::string out = name;
    for (size_t i = 0; i < specs.size(); ++i) {
        const ArgSpec& a = specs[i];
        if (a.kind == ArgKind::Flag) {
            out += std::string("[,") + (a.choices.empty() ? a.name : a.choices[0].word) + "]";
            continue;
        }
        out += i == 0 ? ":" : ",";
        if (a.kind == ArgKind::Choice) {
            for (size_t c = 0; c < a.choices.size(); ++c) {
                if (c)
                    out += '|';
                out += a.choices[c].word;
            }
        } else if (a.kind == ArgKind::Size) {
            out += "WIDTHxHEIGHT";
        } else {
            out += a.name;
        }
    }
    return out;
}

std::string argumentRanges(const std::vector<ArgSpec>& specs)
{
    std::string out;
    for (const ArgSpec& a : specs) {
        std::string part;
        switch (a.kind) {
        case ArgKind::Int:
        case ArgKind::Real:
        case ArgKind::Size:
            part = a.kind == ArgKind::Size ? "WIDTH, HEIGHT" : a.name;
            if (!unbounded(a)) {
                part += ' ';
                part += rangeText(a);
            }
            part += " (default ";
            part += number(a.def);
            part += ')';
            break;
        case ArgKind::Choice:
            for (const ArgChoice& c : a.choices)
                if (c.value == a.def)
                    part = std::string(a.name) + " (default " + c.word + ")";
            break;
        case ArgKind::Flag:
            break;
        }
        if (part.empty())
            continue;
        if (!out.empty())
            out += ", ";
        out += part;
    }
    return out;
}

} // namespace platform
