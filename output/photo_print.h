// Photo prints: the sheet at full resolution on one page of photo paper (6 x 4 in, 7 x 5 in, A5,
// A4) or of the queue's own paper, fitted to the printable area, centred, aspect kept, at 300 ppi
// or more, with no page label. The queue's paper of that size is used when it has one. A print
// may carry the sheet's phone link as a QR code in a corner, beside the picture.
#pragma once

#include <functional>
#include <optional>

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSize>
#include <QString>

#include "output/print_routine.h"
#include "output/sheet_picture.h"

class QPainter;
class QWidget;

enum class PhotoPaper : int { Photo6x4 = 0, Photo7x5, A5, A4, FitPage };
inline constexpr int kPhotoPaperCount = 5;

/// "6 × 4 in photo", "7 × 5 in photo", "A5", "A4", "Fit page".
QString PhotoPaperText(PhotoPaper paper);
/// The name on the command line and in the settings: "6x4in", "7x5in", "a5", "a4", "fit".
QString PhotoPaperKey(PhotoPaper paper);
/// The paper of a name (any letter case); nullopt for an unknown name.
std::optional<PhotoPaper> PhotoPaperFromKey(const QString& key);
/// The paper's size in millimetres, short side first; empty for FitPage (the queue's paper).
QSizeF PhotoPaperSizeMm(PhotoPaper paper);

/// The least and most pixels per inch a photo print is drawn at: fewer are made up by smooth
/// resampling, more than the most are not worth the job's size.
inline constexpr double kMinPhotoPpi = 300;
inline constexpr double kMaxPhotoPpi = 600;

/// Where the picture lands on the page.
struct PhotoLayout {
    QSizeF paperMm; ///< as printed (wider than tall for a landscape page)
    QMarginsF marginsMm; ///< around the printable area
    QRectF pictureMm; ///< the picture, from the paper's top-left corner
    QSize pixels; ///< the picture's size in pixels
    double ppi = 0;
    /// The link's QR code with its quiet zone, from the paper's top-left corner, clear of the
    /// picture; empty when the print carries none.
    QRectF codeMm;
};

/// The side of the link's QR code (quiet zone included) on a paper: small, but with modules of
/// 0.4 mm or more, which a phone reads from a hand's length.
double PrintCodeSideMm(QSizeF paperMm);

/// Fits a picture whose full resolution is fullSize into the printable area of paperMm (already
/// turned as it prints) inside marginsMm: centred, aspect kept, drawn at the full resolution's
/// pixels per inch within kMinPhotoPpi..kMaxPhotoPpi. Empty pixels when nothing fits. withCode
/// keeps the printable area's bottom-right corner free for the link's code: the picture moves
/// aside (and shrinks only when the paper has no room to spare) and codeMm says where it goes.
PhotoLayout LayoutPhoto(QSize fullSize, QSizeF paperMm, QMarginsF marginsMm, bool withCode = false);

struct PhotoPrintRequest {
    PhotoPaper paper = PhotoPaper::Photo6x4;
    QString printer; ///< queue name; empty = the default printer
    int copies = 1; ///< 1 to 10
    bool askUser = false; ///< show the print dialog (through the prompts seam) to pick the queue
    bool showMessages = true; ///< tell the user of failures and ask about a printer needing attention
    bool printWhenAttention = false; ///< without messages: print to a paused printer anyway
    /// The phone link to print as a QR code in a corner, asked for once the queue is chosen and
    /// checked (publishing the sheet may take a moment). Null, or an empty answer: no code.
    std::function<QString()> link;
};

/// A photo print made ready on the user-interface thread: the queue chosen and checked, the
/// paper and where the picture lands.
struct PhotoJob {
    bool ready = false; ///< false: result tells why (an error, or cancelled)
    PrintResult result;
    QString printer;
    int copies = 1;
    QPageSize pageSize;
    QPageLayout::Orientation orientation = QPageLayout::Landscape;
    PhotoLayout layout;
    QString media; ///< the queue's own name of the paper when it has it; empty otherwise
    QString link; ///< drawn as a QR code at layout.codeMm; empty: none
};

/// Lays a picture of fullSize out on the paper of queue printer (its own paper of that size and
/// the margins it needs there), without asking anything or checking the queue's state. Needs the
/// user-interface thread. Empty pixels when the queue is unknown.
PhotoJob PlanPhotoJob(const QString& printer, PhotoPaper paper, QSize fullSize, bool withCode = false);
/// Chooses and checks the queue and lays a picture of fullSize out on the paper. Needs the
/// user-interface thread (printer objects, the print dialog, messages).
PhotoJob PreparePhotoPrint(QWidget* requester, QSize fullSize, const PhotoPrintRequest& request);
/// Draws the sheet at the job's pixels over white paper (with the link's code when the job has
/// one) into one PDF page and hands it to the queue. Safe on any thread; tells nobody, the
/// result says what happened.
PrintResult SendPhotoPrint(const PhotoJob& job, const SheetPicture& sheet);
/// Draws text's QR code into target (device units): white, with black modules in whole runs.
/// False (nothing drawn) when the text does not fit in a QR code.
bool DrawPrintCode(QPainter& painter, const QRectF& target, const QString& text);
/// Both; the drawing and sending run off the window's thread while it keeps painting when a
/// requester is given. Failures are told through the prompts seam when request.showMessages.
PrintResult PrintPhoto(QWidget* requester, const SheetPicture& sheet, const PhotoPrintRequest& request);
