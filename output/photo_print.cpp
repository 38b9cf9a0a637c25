// Photo prints: choosing the paper (the queue's own when it matches), laying the picture out,
// drawing it into one PDF page and handing that to the print server.
#include "output/photo_print.h"

#include <algorithm>
#include <cmath>

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QWidget>

#include "app/booth_settings.h"
#include "output/printer_queue.h"
#include "platform/long_operation.h"
#include "platform/prompts.h"
#include "share/qr_code.h"

namespace {

constexpr double kMmPerInch = 25.4;
/// Sizes of the same paper differ by rounding between millimetres and points.
constexpr double kSameSizeMm = 1.5;
/// The PDF's coordinates: fine enough that the picture's edges land within a hair of the plan.
constexpr int kPdfResolution = 1200;
/// The link's code (its quiet zone included) keeps this far from the paper's edges: borderless
/// printing trims them. Its own quiet zone keeps it clear of the picture.
constexpr double kCodeEdgeMm = 1.5;

// The papers' sizes in the order of kPhotoPaperNames (their names and texts), short side first.
const QSizeF kPaperSizesMm[kPhotoPaperCount] = {
    QSizeF(4 * kMmPerInch, 6 * kMmPerInch), QSizeF(5 * kMmPerInch, 7 * kMmPerInch), QSizeF(148, 210), QSizeF(210, 297),
    QSizeF(), // the queue's own paper
};
static_assert(std::size(kPhotoPaperNames) == kPhotoPaperCount);

int indexOf(PhotoPaper paper)
{
    return std::clamp(int(paper), 0, kPhotoPaperCount - 1);
}

void tell(bool show, QWidget* requester, const QString& text, PrintResult& result,
    unsigned style = platform::MbOk | platform::MbIconError)
{
    result.error = text;
    if (show)
        platform::prompts().messageBox(requester, text, style, QString::fromLatin1(kPrintDocumentName));
}

bool sameSize(const QSizeF& a, const QSizeF& b)
{
    const double a0 = std::min(a.width(), a.height()), a1 = std::max(a.width(), a.height());
    const double b0 = std::min(b.width(), b.height()), b1 = std::max(b.width(), b.height());
    return std::abs(a0 - b0) <= kSameSizeMm && std::abs(a1 - b1) <= kSameSizeMm;
}

/// The page size for the paper on printer: the queue's own size when it has one of those
/// dimensions (media gets its name), else an exact custom size.
QPageSize pageSizeFor(PhotoPaper paper, const QPrinter& printer, QString* media)
{
    media->clear();
    const QPrinterInfo info(printer);
    if (paper == PhotoPaper::FitPage) {
        QPageSize own = info.isNull() ? QPageSize() : info.defaultPageSize();
        if (!own.isValid())
            own = printer.pageLayout().pageSize();
        return own;
    }
    const QSizeF mm = kPaperSizesMm[indexOf(paper)];
    if (!info.isNull()) {
        for (const QPageSize& size : info.supportedPageSizes()) {
            if (size.isValid() && sameSize(size.size(QPageSize::Millimeter), mm)) {
                *media = size.key();
                return size;
            }
        }
    }
    return QPageSize(mm, QPageSize::Millimeter, PhotoPaperText(paper), QPageSize::ExactMatch);
}

/// Turns the page as the picture lies and reads the queue's printable area for it.
void layoutOn(QPrinter& printer, PhotoPaper paper, QSize fullSize, PhotoJob& job, bool withCode)
{
    job.pageSize = pageSizeFor(paper, printer, &job.media);
    job.orientation = fullSize.width() >= fullSize.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    const QRectF full = QPageLayout(job.pageSize, job.orientation, QMarginsF()).fullRect(QPageLayout::Millimeter);
    QMarginsF margins;
    // The queue's own paper comes with the least margins it needs there (none on borderless
    // photo paper); a size of our own is printed to its edges and left to the printer.
    if (!job.media.isEmpty() || paper == PhotoPaper::FitPage) {
        printer.setPageOrientation(job.orientation);
        if (printer.setPageSize(job.pageSize) && printer.pageLayout().pageSize().isEquivalentTo(job.pageSize)) {
            const QPageLayout current = printer.pageLayout();
            const QPageLayout least(current.pageSize(), job.orientation, current.minimumMargins(), current.units());
            const QRectF paperRect = least.fullRect(QPageLayout::Millimeter);
            const QRectF paint = least.paintRect(QPageLayout::Millimeter);
            margins = QMarginsF(paint.left() - paperRect.left(), paint.top() - paperRect.top(),
                paperRect.right() - paint.right(), paperRect.bottom() - paint.bottom());
        }
    }
    job.layout = LayoutPhoto(fullSize, full.size(), margins, withCode);
}

} // namespace

QString PhotoPaperText(PhotoPaper paper)
{
    return QString::fromUtf8(kPhotoPaperNames[indexOf(paper)].text);
}

QString PhotoPaperKey(PhotoPaper paper)
{
    return QString::fromLatin1(kPhotoPaperNames[indexOf(paper)].key);
}

