// DlgPrint: the print dialog. The user picks the printed size of the sheet (a preset line, a
// freely dragged size box, or a photo paper on which the sheet prints at full resolution), the
// copies, sees the printer's state and where the pages split, and prints as often as wanted; the
// dialog stays open after each print.
#pragma once

#include <functional>

#include <QImage>
#include <QPointer>
#include <QRect>

#include "output/photo_print.h"
#include "output/print_routine.h"
#include "output/printer_queue.h"
#include "output/sheet_picture.h"
#include "output/size_box.h"
#include "skin/skin_window.h"

class CPagePreview;
class CPictureFrame;
class CxSkinButton;
class PrinterWatch;
class SkComboBox;
class SkStatic;
class QPrinter;
struct BoothSettings;

class DlgPrint : public skin::SkinDialog {
    Q_OBJECT
public:
    enum ControlIds {
        kPictureId = 1094,
        kPrintId = 1,
        kCancelId = 2,
        kCloseId = 1175,
        kWidthTextId = 1220,
        kHeightTextId = 1221,
        kSizeListId = 1222,
        kCopiesId = 1223,
        kPrinterStateId = 1224,
        kPagePreviewId = 1225,
    };
    enum Result { IdOk = 1, IdCancel = 2 };
    static constexpr QRect kStartFrame { 206, 140, 364, 274 };
    /// The column of miniature pages, right of the largest preview box.
    static constexpr QRect kPagePreviewRect { 690, 60, 82, 462 };

    /// The first line of the photo papers in the size list (lines 0 to 3 are the classic sizes).
    static constexpr int kFirstPhotoLine = 4;
    static constexpr int kLineCount = kFirstPhotoLine + kPhotoPaperCount;
    static bool isPhotoLine(int line) { return line >= kFirstPhotoLine && line < kLineCount; }
    static PhotoPaper paperOfLine(int line) { return PhotoPaper(line - kFirstPhotoLine); }

    /// sheet: the used slots (copied); the classic lines print them on white paper at 364 x 276,
    /// the photo papers at full resolution. The width and height texts show the size in pixels
    /// that Print sends.
    DlgPrint(const SheetPicture& sheet, const BoothSettings& settings, QWidget* parent = nullptr);
    /// A picture printed as it is (it stands for the whole sheet).
    DlgPrint(const QImage& picture, const BoothSettings& settings, QWidget* parent = nullptr);
    ~DlgPrint() override;

    /// The queue to print to and to watch; empty (the default) = the default printer.
    void setPrinterName(const QString& name);
    /// Photo papers print the sheet's phone link as a QR code in a corner: source gives it when a
    /// print goes (null: no code). The page preview keeps the corner for it.
    void setLinkSource(std::function<QString()> source);
    QString printerName() const { return m_printerName; }

    int result() const { return QDialog::result(); }
    // ---- State, for the caller and tests ----
    int sizeLine() const;
    int copies() const;
    QString widthText() const;
    QString heightText() const;
    QRect sizeBox() const { return m_box.rect(); }
    /// The picture resampled to the chosen size; null until a size was chosen.
    const QImage& sizedPicture() const { return m_sized; }
    const QImage& picture() const { return m_picture; }
    CPictureFrame* pictureFrame() const { return m_frame; }
    CPagePreview* pagePreview() const { return m_pagePreview; }
    /// The last print's outcome and how many jobs were handed to the server.
    const PrintResult& lastPrint() const { return m_lastPrint; }
    int jobsSent() const { return m_jobsSent; }
    PrinterWatch* watch() const { return m_watch; }
    /// The printer line as shown ("booth: idle, no jobs waiting").
    QString printerStateText() const;
    /// The photo paper's layout as the last photo line planned it (empty pixels before).
    const PhotoLayout& photoLayout() const { return m_photoJob.layout; }

    // ---- Commands ----
    void OnSizeList(int line);
    void setCopies(int copies);
    /// Print (button 1): once per call, queued behind a print still running.
    void OnPrint();
    /// Moves the size box to r as a finished drag does (frame, sized picture, texts).
    void applySizeBox(const QRect& r);

public slots:
    void reject() override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    DlgPrint(const SheetPicture& sheet, const QImage& picture, const BoothSettings& settings, QWidget* parent);
    void printOnce();
    void showHealth(const PrinterHealth& health);
    void onJobFinished(const JobStatus& status);
    /// Asks the printer for its page once (a printer object is slow to make; a drag must not wait).
    void refreshSurface();
    void updatePageSplits();
    void setSizeTexts(int w, int h);
    /// Lays the sheet out on the chosen photo paper of the watched queue and shows it.
    void showPhotoLine(int line);

    SheetPicture m_sheet;
    PhotoJob m_photoJob;
    std::function<QString()> m_linkSource;
    QImage m_picture;
    QImage m_sized;
    CSizeBox m_box;
    CSizeBox::Hit m_dragHit = CSizeBox::HitNothing;
    QPoint m_dragStart;
    QRect m_dragFrom;
    CPictureFrame* m_frame;
    CPagePreview* m_pagePreview;
    PrintSurface m_surface;
    QString m_surfacePrinter; ///< the queue m_surface is of; empty: no printer
    bool m_surfaceAsked = false;
    SkStatic* m_widthText;
    SkStatic* m_heightText;
    SkStatic* m_printerState;
    SkComboBox* m_sizeList;
    SkComboBox* m_copies;
    CxSkinButton* m_printButton;
    PrinterWatch* m_watch;
    QString m_printerName;
    PrintResult m_lastPrint;
    int m_jobsSent = 0;
    bool m_printing = false;
    int m_pendingPrints = 0;
};
