// DlgPrint: size lines, the dragged size box, copies, the printer's state, and Print.
#include "output/dlg_print.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QTimer>

#include "app/booth_settings.h"
#include "output/page_preview.h"
#include "output/photo_print.h"
#include "output/picture_frame.h"
#include "output/printer_watch.h"
#include "picture/bitmap_scale.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "skin/skin_buttons.h"
#include "skin/sk_combo_box.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace {

struct SizeLine {
    const char* text;
    QRect box; ///< preview box; empty = unchanged
    QSize printed;
};

// Line 3 previews at 60 %: the box is 614 × 460 while 1024 × 768 pixels are printed.
const SizeLine kSizeLines[] = {
    { "Current size", {}, {} },
    { "320 X 240", QRect(QPoint(70, 60), QPoint(389, 299)), QSize(320, 240) },
    { "528 X 400", QRect(QPoint(70, 60), QPoint(597, 459)), QSize(528, 400) },
    { "1024 X 768 (60%)", QRect(QPoint(70, 60), QPoint(683, 519)), QSize(1024, 768) },
};

CxSkinButton* textButton(QWidget* parent, int id, const QString& text, bool primary, QRect r)
{
    return skin::MakeTextButton(parent, id, text, primary, r, 80);
}

SkStatic* label(QWidget* parent, int id, QRect r, Qt::Alignment align, int pixelSize = 13)
{
    auto* s = new SkStatic(parent);
    s->setGeometry(r);
    s->setAlignment(align);
    s->setTextColor(QColor(skin::theme::kPaper));
    s->setFont(skin::theme::captionFont(pixelSize));
    platform::setControlId(s, id);
    return s;
}

/// Where the link's code will be printed: its three corner squares on white, outlined as a
/// place (the link exists only once the print goes).
void paintCodePlace(QPainter& p, const QRectF& place)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(place, Qt::white);
    p.setPen(QPen(QColor(skin::theme::kMarigold), 1, Qt::DashLine));
    p.drawRect(place.adjusted(0.5, 0.5, -0.5, -0.5));
    const double unit = place.width() / 41; // a link's code is about 33 modules and its quiet zone
    const QPointF corners[] = { { 4, 4 }, { 30, 4 }, { 4, 30 } };
    p.setPen(Qt::NoPen);
    for (const QPointF& c : corners) {
        const QRectF outer(place.left() + c.x() * unit, place.top() + c.y() * unit, 7 * unit, 7 * unit);
        p.setBrush(QColor(skin::theme::kInk));
        p.drawRect(outer);
        p.setBrush(Qt::white);
        p.drawRect(outer.adjusted(unit, unit, -unit, -unit));
        p.setBrush(QColor(skin::theme::kInk));
        p.drawRect(outer.adjusted(2 * unit, 2 * unit, -2 * unit, -2 * unit));
    }
    p.restore();
}

} // namespace

DlgPrint::DlgPrint(const QImage& picture, const BoothSettings& settings, QWidget* parent)
    : DlgPrint(SheetPicture::whole(picture), picture, settings, parent)
{
}

DlgPrint::DlgPrint(const SheetPicture& sheet, const BoothSettings& settings, QWidget* parent)
    // White paper shows wherever no slot is: the empty-slot artwork stays on the screen.
    : DlgPrint(sheet, sheet.compose(QSize(SheetPicture::kWidth, SheetPicture::kHeight), QImage(), kPaperWhite),
        settings, parent)
{
}

