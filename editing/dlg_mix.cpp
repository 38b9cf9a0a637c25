// DlgMix: start-up, the composition pass with its view and scroll bars, the layer list box,
// dragging with the hover and drag cursors, and the quick-pick sticker strip.
#include "editing/dlg_mix.h"

#include <QBitmap>
#include <QEvent>
#include <QFontMetrics>
#include <QFileInfo>
#include <QIcon>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>

#include "app/app_toolkit.h"
#include "editing/dlg_text.h"
#include "output/dlg_thum_nail.h"
#include "picture/picture_files.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/skin_buttons.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

/// The picture frame: paints the visible part of the composite at the draw origin and, while a
/// layer is dragged, the outline of where it will land. Mouse input goes to the dialog.
class MixView : public QWidget {
public:
    explicit MixView(DlgMix* dialog)
        : QWidget(dialog)
        , m_dialog(dialog)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void paintTo(QPainter& p) const
    {
        p.fillRect(QRect(QPoint(0, 0), size()), QColor(0xFF131731));
        const QPoint at = m_dialog->m_drawOrigin - pos();
        const QImage& picture = m_dialog->m_display;
        if (!picture.isNull())
            p.drawImage(at, picture, QRect(m_dialog->m_hpos, m_dialog->m_vpos, width(), height()));
        const QRect outline = m_dialog->dragOutline();
        if (!outline.isEmpty()) {
            p.setPen(QPen(QColor(skin::theme::kMarigold), 1, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(outline.translated(-pos()).adjusted(0, 0, -1, -1));
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        paintTo(p);
    }

private:
    DlgMix* m_dialog;
};

namespace {

using namespace skin;

CxSkinButton* textButton(QWidget* parent, int id, const QString& text, bool primary, QRect r, const QString& tip = {})
{
    return skin::MakeTextButton(parent, id, text, primary, r, 60, tip);
}

/// A cursor from a skin bitmap: white is transparent, the hot spot is the top-left corner.
QCursor cursorFrom(int id)
{
    const QImage img = SkinBitmap(id);
    if (img.isNull())
        return QCursor(Qt::SizeAllCursor);
    QPixmap pixmap = QPixmap::fromImage(img);
    pixmap.setMask(QBitmap::fromImage(img.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskOutColor)));
    return QCursor(pixmap, 0, 0);
}

/// Draws picture at a 3-pixel margin onto a copy of frame.
QImage framed(const QImage& frame, const QImage& picture)
{
    QImage out = frame.isNull() ? QImage(71, 53, QImage::Format_ARGB32) : frame.convertToFormat(QImage::Format_ARGB32);
    if (frame.isNull())
        out.fill(QColor(theme::kSlate));
    QPainter p(&out);
    if (!picture.isNull())
        p.drawImage(3, 3, picture);
    return out;
}

} // namespace

DlgMix::DlgMix(const QImage& picture, const QString& stickerFolder, TextInfo& remembered, platform::Prompts& prompts,
    QWidget* parent)
    : SkinDialog(parent)
    , m_picture(picture)
    , m_stickerFolder(stickerFolder)
    , m_remembered(remembered)
    , m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Decorate"));
    setWindowIcon(QIcon(QPixmap::fromImage(SkinBitmap(kAppIcon))));
    setMouseTracking(true);

    m_textEditor = [this](const TextInfo& start) -> std::optional<TextInfo> {
        DlgText dlg(start, m_prompts, this);
        if (dlg.exec() != DlgText::IdOk)
            return std::nullopt;
        return dlg.result();
    };
    m_browser = [this]() -> QString {
        DlgThumNail browser(QString(), this);
        return browser.exec() == DlgThumNail::IdOk ? browser.chosenPath() : QString();
    };

    // 1. The sticker list, in the order the folder lists its files.
    if (!m_stickerFolder.isEmpty())
        AppToolkit::ListFiles(m_stickerFolder, m_stickers);

    // 2. Controls and cursors.
    m_view = new MixView(this);
    m_view->setGeometry(kViewRect);
    platform::setControlId(m_view, kViewId);
    const QString barStyle = QStringLiteral(
        "QScrollBar { background: #1F2440; border: none; }"
        "QScrollBar::handle { background: #4A5390; border-radius: 4px; min-width: 24px; min-height: 24px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");
    m_hbar = new QScrollBar(Qt::Horizontal, this);
    m_vbar = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : { m_hbar, m_vbar }) {
        bar->setStyleSheet(barStyle);
        bar->setPageStep(0);
    }
    platform::setControlId(m_hbar, kHScrollId);
    platform::setControlId(m_vbar, kVScrollId);
    connect(m_hbar, &QAbstractSlider::actionTriggered, this, [this](int a) { onScroll(m_hbar, m_hpos, a); });
    connect(m_vbar, &QAbstractSlider::actionTriggered, this, [this](int a) { onScroll(m_vbar, m_vpos, a); });

