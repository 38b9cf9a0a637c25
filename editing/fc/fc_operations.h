// Text-named effects-library operations ("emboss:3", "stretch:90x67,keep") for the command line.
#pragma once

#include <QImage>

#include <string>

enum class FcOpResult {
    NotMine, ///< the name is not an effects-library operation; the picture is untouched
    Applied, ///< the picture now holds the result
    BadArguments, ///< the arguments do not parse; error says why, the picture is untouched
    Failed, ///< the operation refused (empty picture, value out of range); error says why, picture untouched
};

/// Runs one operation on a 32-bit copy of the picture, the way the editing dialogs do, and
/// hands the result back as an RGB32 picture. Operations: emboss:S, sharp:S, mosaic:N,
/// windy:S,left|right[,smooth], stripe:SWING,FREQ, rgb:R,G,B, brightness:P, contrast:P,
/// huesat:H,S, rotate:DEG, rotleft, rotright, stretch:WxH[,keep].
FcOpResult ApplyFcOperation(QImage& picture, const std::string& op, std::string& error);

/// One line per operation, for the command line's help text.
const char* FcOperationsHelp();
