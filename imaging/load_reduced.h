// Loading a picture that is shown smaller anyway: JPEG files are decoded at the largest DCT
// reduction that still covers the wanted size, and a picture too large to hold gets a sentence.
#pragma once

#include <cstdint>
#include <string>

class CxImage;

/// Loads path into out (format from the extension, else by content). A JPEG is decoded at 1/2,
/// 1/4 or 1/8 scale when that still leaves at least wantWidth x wantHeight (0 = full size).
/// False with out untouched on failure; *error then holds a sentence for the operator, naming the
/// size of a picture too large to open.
bool LoadReduced(const char* path, uint32_t wantWidth, uint32_t wantHeight, CxImage& out, std::string* error = nullptr);