    m_listBox = new QListWidget(this);
    m_listBox->setGeometry(333, 30, 97, 244);
    m_listBox->setFrameShape(QFrame::NoFrame);
    m_listBox->setFont(theme::captionFont(13));
    m_listBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listBox->setStyleSheet(QStringLiteral("QListWidget { background: #131731; color: #F6F1E9; border-radius: 6px; }"
                                            "QListWidget::item { padding: 2px; }"
                                            "QListWidget::item:selected { background: #FFC857; color: #1F2440; }"
                                            "QListWidget::indicator { width: 14px; height: 14px; }"
                                            "QListWidget::indicator:checked { image: url(%1); }"
                                            "QListWidget::indicator:unchecked { image: url(%2); }")
                                 .arg(skinResourcePath(kCheckOn), skinResourcePath(kCheckOff)));
    platform::setControlId(m_listBox, kLayerListId);
    m_listBox->viewport()->installEventFilter(this);
    connect(m_listBox, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_refreshing || row < 0)
            return;
        m_justSelected = row;
        m_list.selectLine(row);
    });
    connect(m_listBox, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (m_refreshing)
            return;
        const int row = m_listBox->row(item);
        m_list.setLineChecked(row, item->checkState() == Qt::Checked);
        // A tick on a line that this same click selected takes effect at once.
        if (row == m_justSelected)
            m_list.selectLine(row);
    });

    auto bind = [this](QAbstractButton* b, auto slot) { connect(b, &QAbstractButton::clicked, this, slot); };
    bind(textButton(this, kOkId, QStringLiteral("O k"), true, QRect(431, 38, 60, 23)), [this] { done(IdOk); });
    bind(textButton(this, kCancelId, QStringLiteral("Cancel"), false, QRect(431, 68, 60, 23),
             QStringLiteral("Close mix dialog")),
        [this] { done(IdCancel); });
    bind(
        skin::MakeImageButton(this, kCloseId, kCloseNormal, kCloseOver, QRect(457, 1, 25, 25), QStringLiteral("Close")),
        [this] { done(IdCancel); });
    bind(textButton(this, kAddTextId, QStringLiteral("Add Text"), false, QRect(431, 139, 60, 23),
             QStringLiteral("Add text layer")),
        [this] { addTextLayer(); });
    bind(textButton(this, kRemoveId, QStringLiteral("Remove"), false, QRect(431, 167, 60, 23),
             QStringLiteral("Remove selected layer")),
        [this] { m_list.removeSelected(); });
    bind(textButton(this, kClearId, QStringLiteral("Clear"), false, QRect(431, 195, 60, 23),
             QStringLiteral("Clear all layer")),
        [this] { m_list.clear(); });
    bind(textButton(
             this, kLayerUpId, QStringLiteral("Layer Up"), false, QRect(431, 223, 60, 23), QStringLiteral("Layer Up")),
        [this] { m_list.layerUp(); });
    bind(textButton(this, kLayerDownId, QStringLiteral("Layer Down"), false, QRect(431, 251, 60, 23),
             QStringLiteral("Layer Down")),
        [this] { m_list.layerDown(); });
    bind(skin::MakeImageButton(this, kReplaceImageId, kReplaceImageNormal, kReplaceImageOver, QRect(354, 290, 137, 23),
             QStringLiteral("Replace image in currently layer")),
        [this] { addImageLayerByBrowsing(); });
    auto* addImage = skin::MakeImageButton(
        this, kAddImageId, kAddImageNormal, kAddImageOver, QRect(435, 117, 56, 21), QStringLiteral("Add image layer"));
    bind(addImage, [this] { addImageLayerByBrowsing(); });
    addImage->hide();
    bind(skin::MakeImageButton(this, kMoveLeftId, kArrowLeftNormal, kArrowLeftOver, QRect(103, 286, 32, 32)),
        [this] { m_list.moveLeft(); });
    bind(skin::MakeImageButton(this, kMoveUpId, kArrowUpNormal, kArrowUpOver, QRect(136, 286, 32, 32)),
        [this] { m_list.moveUp(); });
    bind(skin::MakeImageButton(this, kMoveDownId, kArrowDownNormal, kArrowDownOver, QRect(168, 286, 32, 32)),
        [this] { m_list.moveDown(); });
    bind(skin::MakeImageButton(this, kMoveRightId, kArrowRightNormal, kArrowRightOver, QRect(201, 286, 32, 32)),
        [this] { m_list.moveRight(); });
    bind(skin::MakeImageButton(this, kStripPreviousId, kStripPreviousNormal, kStripPreviousOver, QRect(11, 341, 45, 45),
             QStringLiteral("Previous image")),
        [this] { previousStripPage(); });
    bind(skin::MakeImageButton(this, kStripNextId, kStripNextNormal, kStripNextOver, QRect(446, 341, 45, 45),
             QStringLiteral("Next image")),
        [this] { nextStripPage(); });
    const int slotX[kStripSlots] = { 60, 138, 216, 294, 372 };
    for (int s = 0; s < kStripSlots; ++s) {
        auto* b = new CxSkinButton(this);
        b->setKind(CxSkinButton::CheckKind);
        b->setGeometry(slotX[s], 337, 71, 53);
        b->setFocusPolicy(Qt::NoFocus);
        platform::setControlId(b, kStripSlotIds[s]);
        bind(b, [this, s] { pressStripSlot(s); });
        m_slotButtons[s] = b;
    }
    m_hoverCursor = cursorFrom(kCursorHover);
    m_dragCursor = cursorFrom(kCursorDrag);

    // 3. Window, scroll bars hidden.
    setSkinBackground(kMixerBackground, kSize);
    // The mixer stands in the middle of the screen, not of the window that opened it (inside the
    // kiosk view it is centred on the booth).
    centreOnScreen();
    m_hbar->hide();
    m_vbar->hide();

    // 4. The strip's first page, then the base layer with the first pass.
    m_list.setChangeHandler([this] {
        compose();
        refreshList();
    });
    showStripPage();
    m_list.addBaseLayer();
}

