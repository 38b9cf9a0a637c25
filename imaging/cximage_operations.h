// The imaging core's operation table: every operation the command line, the workbench buttons
// and the effect dialog run on a CxImage, with its arguments, ranges and defaults.
#pragma once

#include <string_view>
#include <vector>

#include "platform/operation_args.h"

class CxImage;

using ImageOperationSpec = platform::OperationSpec<CxImage>;

/// The table, in listing order.
const std::vector<ImageOperationSpec>& ImageOperations();
/// The entry of that name, or null.
const ImageOperationSpec* FindImageOperation(std::string_view name);
/// The entry a workbench command code runs, or null; args receives the values it runs with.
const ImageOperationSpec* FindImageOperation(int commandCode, std::vector<double>* args = nullptr);
/// Runs an entry with values checked against its ranges first; false with the image's last error
/// set (image unchanged) when they are out of range.
bool RunImageOperation(const ImageOperationSpec& op, CxImage& image, const std::vector<double>& args);