std::optional<PhotoPaper> PhotoPaperFromKey(const QString& key)
{
    for (int i = 0; i < kPhotoPaperCount; ++i)
        if (key.trimmed().compare(QLatin1String(kPhotoPaperNames[i].key), Qt::CaseInsensitive) == 0)
            return PhotoPaper(i);
    return std::nullopt;
}

QSizeF PhotoPaperSizeMm(PhotoPaper paper)
{
    return kPaperSizesMm[indexOf(paper)];
}

double PrintCodeSideMm(QSizeF paperMm)
{
    return std::clamp(0.16 * std::min(paperMm.width(), paperMm.height()), 16.0, 26.0);
}

PhotoLayout LayoutPhoto(QSize fullSize, QSizeF paperMm, QMarginsF marginsMm, bool withCode)
{
    PhotoLayout layout;
    layout.paperMm = paperMm;
    layout.marginsMm = marginsMm;
    const double areaW = paperMm.width() - marginsMm.left() - marginsMm.right();
    const double areaH = paperMm.height() - marginsMm.top() - marginsMm.bottom();
    if (fullSize.isEmpty() || areaW <= 0 || areaH <= 0)
        return layout;
    // Where the picture may lie: the printable area, less a strip at the right or at the bottom
    // for the code, whichever leaves the picture larger (on photo paper the sheet's aspect
    // usually leaves such a strip free anyway).
    QRectF room(marginsMm.left(), marginsMm.top(), areaW, areaH);
    if (withCode) {
        const double side = PrintCodeSideMm(paperMm);
        const double insetX = std::max(0.0, kCodeEdgeMm - marginsMm.right());
        const double insetY = std::max(0.0, kCodeEdgeMm - marginsMm.bottom());
        const QRectF code(room.right() - insetX - side, room.bottom() - insetY - side, side, side);
        const double stripX = side + insetX, stripY = side + insetY;
        const double kRight = std::min((areaW - stripX) / fullSize.width(), areaH / fullSize.height());
        const double kBelow = std::min(areaW / fullSize.width(), (areaH - stripY) / fullSize.height());
        if (std::max(kRight, kBelow) > 0 && code.left() >= 0 && code.top() >= 0) {
            if (kRight >= kBelow)
                room.setWidth(areaW - stripX);
            else
                room.setHeight(areaH - stripY);
            layout.codeMm = code;
        }
    }
    const double k = std::min(room.width() / fullSize.width(), room.height() / fullSize.height());
    const double w = fullSize.width() * k;
    const double h = fullSize.height() * k;
    layout.pictureMm = QRectF(room.left() + (room.width() - w) / 2, room.top() + (room.height() - h) / 2, w, h);
    const double nativePpi = fullSize.width() / (w / kMmPerInch);
    layout.ppi = std::clamp(nativePpi, kMinPhotoPpi, kMaxPhotoPpi);
    // Whole pixels, rounded up so the least is never undercut.
    layout.pixels
        = QSize(int(std::ceil(w / kMmPerInch * layout.ppi - 1e-6)), int(std::ceil(h / kMmPerInch * layout.ppi - 1e-6)));
    return layout;
}

PhotoJob PlanPhotoJob(const QString& printer, PhotoPaper paper, QSize fullSize, bool withCode)
{
    PhotoJob job;
    if (printer.isEmpty() || QPrinterInfo::printerInfo(printer).isNull())
        return job;
    QPrinter device(QPrinter::HighResolution);
    UsePrinter(device, printer);
    layoutOn(device, paper, fullSize, job, withCode);
    job.printer = printer;
    return job;
}

PhotoJob PreparePhotoPrint(QWidget* requester, QSize fullSize, const PhotoPrintRequest& request)
{
    PhotoJob job;
    PrintResult& result = job.result;
    const bool show = request.showMessages;
    QString name = request.printer.isEmpty() ? DefaultPrinterName() : request.printer;
    if (name.isEmpty() || QPrinterInfo::printerInfo(name).isNull()) {
        tell(show, requester, QString::fromLatin1(kNoPrinterMessage), result);
        return job;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromLatin1(kPrintDocumentName));
    UsePrinter(printer, name);
    printer.setCopyCount(std::clamp(request.copies, 1, 10));
    const bool withCode = bool(request.link);
    layoutOn(printer, request.paper, fullSize, job, withCode);
    if (request.askUser) {
        printer.setPrintRange(QPrinter::AllPages);
        printer.setFromTo(1, 1);
        if (!platform::prompts().printSetup(requester, printer)) {
            result.cancelled = true;
            return job;
        }
        // Another queue may have been chosen: its papers and margins count.
        name = printer.printerName();
        if (name.isEmpty() || QPrinterInfo::printerInfo(name).isNull()) {
            tell(show, requester, QString::fromLatin1(kPrintStartMessage), result);
            return job;
        }
        layoutOn(printer, request.paper, fullSize, job, withCode);
    }
    job.printer = name;
    job.copies = std::clamp(printer.copyCount(), 1, 10);
    result.printer = name;
    result.pageCount = 1;
    if (job.layout.pixels.isEmpty()) {
        tell(show, requester, QStringLiteral("The printer's paper has no room for the picture."), result);
        return job;
    }

    QString healthError;
    const PrinterHealth health = QueryPrinter(name, &healthError);
    if (!health.found) {
        tell(show, requester, QStringLiteral("%1\n%2").arg(QString::fromLatin1(kPrintStartMessage), healthError),
            result);
        return job;
    }
    if (health.needsAttention()) {
        if (!health.acceptingJobs) {
            tell(show, requester, health.warning(), result);
            return job;
        }
        const bool go = show ? platform::prompts().messageBox(requester, health.warning(),
                                   platform::MbYesNo | platform::MbIconWarning, QString::fromLatin1(kPrintDocumentName))
                == platform::IdYes
                             : request.printWhenAttention;
        if (!go) {
            result.cancelled = true;
            result.error = health.warning();
            return job;
        }
    }
    if (withCode) {
        // Asked only now, so a print that was cancelled or refused publishes nothing. Without a
        // link the picture takes the corner back.
        job.link = request.link();
        if (job.link.isEmpty() && !job.layout.codeMm.isEmpty())
            job.layout = LayoutPhoto(fullSize, job.layout.paperMm, job.layout.marginsMm);
    }
    job.ready = true;
    return job;
}