DlgMix::~DlgMix() = default;

QImage DlgMix::result() const
{
    return m_result.IsValid() ? m_result.ToDeviceBitmap() : QImage();
}

void DlgMix::setStickerCacheEnabled(bool on)
{
    m_cacheEnabled = on;
    if (!on)
        m_cache.clear();
}

void DlgMix::compose()
{
    if (m_list.isEmpty())
        return;
    ComposeLayers(m_picture, m_list, m_composite, m_cacheEnabled ? &m_cache : nullptr);
    if (m_composite.IsValid())
        m_result.Copy(m_composite, true, true, true);
    else
        m_result.Destroy();
    m_display = m_composite.IsValid() ? m_composite.ToDeviceBitmap() : QImage();
    m_hpos = 0;
    m_vpos = 0;
    ++m_passes;
    layoutView();
    m_view->update();
}

void DlgMix::layoutView()
{
    const QRect view = m_view->geometry();
    const int vw = view.width();
    const int vh = view.height();
    const int cw = m_display.width();
    const int ch = m_display.height();
    m_drawOrigin = view.topLeft();
    m_vbar->setGeometry(view.left() + vw, view.top(), 18, vh);
    m_hbar->setGeometry(view.left(), view.top() + vh, vw, 18);

    m_hbar->setRange(0, std::max(0, cw - vw));
    m_hbar->setValue(0);
    if (cw > vw) {
        m_hbar->show();
    } else {
        m_drawOrigin.setX(view.left() + (vw - cw) / 2);
        m_vbar->setGeometry(m_drawOrigin.x() + cw, m_drawOrigin.y(), 18, vh);
        m_hbar->hide();
    }
    m_vbar->setRange(0, std::max(0, ch - vh));
    m_vbar->setValue(0);
    if (ch > vh) {
        m_vbar->show();
    } else {
        m_drawOrigin.setY(view.top() + (vh - ch) / 2);
        m_hbar->setGeometry(m_drawOrigin.x(), m_drawOrigin.y() + ch, vw, 18);
        m_vbar->hide();
    }
}

void DlgMix::onScroll(QScrollBar* bar, int& position, int action)
{
    switch (action) {
    case QAbstractSlider::SliderMove:
        position = bar->sliderPosition();
        break;
    case QAbstractSlider::SliderToMinimum:
        position = 0;
        break;
    case QAbstractSlider::SliderToMaximum:
        position = bar->maximum();
        break;
    default:
        break; // line and page requests leave the position where it is
    }
    bar->setSliderPosition(position);
    m_view->update();
}

void DlgMix::refreshList()
{
    m_refreshing = true;
    const auto& lines = m_list.lines();
    if (m_listBox->count() != lines.size()) {
        m_listBox->clear();
        for (const auto& line : lines) {
            auto* item = new QListWidgetItem(line.text, m_listBox);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        }
    }
    for (int i = 0; i < lines.size(); ++i) {
        QListWidgetItem* item = m_listBox->item(i);
        // The line holds the whole path; it shows the telling end of it, the tooltip all of it.
        const QString shown = m_listBox->fontMetrics().elidedText(lines[i].text, Qt::ElideLeft, 64);
        if (item->text() != shown)
            item->setText(shown);
        item->setToolTip(lines[i].text);
        const Qt::CheckState state = lines[i].checked ? Qt::Checked : Qt::Unchecked;
        if (item->checkState() != state)
            item->setCheckState(state);
    }
    if (m_listBox->currentRow() != m_list.selected())
        m_listBox->setCurrentRow(m_list.selected());
    m_refreshing = false;
}