DlgPrint::DlgPrint(const SheetPicture& sheet, const QImage& picture, const BoothSettings& settings, QWidget* parent)
    : SkinDialog(parent)
    , m_sheet(sheet)
    , m_picture(picture)
    , m_watch(new PrinterWatch(this))
{
    Q_UNUSED(settings);
    using namespace skin;
    setWindowTitle(QStringLiteral("Print"));
    setSkinBackground(kPrintBackground, QSize(800, 600));
    setMouseTracking(true);

    m_frame = new CPictureFrame(this);
    m_frame->setGeometry(kStartFrame);
    m_frame->setPicture(m_picture);
    platform::setControlId(m_frame, kPictureId);
    m_box.setRect(kStartFrame);

    m_pagePreview = new CPagePreview(this);
    m_pagePreview->setGeometry(kPagePreviewRect);
    platform::setControlId(m_pagePreview, kPagePreviewId);

    m_printButton = textButton(this, kPrintId, QStringLiteral("Print"), true, QRect(567, 542, 80, 23));
    textButton(this, kCancelId, QStringLiteral("Cancel"), false, QRect(665, 542, 80, 23));
    auto* close = new CxSkinButton(this);
    close->SetSkin(kCloseNormal, kCloseOver, kCloseOver, 0, 0, 0, 1, 0, 0);
    close->setGeometry(767, 1, 25, 25);
    close->setFocusPolicy(Qt::NoFocus);
    close->SetToolTipText(QStringLiteral("Close"));
    platform::setControlId(close, kCloseId);

    m_widthText = label(this, kWidthTextId, QRect(132, 550, 42, 16), Qt::AlignCenter);
    m_heightText = label(this, kHeightTextId, QRect(188, 550, 42, 16), Qt::AlignCenter);
    // What "Current size" sends: the picture as it is.
    setSizeTexts(m_picture.width(), m_picture.height());

    m_sizeList = new SkComboBox(this);
    m_sizeList->setGeometry(388, 544, 128, 20);
    for (const SizeLine& line : kSizeLines)
        m_sizeList->addItem(QString::fromLatin1(line.text));
    for (int i = 0; i < kPhotoPaperCount; ++i)
        m_sizeList->addItem(PhotoPaperText(PhotoPaper(i)));
    m_sizeList->setToolTip(QStringLiteral("The photo papers print the sheet from the shots at full resolution"));
    m_sizeList->setCurrentIndex(0);
    platform::setControlId(m_sizeList, kSizeListId);

    m_copies = new SkComboBox(this);
    m_copies->setGeometry(284, 544, 92, 20);
    for (int n = 1; n <= 10; ++n)
        m_copies->addItem(n == 1 ? QStringLiteral("1 copy") : QStringLiteral("%1 copies").arg(n));
    m_copies->setCurrentIndex(0);
    m_copies->setToolTip(QStringLiteral("Copies to print"));
    platform::setControlId(m_copies, kCopiesId);

    m_printerState = label(this, kPrinterStateId, QRect(150, 6, 600, 18), Qt::AlignRight | Qt::AlignVCenter);
    m_printerState->setText(QStringLiteral("Asking the printer..."));

    connect(m_printButton, &QAbstractButton::clicked, this, [this] { OnPrint(); });
    connect(platform::findControl<CxSkinButton>(this, kCancelId), &QAbstractButton::clicked, this,
        [this] { done(IdCancel); });
    connect(close, &QAbstractButton::clicked, this, [this] { done(IdCancel); });
    connect(m_sizeList, &SkComboBox::selChange, this, [this] { OnSizeList(m_sizeList->currentIndex()); });
    connect(m_watch, &PrinterWatch::healthChanged, this, &DlgPrint::showHealth);
    connect(m_watch, &PrinterWatch::jobFinished, this, &DlgPrint::onJobFinished);
    m_watch->watchPrinter(m_printerName);
    // The page split needs the printer's page; ask once the window is up.
    QTimer::singleShot(0, this, [this] { updatePageSplits(); });
}

DlgPrint::~DlgPrint() = default;

void DlgPrint::setPrinterName(const QString& name)
{
    m_printerName = name;
    m_watch->watchPrinter(name);
    refreshSurface();
    updatePageSplits();
}

void DlgPrint::setLinkSource(std::function<QString()> source)
{
    m_linkSource = std::move(source);
    if (isPhotoLine(sizeLine()))
        updatePageSplits();
}

int DlgPrint::sizeLine() const
{
    return m_sizeList->currentIndex();
}

int DlgPrint::copies() const
{
    return m_copies->currentIndex() + 1;
}

void DlgPrint::setCopies(int copies)
{
    m_copies->setCurrentIndex(std::clamp(copies, 1, 10) - 1);
}

