// The gallery's HTML: the guest's page of one sheet and the operator's event index. Mobile
// first, self-contained (the booth has no internet): inline style, no scripts, no fonts.
#pragma once

#include <string>
#include <string_view>

#include "share/share_table.h"

namespace share {

/// The page of one shared sheet: the sheet and its shots as thumbnails that open full size,
/// and a download button for each.
std::string sheetPage(const SharedSheet& sheet);
/// Every shared sheet, newest first, each linking to its page.
std::string indexPage(const ShareTable& table);

/// Where the page of a sheet lives: "/s/<token>/".
std::string sheetPath(std::string_view token);
/// The file name a download is saved under: "kivra-<folder>-<name>".
std::string downloadName(const SharedSheet& sheet, std::string_view file);
/// The thumbnail's file name of a picture: "shot-1.jpg" -> "shot-1.thumb.jpg".
std::string thumbName(std::string_view file);

} // namespace share