PrintResult SendPhotoPrint(const PhotoJob& job, const SheetPicture& sheet)
{
    PrintResult result = job.result;
    if (!job.ready)
        return result;
    const QImage picture = sheet.compose(job.layout.pixels, QImage(), kPaperWhite, true);
    if (picture.isNull()) {
        result.error = QStringLiteral("The picture of %1 x %2 pixels could not be made (not enough memory).")
                           .arg(job.layout.pixels.width())
                           .arg(job.layout.pixels.height());
        return result;
    }

    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/kivra-print-XXXXXX"));
    const QString file = folder.filePath(QStringLiteral("photo.pdf"));
    {
        QPdfWriter writer(file);
        writer.setTitle(QString::fromLatin1(kPrintDocumentName));
        writer.setCreator(QString::fromLatin1(kPrintDocumentName));
        writer.setResolution(kPdfResolution);
        // The whole sheet of paper: the margins are already in the picture's place.
        writer.setPageLayout(QPageLayout(job.pageSize, job.orientation, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!folder.isValid() || !painter.begin(&writer)) {
            result.error = QString::fromLatin1(kPrintStartMessage);
            return result;
        }
        const double k = kPdfResolution / kMmPerInch;
        const QRectF& r = job.layout.pictureMm;
        painter.drawImage(QRectF(r.left() * k, r.top() * k, r.width() * k, r.height() * k), picture);
        const QRectF& c = job.layout.codeMm;
        if (!job.link.isEmpty() && !c.isEmpty())
            DrawPrintCode(painter, QRectF(c.left() * k, c.top() * k, c.width() * k, c.height() * k), job.link);
        if (!painter.end()) {
            result.error = QString::fromLatin1(kPrintStartMessage);
            return result;
        }
    }

    QList<PrintOption> options;
    if (!job.media.isEmpty())
        options.append({ QByteArray("media"), job.media.toUtf8() });
    QString submitError;
    bool missing = false;
    result.jobId = SubmitPrintFile(
        job.printer, file, QString::fromLatin1(kPrintDocumentName), job.copies, &submitError, &missing, options);
    if (result.jobId <= 0) {
        result.error = missing ? QStringLiteral("%1\n%2").arg(QString::fromLatin1(kPrintStartMessage), submitError)
                               : QStringLiteral("The picture could not be sent to the printer: %1").arg(submitError);
        return result;
    }
    result.printed = true;
    result.pages = { 1 };
    return result;
}

bool DrawPrintCode(QPainter& painter, const QRectF& target, const QString& text)
{
    const QrCode code = QrCode::encode(text.toUtf8());
    if (code.isNull() || target.isEmpty())
        return false;
    const double module = target.width() / code.sizeWithQuietZone();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(target, Qt::white);
    // Vector modules stay sharp at any printer resolution.
    painter.fillPath(code.darkPath(target.topLeft(), module), Qt::black);
    painter.restore();
    return true;
}

PrintResult PrintPhoto(QWidget* requester, const SheetPicture& sheet, const PhotoPrintRequest& request)
{
    const PhotoJob job = PreparePhotoPrint(requester, sheet.fullResolutionSize(), request);
    if (!job.ready)
        return job.result;
    PrintResult result;
    if (requester) {
        QPointer<QWidget> guard(requester);
        if (!platform::runWhileDispatching(requester, [&] { result = SendPhotoPrint(job, sheet); }) || !guard)
            return result;
    } else {
        result = SendPhotoPrint(job, sheet);
    }
    if (!result.printed && request.showMessages)
        platform::prompts().messageBox(
            requester, result.error, platform::MbOk | platform::MbIconError, QString::fromLatin1(kPrintDocumentName));
    return result;
}