QString DlgPrint::widthText() const
{
    return m_widthText->text();
}

QString DlgPrint::heightText() const
{
    return m_heightText->text();
}

QString DlgPrint::printerStateText() const
{
    return m_printerState->text();
}

void DlgPrint::setSizeTexts(int w, int h)
{
    m_widthText->setText(QString::asprintf("%d", w));
    m_heightText->setText(QString::asprintf("%d", h));
}

void DlgPrint::reject()
{
    done(IdCancel);
}

void DlgPrint::OnSizeList(int line)
{
    if (line >= 0 && line < kLineCount && m_sizeList->currentIndex() != line)
        m_sizeList->setCurrentIndex(line);
    if (isPhotoLine(line)) {
        showPhotoLine(line);
        return;
    }
    if (line == 0) {
        // Back from a photo paper: the picture and its box as they were.
        const QImage& shown = m_sized.isNull() ? m_picture : m_sized;
        const QRect old = m_box.paintedRect();
        if (m_box.rect().isEmpty())
            m_box.setRect(m_sized.isNull() ? kStartFrame : QRect(kStartFrame.topLeft(), m_sized.size()));
        m_frame->setGeometry(QRect(m_box.rect().topLeft(), m_box.rect().size()));
        m_frame->setPicture(shown);
        setSizeTexts(shown.width(), shown.height());
        updatePageSplits();
        update(old);
        update();
        return;
    }
    if (line < 1 || line >= int(std::size(kSizeLines))) {
        update();
        return;
    }
    const SizeLine& l = kSizeLines[line];
    setSizeTexts(l.printed.width(), l.printed.height());
    const QRect old = m_box.paintedRect();
    m_box.setRect(l.box);
    m_sized = ScaleBitmap(m_picture, l.box.width(), l.box.height(), ScaleSmooth);
    m_frame->setGeometry(QRect(l.box.topLeft(), m_sized.isNull() ? l.box.size() : m_sized.size()));
    m_frame->setPicture(m_sized);
    updatePageSplits();
    update(old);
    update(m_box.paintedRect());
    update();
}

void DlgPrint::applySizeBox(const QRect& r)
{
    const QRect old = m_box.paintedRect();
    m_box.setRect(r);
    const QRect box = m_box.rect();
    if (m_sized.size() != box.size())
        m_sized = ScaleBitmap(m_picture, box.width(), box.height(), ScaleSmooth);
    m_frame->setGeometry(box);
    m_frame->setPicture(m_sized);
    setSizeTexts(box.width(), box.height());
    updatePageSplits();
    update(old);
    update(m_box.paintedRect());
}

