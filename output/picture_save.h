// Saving the booth's sheet as a picture file: the sheet over a backdrop at the output sizes,
// the file types of the save dialog and the write itself. No widgets: the save dialog and
// kivra-project save share it.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "output/sheet_picture.h"

/// The backdrop and preview size.
inline constexpr int kBackdropWidth = 530;
inline constexpr int kBackdropHeight = 400;

/// The size lines of the save dialog: 0 "1024 X 768 (Hight Quality)", 1 "528 X 400 (Low Quality)",
/// 2 "Full resolution (W X H)".
inline constexpr int kSaveLineFull = 2;
/// The text of a size line; line 2 names the full-resolution size of the sheet.
QString SaveLineText(int line, const SheetPicture& sheet);

/// The output size of a line: 1024 x 768, 528 x 400, or the sheet's full resolution.
QSize SaveOutputSize(int line, const SheetPicture& sheet = {});

/// The save dialog's file types, as "BMP|*.bmp|JPG|*.jpg|...|".
QString SaveFileFilter();
/// The extension (without dot) of the 1-based file type index of SaveFileFilter(); "bmp" when
/// out of range.
QString SaveTypeExtension(int filterIndex);
/// path as it is when its extension names a picture format, otherwise with the chosen type's
/// extension appended ("party" and "party.txt" become "party.jpg" and "party.txt.jpg").
QString PathWithPictureExtension(const QString& path, int filterIndex);

/// The picture the save dialog writes for line: the sheet drawn at the line's size over the
/// backdrop (scaled to that size; null = white paper). Lines 0 and 1 draw the slots' pictures,
/// line 2 draws every slot from its originals. The slot rectangles alone decide where the
/// backdrop shows: black in a photo stays black. Null when the picture cannot be made.
QImage SaveComposite(const SheetPicture& sheet, const QImage& backdrop, int line);

/// Writes picture to path at its own size: the format by the path's extension, GIF through a
/// 16-bit reduction, ".jpg" at 24 bits and quality 99. The file is replaced only when the whole
/// picture was written. False with *error naming the file and the reason otherwise.
bool SavePictureFile(const QImage& picture, const QString& path, QString* error = nullptr);
