// DrawTextBox: renders a text record into a picture, with its rounded background box.
#pragma once

#include <cstdint>

#include "imaging/cximage.h"

class QPaintDevice;
struct TextInfo;

/// Draws info into image so that row y (counted from the top) is the box's bottom row and x is
/// its left edge, centre or right edge by the alignment. Returns the text measured in its font
/// (left, top, right, bottom; before the italic, rounding and frame enlargements). Returns an
/// empty box and changes nothing when the image is empty or no font engine is running (no
/// QGuiApplication). device, when given, is the surface the font is measured for. The record's
/// alignment, rounding and opacity are corrected in place when out of range. setAlpha is
/// passed on to the pixel setter.
CxRect DrawTextBox(CxImage& image, QPaintDevice* device, int32_t x, int32_t y, TextInfo& info, bool setAlpha);