void DlgPrint::showPhotoLine(int line)
{
    const PhotoPaper paper = paperOfLine(line);
    const QSize full = m_sheet.fullResolutionSize();
    PhotoPrintRequest request;
    request.paper = paper;
    request.printer = m_printerName;
    if (!m_surfaceAsked)
        refreshSurface();
    // Laid out on the queue's papers when there is one; otherwise on the paper alone.
    m_photoJob = PhotoJob();
    if (!m_surfacePrinter.isEmpty())
        m_photoJob = PlanPhotoJob(m_surfacePrinter, paper, full, bool(m_linkSource));
    if (m_photoJob.layout.pixels.isEmpty()) {
        const QSizeF mm = paper == PhotoPaper::FitPage ? QSizeF(210, 297) : PhotoPaperSizeMm(paper);
        m_photoJob.layout
            = LayoutPhoto(full, QSizeF(std::max(mm.width(), mm.height()), std::min(mm.width(), mm.height())),
                QMarginsF(), bool(m_linkSource));
    }
    const PhotoLayout& layout = m_photoJob.layout;
    setSizeTexts(layout.pixels.width(), layout.pixels.height());

    // The page as it will come out, in the largest preview box: paper, and the picture on it.
    const QRect area(QPoint(70, 60), QPoint(683, 519));
    const double k = std::min(area.width() / layout.paperMm.width(), area.height() / layout.paperMm.height());
    const QSize pageSize(int(layout.paperMm.width() * k), int(layout.paperMm.height() * k));
    QImage page(pageSize, QImage::Format_RGB32);
    page.fill(kPaperWhite);
    const QRectF at(layout.pictureMm.left() * k, layout.pictureMm.top() * k, layout.pictureMm.width() * k,
        layout.pictureMm.height() * k);
    const QImage shown = m_sheet.compose(at.size().toSize(), QImage(), kPaperWhite);
    {
        QPainter p(&page);
        p.drawImage(at.topLeft(), shown);
        if (!layout.codeMm.isEmpty())
            paintCodePlace(p,
                QRectF(layout.codeMm.left() * k, layout.codeMm.top() * k, layout.codeMm.width() * k,
                    layout.codeMm.height() * k));
    }
    const QRect old = m_box.paintedRect();
    m_box.setRect(QRect()); // a photo paper is not dragged
    m_frame->setGeometry(QRect(QPoint(area.left() + (area.width() - pageSize.width()) / 2,
                                   area.top() + (area.height() - pageSize.height()) / 2),
        pageSize));
    m_frame->setPicture(page);
    m_frame->setPageSplits({});

    // One page, no label, in the column of pages.
    PrintSurface surface;
    surface.printerDpiX = surface.printerDpiY = 600;
    surface.paperWidthMm = layout.paperMm.width();
    surface.paperHeightMm = layout.paperMm.height();
    surface.marginLeftMm = layout.marginsMm.left();
    surface.marginTopMm = layout.marginsMm.top();
    surface.printableWidthMm = layout.paperMm.width() - layout.marginsMm.left() - layout.marginsMm.right();
    surface.printableHeightMm = layout.paperMm.height() - layout.marginsMm.top() - layout.marginsMm.bottom();
    PrintPlan plan;
    const double px = 600 / 25.4;
    plan.pageWidth = int(surface.printableWidthMm * px);
    plan.pageHeight = int(surface.printableHeightMm * px);
    plan.scaleX = plan.scaleY = 1;
    plan.pageCount = 1;
    plan.labelled = false;
    PrintStrip strip;
    strip.sourceWidth = shown.width();
    strip.target = QRect(int((layout.pictureMm.left() - layout.marginsMm.left()) * px),
        int((layout.pictureMm.top() - layout.marginsMm.top()) * px), int(layout.pictureMm.width() * px),
        int(layout.pictureMm.height() * px));
    plan.printedHeight = strip.target.height();
    plan.strips.push_back(strip);
    m_pagePreview->setPlan(plan, surface, shown, shown.size());
    update(old);
    update();
}

