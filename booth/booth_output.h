// BoothOutput: what leaves the booth. The save picture and print dialogs on the sheet of all
// slots, the guests' one-touch print of kiosk mode with its limit per sheet, the printer watch
// behind the Print button's mark, and opening and saving projects.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include "booth/booth_notice.h"
#include "output/printer_watch.h"

struct AppPaths;
struct BoothSettings;
class DlgPrint;
class DlgSavePicture;
struct JobStatus;
class QWidget;
class SheetPublisher;
class SheetSession;

class BoothOutput : public QObject {
    Q_OBJECT
public:
    BoothOutput(BoothSettings& settings, AppPaths& paths, SheetSession& session, QObject* parent = nullptr);

    void setDialogParent(QWidget* parent) { m_parent = parent; }
    /// Kiosk mode: Print is the guests' one-touch print.
    void setGuestMode(bool on) { m_guestMode = on; }
    /// Where saved and printed sheets are also published (not owned; null: nowhere).
    void setPublisher(SheetPublisher* publisher) { m_publisher = publisher; }

    /// The two dialogs on the sheet as it is now (owned by the caller).
    DlgSavePicture* createSaveDialog(QWidget* parent);
    DlgPrint* createPrintDialog(QWidget* parent);
    /// Save picture: the save dialog, run modally.
    void save();
    /// Print: the print dialog, or in kiosk mode the guests' one-touch print.
    void print();
    /// The sheet on the operator's photo paper with the operator's copies, without a dialog, at
    /// most MaxPrintsPerSheet times per sheet; what happens is told on notices (key "print", and
    /// "printed" when the job ends). Whether a job was handed to the printer.
    bool guestPrint();
    /// How often the sheet as it is now was printed by the guests.
    int guestPrintsOfSheet() const;

    /// Starts watching the default printer (once); printerWatchStarted tells the screen.
    PrinterWatch* startPrinterWatch();
    PrinterWatch* printerWatch() const { return m_printerWatch; }

    /// Asks for a project file; the chosen one becomes the program's project. Empty when none.
    QString chooseProject();
    void saveProject();

signals:
    void printerWatchStarted(PrinterWatch* watch);
    void notice(const BoothNotice& notice);

private:
    void onJobFinished(const JobStatus& status);
    void published();

    BoothSettings& m_settings;
    AppPaths& m_paths;
    SheetSession& m_session;
    QWidget* m_parent = nullptr;
    SheetPublisher* m_publisher = nullptr;
    PrinterWatch* m_printerWatch = nullptr;
    bool m_guestMode = false;
    bool m_guestPrinting = false;
    int m_guestPrints = 0; ///< prints of m_guestPrintedSheet
    QString m_guestPrintedSheet;
    QList<int> m_guestJobs; ///< jobs of the one-touch print still followed
};
