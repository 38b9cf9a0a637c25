// The print routine: printer and page geometry from Qt Print Support (the CUPS queue's PPD), the
// page split of print_layout, rendering into a PDF and submission through libcups so the job id
// and the server's answer are known.
#include "output/print_routine.h"

#include <algorithm>

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include "output/printer_queue.h"
#include "platform/prompts.h"

namespace {

void tell(const PrintRequest& request, QWidget* requester, const QString& text, PrintResult& result,
    unsigned style = platform::MbOk | platform::MbIconError)
{
    result.error = text;
    if (request.showMessages)
        platform::prompts().messageBox(requester, text, style, QString::fromLatin1(kPrintDocumentName));
}

bool printerExists(const QString& name)
{
    return !name.isEmpty() && !QPrinterInfo::printerInfo(name).isNull();
}

} // namespace

void UsePrinter(QPrinter& printer, const QString& name)
{
    // Qt keeps the page size of the previous printer (or of the locale) whenever the new one
    // also offers it; the booth prints on the paper the printer has loaded.
    printer.setPrinterName(name);
    const QPageSize paper = QPrinterInfo(printer).defaultPageSize();
    if (paper.isValid())
        printer.setPageSize(paper);
}

PrintSurface SurfaceOf(const QPrinter& printer, const QWidget* requester)
{
    PrintSurface s;
    const QRectF mm = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    s.printableWidthMm = mm.width();
    s.printableHeightMm = mm.height();
    const QRectF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter);
    s.paperWidthMm = paper.width();
    s.paperHeightMm = paper.height();
    s.marginLeftMm = mm.left();
    s.marginTopMm = mm.top();
    s.printerDpiX = printer.logicalDpiX();
    s.printerDpiY = printer.logicalDpiY();
    if (requester) {
        s.screenDpiX = requester->logicalDpiX();
        s.screenDpiY = requester->logicalDpiY();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        s.screenDpiX = qRound(screen->logicalDotsPerInchX());
        s.screenDpiY = qRound(screen->logicalDotsPerInchY());
    }
    return s;
}

PrintResult PrintBitmap(QWidget* requester, const QImage& bitmap, const PrintRequest& request)
{
    PrintResult result;
    if (bitmap.isNull())
        return result;

    // The strips are copied out of one opaque picture; a picture too large to convert stops here.
    const QImage picture
        = bitmap.format() == QImage::Format_RGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_RGB32);
    if (picture.isNull()) {
        tell(request, requester, QString::fromLatin1(kNoBitmapResourceMessage), result);
        return result;
    }

    QString name = request.printer.isEmpty() ? DefaultPrinterName() : request.printer;
    if (!name.isEmpty() && !printerExists(name)) {
        tell(request, requester, QString::fromLatin1(kNoPrinterMessage), result);
        return result;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromLatin1(kPrintDocumentName));
    printer.setFullPage(false);
    if (!name.isEmpty())
        UsePrinter(printer, name);
    printer.setCopyCount(std::clamp(request.copies, 1, 10));

    // Without any printer there are no pages; the dialog still opens and confirming it fails below.
    PrintPlan plan = name.isEmpty() ? PrintPlan {} : PlanPrint(picture.size(), SurfaceOf(printer, requester));
    int from = request.fromPage;
    int to = request.toPage;
    if (request.askUser) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(plan.pageCount > 0 ? 1 : 0, plan.pageCount);
        if (!platform::prompts().printSetup(requester, printer)) {
            result.cancelled = true;
            return result;
        }
        name = printer.printerName();
        if (printer.printRange() == QPrinter::PageRange) {
            from = printer.fromPage();
            to = printer.toPage();
        } else {
            from = to = 0;
        }
    }
    result.printer = name;
    if (name.isEmpty() || !printerExists(name)) {
        tell(request, requester, QString::fromLatin1(kPrintStartMessage), result);
        return result;
    }
    // The printer chosen in the dialog lays the pages out.
    plan = PlanPrint(picture.size(), SurfaceOf(printer, requester));
    result.pageCount = plan.pageCount;

    // A paused or stopped queue keeps the job waiting without a word; the operator decides.
    QString healthError;
    const PrinterHealth health = QueryPrinter(name, &healthError);
    if (!health.found) {
        tell(request, requester, QStringLiteral("%1\n%2").arg(QString::fromLatin1(kPrintStartMessage), healthError),
            result);
        return result;
    }
    if (health.needsAttention()) {
        if (!health.acceptingJobs) {
            tell(request, requester, health.warning(), result);
            return result;
        }
        const bool go = request.showMessages
            ? platform::prompts().messageBox(requester, health.warning(), platform::MbYesNo | platform::MbIconWarning,
                  QString::fromLatin1(kPrintDocumentName))
                == platform::IdYes
            : request.printWhenAttention;
        if (!go) {
            result.cancelled = true;
            result.error = health.warning();
            return result;
        }
    }

    const std::vector<int> pages = PagesInRange(plan.pageCount, from, to);
    if (pages.empty()) {
        tell(request, requester,
            QStringLiteral("There is no page %1 to %2 to print; the picture has %3 page(s).")
                .arg(from)
                .arg(to)
                .arg(plan.pageCount),
            result);
        return result;
    }

    // Qt renders for the queue (its page size, printable area and resolution) into our own file;
    // libcups then hands that file over and tells the job id, or why the server refused it.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/kivra-print-XXXXXX"));
    const QString file = folder.filePath(QStringLiteral("job.prn"));
    printer.setOutputFileName(file);
    QPainter painter;
    if (!folder.isValid() || !painter.begin(&printer)) {
        tell(request, requester, QString::fromLatin1(kPrintStartMessage), result);
        return result;
    }
    bool first = true;
    for (int page : pages) {
        const PrintStrip& strip = plan.strips[size_t(page - 1)];
        if (!first)
            printer.newPage();
        first = false;
        if (strip.sourceWidth > 0 && !strip.target.isEmpty())
            painter.drawImage(strip.target, picture.copy(strip.sourceX, 0, strip.sourceWidth, picture.height()));
        painter.drawText(plan.labelPosition, PageLabel(page, plan.pageCount));
    }
    if (!painter.end()) {
        tell(request, requester, QString::fromLatin1(kPrintStartMessage), result);
        return result;
    }

    QString submitError;
    bool missing = false;
    result.jobId = SubmitPrintFile(
        name, file, QString::fromLatin1(kPrintDocumentName), printer.copyCount(), &submitError, &missing);
    if (result.jobId <= 0) {
        const QString text = missing
            ? QStringLiteral("%1\n%2").arg(QString::fromLatin1(kPrintStartMessage), submitError)
            : QStringLiteral("The picture could not be sent to the printer: %1").arg(submitError);
        tell(request, requester, text, result);
        return result;
    }
    result.printed = true;
    result.pages = pages;
    return result;
}
