// The print routine: lays a picture out on printer pages at its physical size on the screen,
// split into vertical strips with a page label each, and hands one job to the print server.
#pragma once

#include <vector>

#include <QImage>
#include <QString>

#include "output/print_layout.h"

class QPrinter;
class QWidget;

/// The routine's own messages, as the booth has always shown them.
inline constexpr const char* kNoBitmapResourceMessage
    = "Not enough resource for the bitmap. Either reduce the bitmap dimension or\nswitch to lower screen "
      "setting (e.g. 256-color mode), and try again.";
inline constexpr const char* kNoPrinterMessage = "Can not find printer. Please check installed/default printers.";
inline constexpr const char* kPrintStartMessage = "Printing error occured. Unable to find printer.";
/// The document name of every job.
inline constexpr const char* kPrintDocumentName = "Kivra Tesselwick";

struct PrintRequest {
    QString printer; ///< queue name; empty = the default printer
    int copies = 1; ///< 1 to 10
    int fromPage = 0; ///< 1-based range when the print dialog is not shown; 0 = every page
    int toPage = 0;
    bool askUser = true; ///< show the print dialog (through the prompts seam)
    bool showMessages = true; ///< tell the user of failures and ask about a printer needing attention
    bool printWhenAttention = false; ///< without messages: print to a paused printer anyway
};

struct PrintResult {
    bool printed = false; ///< a job was handed to the server
    bool cancelled = false; ///< the user said no (print dialog or printer warning)
    int jobId = 0;
    QString printer;
    int pageCount = 0; ///< N of the labels
    std::vector<int> pages; ///< the pages printed (1-based)
    QString error; ///< what went wrong, as shown to the user
};

/// Selects queue name on printer with the queue's default paper.
void UsePrinter(QPrinter& printer, const QString& name);
/// The surface of printer as seen from requester's screen (96 dpi without a window).
PrintSurface SurfaceOf(const QPrinter& printer, const QWidget* requester);

/// Prints bitmap (left intact). A null bitmap does nothing. Failures are told through the prompts
/// seam (when request.showMessages) and returned in error; nothing is printed then.
PrintResult PrintBitmap(QWidget* requester, const QImage& bitmap, const PrintRequest& request = {});
