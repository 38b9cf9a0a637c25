// Saving the booth's sheet as a picture file: the composite over a backdrop, the output sizes,
// the file types of the save dialog and the write itself. No widgets: the save dialog and
// kivra-project save share it.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

/// The backdrop and composite size.
inline constexpr int kBackdropWidth = 530;
inline constexpr int kBackdropHeight = 400;

/// The output size of size line 0 ("1024 X 768 (Hight Quality)") or 1 ("528 X 400 (Low Quality)").
QSize SaveOutputSize(int line);

/// The save dialog's file types, as "BMP|*.bmp|JPG|*.jpg|...|".
QString SaveFileFilter();
/// The extension (without dot) of the 1-based file type index of SaveFileFilter(); "bmp" when
/// out of range.
QString SaveTypeExtension(int filterIndex);
/// path as it is when its extension names a picture format, otherwise with the chosen type's
/// extension appended ("party" and "party.txt" become "party.jpg" and "party.txt.jpg").
QString PathWithPictureExtension(const QString& path, int filterIndex);

/// The composite: picture scaled to 530 × 400 pasted over backdrop (scaled to 530 × 400 when it
/// has another size), leaving out the picture's pixels of its centre colour (column 265, row 200
/// from the bottom). Null when either picture is null.
QImage ComposeOnBackdrop(const QImage& picture, const QImage& backdrop);

/// Writes composite to path at the size of line: the format by the path's extension, GIF through
/// a 16-bit reduction, ".jpg" at 24 bits and quality 99. The file is replaced only when the whole
/// picture was written. False with *error naming the file and the reason otherwise.
bool SaveComposite(const QImage& composite, const QString& path, int line, QString* error = nullptr);