bool DlgMix::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_listBox->viewport()
        && (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease))
        QTimer::singleShot(0, this, [this] { m_justSelected = -1; });
    return SkinDialog::eventFilter(watched, event);
}

void DlgMix::addTextLayer()
{
    const std::optional<TextInfo> confirmed = m_textEditor ? m_textEditor(m_remembered) : std::nullopt;
    if (!confirmed)
        return;
    m_remembered = *confirmed;
    m_list.addTextLayer(m_remembered);
}

void DlgMix::addImageLayerByBrowsing()
{
    const QString path = m_browser ? m_browser() : QString();
    if (!path.isEmpty())
        m_list.addImageLayer(path);
}

bool DlgMix::overSelected(QPoint p) const
{
    const MixLayerData* layer = m_list.selectedLayer();
    return layer && layer->hitBoxContains(p);
}

void DlgMix::updateCursor(QPoint p)
{
    if (m_dragging)
        setCursor(m_dragCursor);
    else if (overSelected(p))
        setCursor(m_hoverCursor);
    else
        unsetCursor();
}

QRect DlgMix::dragOutline() const
{
    const MixLayerData* layer = m_list.selectedLayer();
    if (!m_dragging || !layer || m_points.isEmpty())
        return {};
    const CxRect& h = layer->m_hitBox;
    return QRect(QPoint(h.left, h.top), QPoint(h.right - 1, h.bottom - 1)).translated(m_pointer - m_points.first());
}

QImage DlgMix::viewPicture() const
{
    QImage img(m_view->size(), QImage::Format_RGB32);
    QPainter p(&img);
    m_view->paintTo(p);
    return img;
}

void DlgMix::mousePressEvent(QMouseEvent* event)
{
    SkinDialog::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    m_pointer = p;
    if (overSelected(p)) {
        m_dragging = true;
        if (m_points.isEmpty())
            m_points.append(p);
    }
    updateCursor(p);
}

void DlgMix::mouseMoveEvent(QMouseEvent* event)
{
    SkinDialog::mouseMoveEvent(event);
    m_pointer = event->position().toPoint();
    updateCursor(m_pointer);
    if (m_dragging)
        m_view->update();
}

void DlgMix::mouseReleaseEvent(QMouseEvent* event)
{
    SkinDialog::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    m_pointer = p;
    m_dragging = false;
    m_points.append(p);
    m_released = m_points;
    m_points.clear();
    updateCursor(p);
    m_view->update();
    if (m_released.size() >= 2) {
        const QPoint d = m_released[1] - m_released[0];
        m_list.dragMove(d.x(), d.y());
    }
}

void DlgMix::previousStripPage()
{
    if (m_stripFirst == 0)
        return;
    m_stripFirst -= kStripSlots;
    showStripPage();
}

void DlgMix::nextStripPage()
{
    if (m_stripFirst + kStripSlots > int(m_stickers.size()) - 1)
        return;
    m_stripFirst += kStripSlots;
    showStripPage();
}

void DlgMix::showStripPage()
{
    for (int s = 0; s < kStripSlots; ++s) {
        m_slotButtons[s]->hide();
        m_slotPaths[s].clear();
    }
    const QImage frameNormal = SkinBitmap(kStrip71FrameNormal);
    const QImage frameDown = SkinBitmap(kStrip71FrameDown);
    int slot = 0;
    for (int i = m_stripFirst; i < int(m_stickers.size()) && slot < kStripSlots; ++i) {
        const QString& path = m_stickers[i];
        if (!HasImageExtension(path))
            continue; // not a picture: no slot used
        m_slotPaths[slot] = path;
        QImage small, plain;
        CxImage picture;
        if (LoadOverlay(path, picture)) {
            CxImage a, b;
            if (picture.ResampleSmooth(65, 47, 16, 5, &a))
                small = a.ToDeviceBitmap();
            if (picture.ResampleSmooth(71, 53, 16, 5, &b))
                plain = b.ToDeviceBitmap();
        }
        CxSkinButton* button = m_slotButtons[slot];
        button->SetSkinImages(framed(frameNormal, small), framed(frameDown, small),
            plain.isNull() ? framed(frameNormal, QImage()) : plain, QImage(), QImage(), QImage(), 0, 0, 0);
        button->SetToolTipText(QFileInfo(path).fileName());
        button->show();
        ++slot;
    }
}

void DlgMix::pressStripSlot(int slot)
{
    if (slot < 0 || slot >= kStripSlots)
        return;
    for (int s = 0; s < kStripSlots; ++s)
        m_slotButtons[s]->SetCheck(s == slot);
    if (!m_slotPaths[slot].isEmpty())
        m_list.addImageLayer(m_slotPaths[slot]);
}
