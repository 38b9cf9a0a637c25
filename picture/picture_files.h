// The one table of picture-file extensions used by every browser, strip and save filter.
#pragma once

#include <QString>
#include <QStringList>

/// The format id of a file name by its ending (case-insensitive; "wbmp" wins over "bmp"),
/// 0 when it names no picture format the booth reads.
int PictureFormatFromName(const QString& fileName);
/// True when PictureFormatFromName gives a format.
bool IsPictureFile(const QString& fileName);
/// True when the text after the last "." of the file name is an extension the image container
/// knows (its three-letter comparison, so "jpeg" and "jfif" count); false without an extension.
bool HasImageExtension(const QString& path);
/// The usual extension of a format id, without dot ("jpg" for 3); empty for an unknown id.
QString ExtensionForFormat(int formatId);
/// Name filters ("*.bmp", "*.jpg", ...) of every picture ending, for folder listings and pickers.
QStringList PictureNameFilters();
