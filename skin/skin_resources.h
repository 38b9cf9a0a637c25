// Access to the embedded skin bitmaps by resource id or by name, and the skin values every
// skinned control shares (prepared once per process).
#pragma once

#include <string_view>

#include <QColor>
#include <QImage>

#include "skin/skin_resource_table.h"

namespace skin {

/// The bitmap of a numbered resource; a null image when the id is unknown or 0.
QImage SkinBitmap(int id);
/// The bitmap called name in the skin table; a null image when there is none.
QImage SkinBitmap(std::string_view name);
/// The resource path (":/skin/<name>.png") of id, or an empty string.
QString skinResourcePath(int id);

/// The two line colours shared by the skinned lists (0xC8C8C8 and 0xB4B4B4 by default).
struct SkinColours {
    QColor line1 = QColor(0xC8, 0xC8, 0xC8);
    QColor line2 = QColor(0xB4, 0xB4, 0xB4);
};
const SkinColours& skinColours();

/// Loads the shared skin bitmaps once; cheap when called again.
void prepareSkin();

/// A platform colour value 0x00BBGGRR as a QColor.
inline QColor fromColorRef(unsigned ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

} // namespace skin
