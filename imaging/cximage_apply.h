// Named image operations with their arguments in one string ("gamma:1.8", "select:L,T,R,B"), as
// the kivra-image apply command takes them; read and run through the operation table.
#pragma once

#include <string>

class CxImage;

enum class ImageOpResult {
    NotMine, ///< not an operation of the imaging core
    Applied, ///< done
    BadArguments, ///< known operation, arguments missing, malformed or out of range; image unchanged
    Failed, ///< the operation itself failed; error holds the image's last error
};

/// Applies one operation to image. The text is NAME or NAME:ARG[,ARG...]. On anything but Applied
/// error says why (empty for NotMine).
ImageOpResult ApplyImageOperation(CxImage& image, const std::string& op, std::string& error);

/// One line per operation with its arguments, for usage texts (from the table).
const char* ImageOperationsHelp();