void DlgPrint::refreshSurface()
{
    m_surfaceAsked = true;
    m_surfacePrinter = m_printerName.isEmpty() ? DefaultPrinterName() : m_printerName;
    if (m_surfacePrinter.isEmpty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    UsePrinter(printer, m_surfacePrinter);
    m_surface = SurfaceOf(printer, this);
}

void DlgPrint::updatePageSplits()
{
    if (isPhotoLine(sizeLine())) {
        showPhotoLine(sizeLine());
        return;
    }
    // What the print routine would do with what Print sends now, drawn over the preview and as pages.
    const int line = sizeLine();
    const QImage& printedPicture = m_sized.isNull() ? m_picture : m_sized;
    const QSize printed = line >= 1 ? kSizeLines[line].printed : printedPicture.size();
    std::vector<int> splits;
    if (!m_surfaceAsked)
        refreshSurface();
    if (m_surfacePrinter.isEmpty()) {
        m_pagePreview->clearPlan(QStringLiteral("No printer"));
    } else if (!printed.isEmpty()) {
        const PrintPlan plan = PlanPrint(printed, m_surface);
        const double shownPerPrinted = double(m_frame->width()) / printed.width();
        for (size_t i = 1; i < plan.strips.size(); ++i)
            splits.push_back(int(plan.strips[i].sourceX * shownPerPrinted));
        // The shown picture stands in for the one printed, at the same proportions.
        m_pagePreview->setPlan(plan, m_surface, printedPicture, printed);
    }
    m_frame->setPageSplits(splits);
}

void DlgPrint::OnPrint()
{
    // A press while a print is under way (its dialog or a message is open) prints after it.
    if (m_printing) {
        ++m_pendingPrints;
        return;
    }
    m_printing = true;
    printOnce();
    while (m_pendingPrints > 0) {
        --m_pendingPrints;
        printOnce();
    }
    m_printing = false;
}

void DlgPrint::printOnce()
{
    const int line = sizeLine();
    if (isPhotoLine(line)) {
        PhotoPrintRequest request;
        request.paper = paperOfLine(line);
        request.printer = m_printerName;
        request.copies = copies();
        request.askUser = true;
        request.link = m_linkSource;
        QPointer<DlgPrint> self(this);
        const PrintResult result = PrintPhoto(this, m_sheet, request);
        if (!self)
            return;
        m_lastPrint = result;
        if (m_lastPrint.printed) {
            ++m_jobsSent;
            m_watch->followJob(m_lastPrint.jobId);
            m_watch->refresh();
            m_printerState->setText(QStringLiteral("%1: job %2 sent").arg(m_lastPrint.printer).arg(m_lastPrint.jobId));
        }
        return;
    }
    if (line >= 1) {
        const QSize printed = kSizeLines[line].printed;
        m_sized = ScaleBitmap(m_picture, printed.width(), printed.height(), ScaleSmooth);
    }
    PrintRequest request;
    request.printer = m_printerName;
    request.copies = copies();
    m_lastPrint = PrintBitmap(this, m_sized.isNull() ? m_picture : m_sized, request);
    if (m_lastPrint.printed) {
        ++m_jobsSent;
        m_watch->followJob(m_lastPrint.jobId);
        m_watch->refresh();
        m_printerState->setText(QStringLiteral("%1: job %2 sent").arg(m_lastPrint.printer).arg(m_lastPrint.jobId));
    }
}

void DlgPrint::showHealth(const PrinterHealth& health)
{
    QString text;
    if (!health.found)
        text = m_printerName.isEmpty() && health.name.isEmpty() ? QStringLiteral("No printer installed")
                                                                : QStringLiteral("%1: not found").arg(health.name);
    else
        text = QStringLiteral("%1: %2").arg(health.name, health.summary());
    m_printerState->setText(text);
    // A printer installed (or made the default) while the dialog is open gets its page now.
    if (health.found && m_printerName.isEmpty() && health.name != m_surfacePrinter) {
        refreshSurface();
        updatePageSplits();
    }
    m_printerState->setTextColor(
        QColor(health.found && !health.needsAttention() ? skin::theme::kPaper : skin::theme::kMarigold));
}

void DlgPrint::onJobFinished(const JobStatus& status)
{
    if (!status.hasFailed() && status.state == JobState::Completed) {
        m_printerState->setText(QStringLiteral("Job %1 printed").arg(status.id));
        return;
    }
    const QString why = status.why();
    platform::prompts().messageBox(this,
        QStringLiteral("The printer could not print job %1 (%2). Please check the printer and print again.")
            .arg(status.id)
            .arg(why),
        platform::MbOk | platform::MbIconError, QStringLiteral("Print"));
}

void DlgPrint::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    m_box.paint(p);
}

void DlgPrint::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || isPhotoLine(sizeLine()))
        return;
    const QPoint pos = e->position().toPoint();
    m_dragHit = m_box.hitTest(pos);
    m_dragStart = pos;
    m_dragFrom = m_box.rect();
}

void DlgPrint::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (m_dragHit == CSizeBox::HitNothing) {
        setCursor(m_box.cursorAt(pos));
        return;
    }
    // The rubber band follows the pointer; the picture is remade once the drag ends.
    const QRect old = m_box.paintedRect();
    m_box.setRect(CSizeBox::dragged(m_dragFrom, m_dragHit, pos - m_dragStart));
    update(old);
    update(m_box.paintedRect());
}

void DlgPrint::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || m_dragHit == CSizeBox::HitNothing)
        return;
    const QRect r = CSizeBox::dragged(m_dragFrom, m_dragHit, e->position().toPoint() - m_dragStart);
    m_dragHit = CSizeBox::HitNothing;
    applySizeBox(r);
}
