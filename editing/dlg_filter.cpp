// DlgFilter: the button table, direct operations on a worker thread, the effect dialog, the
// rotations, the history, the refresh with the preview fit, the tracker and Save.
#include "editing/dlg_filter.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QEventLoop>
#include <QFormLayout>
#include <QKeyEvent>
#include <QProgressBar>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "editing/dlg_effect.h"
#include "editing/dlg_mix.h"
#include "editing/text_info.h"
#include "editing/rect_tracker_pic.h"
#include "imaging/cximage_operations.h"
#include "picture/bitmap_scale.h"
#include "picture/picture_files.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/button_st.h"
#include "skin/cx_skin_button.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace {

using A = DlgFilter::Action;
using namespace skin;

enum Code {
    kCodeFlip = 32775,
    kCodeMirror = 32774,
    kCodeNegative = 32777,
    kCodeGrayscale = 32778,
    kCodeBlur = 32813,
    kCodeEdge = 32816,
    kCodeNonlinearEdge = 32914,
    kCodeContour = 32898,
    kCodeJitter = 32901,
    kCodeUnsharpMask = 32932,
    kCodeGaussian3 = 32896,
    kCodeGaussian5 = 32897,
    kCodeErode = 32817,
    kCodeDilate = 32818,
    kCodeGamma = 32863,
    kCodeThreshold = 32799,
    kCodeMedian = 32864,
};

CxSkinButton* textButton(QWidget* parent, int id, const QString& text, QRect r, bool primary)
{
    auto* b = new CxSkinButton(parent);
    const int w = r.width();
    if (w >= 80)
        b->SetSkin(primary ? kPrimary80Normal : kButton80Normal, primary ? kPrimary80Down : kButton80Down,
            primary ? kPrimary80Over : kButton80Over, primary ? kPrimary80Disabled : kButton80Disabled,
            primary ? kPrimary80Focus : kButton80Focus, kButton80Mask);
    else
        b->SetSkin(primary ? kPrimary70Normal : kButton70Normal, primary ? kPrimary70Down : kButton70Down,
            primary ? kPrimary70Over : kButton70Over, primary ? kPrimary70Disabled : kButton70Disabled,
            primary ? kPrimary70Focus : kButton70Focus, kButton70Mask);
    b->setText(text);
    b->setFont(theme::captionFont(13, primary));
    b->SetTextColor(QColor(theme::kPaper));
    b->setGeometry(r);
    platform::setControlId(b, id);
    return b;
}

CButtonST* iconButton(QWidget* parent, int id, int normal, int over, QRect r, const QString& tip)
{
    auto* b = new CButtonST(parent);
    b->SetIcon(normal, over);
    b->DrawTransparent(true);
    b->setGeometry(r);
    b->SetToolTipText(tip);
    platform::setControlId(b, id);
    return b;
}

/// The parameter of Gamma or Threshold, asked in a small dialog; empty when cancelled.
std::optional<double> askWithDialog(QWidget* parent, int id)
{
    QDialog d(parent);
    const bool gamma = id == DlgFilter::kGammaId;
    d.setWindowTitle(gamma ? QStringLiteral("Gamma") : QStringLiteral("Threshold"));
    d.setStyleSheet(QStringLiteral("QDialog { background: #1F2440; } QLabel { color: #F6F1E9; }"));
    auto* form = new QFormLayout(&d);
    QDoubleSpinBox* g = nullptr;
    QSpinBox* l = nullptr;
    if (gamma) {
        g = new QDoubleSpinBox(&d);
        g->setRange(0.1, 5.0);
        g->setSingleStep(0.1);
        g->setDecimals(1);
        g->setValue(1.8);
        form->addRow(QStringLiteral("Gamma (0.1 - 5.0)"), g);
    } else {
        l = new QSpinBox(&d);
        l->setRange(0, 255);
        l->setValue(128);
        form->addRow(QStringLiteral("Level (0 - 255)"), l);
    }
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(box, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    form->addRow(box);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return gamma ? g->value() : double(l->value());
}

} // namespace

const std::vector<DlgFilter::ButtonSpec>& DlgFilter::buttons()
{
    static const std::vector<ButtonSpec> table = {
        { 1091, "Filp", 0, 1, kFxFilpNormal, kFxFilpOver, A::Direct, kCodeFlip, "Turn the picture upside down" },
        { 1093, "Mirror", 0, 2, kFxMirrorNormal, kFxMirrorOver, A::Direct, kCodeMirror,
            "Mirror the picture left to right" },
        { 1134, "Mosaic", 0, 3, kFxMosaicNormal, kFxMosaicOver, A::Effect, 2, "Turn the picture into tiles" },
        { 1095, "Rotate Left", 1, 1, kFxRotateLeftNormal, kFxRotateLeftOver, A::RotateLeft, 0,
            "Turn the picture a quarter to the left" },
        { 1096, "Rotate Right", 1, 2, kFxRotateRightNormal, kFxRotateRightOver, A::RotateRight, 0,
            "Turn the picture a quarter to the right" },
        { 1151, "Rotate_Angle", 1, 3, kFxRotateAngleNormal, kFxRotateAngleOver, A::Effect, 9,
            "Turn the picture by an angle" },
        { 1118, "Emboss", 2, 1, kFxEmbossNormal, kFxEmbossOver, A::Effect, 0, "Press the picture into relief" },
        { 1086, "Negative", 2, 2, kFxNegativeNormal, kFxNegativeOver, A::Direct, kCodeNegative, "Invert every colour" },
        { 1085, "Grayscale", 2, 3, kFxGrayscaleNormal, kFxGrayscaleOver, A::Direct, kCodeGrayscale,
            "Make the picture black and white" },
        { 1110, "Sharpen", 3, 1, kFxSharpenNormal, kFxSharpenOver, A::Effect, 1, "Make edges crisper" },
        { 1108, "Soften", 3, 2, kFxSoftenNormal, kFxSoftenOver, A::Effect, 12, "Soften the picture" },
        { 1116, "Blur", 3, 3, kFxBlurNormal, kFxBlurOver, A::Direct, kCodeBlur, "Blur the picture a little" },
        { 1117, "Edge", 4, 1, kFxEdgeNormal, kFxEdgeOver, A::Direct, kCodeEdge, "Draw the edges only" },
        { 1122, "Nonlinear_Edge", 4, 2, kFxNonlinearEdgeNormal, kFxNonlinearEdgeOver, A::Direct, kCodeNonlinearEdge,
            "Strengthen the edges" },
        { 1121, "Contour", 4, 3, kFxContourNormal, kFxContourOver, A::Direct, kCodeContour,
            "Draw the outlines like a pencil" },
        { 1148, "Windy", 5, 1, kFxWindyNormal, kFxWindyOver, A::Effect, 3, "Let the wind blow through the picture" },
        { 1137, "Pseudo Colors", 5, 2, kFxPseudoColorsNormal, kFxPseudoColorsOver, A::PseudoColors, 0,
            "Colour the brightness like a heat map" },
        { 1123, "Jitter", 5, 3, kFxJitterNormal, kFxJitterOver, A::Direct, kCodeJitter, "Scatter the pixels" },
        { 1112, "Unsharp Mask", 6, 1, kFxUnsharpMaskNormal, kFxUnsharpMaskOver, A::Direct, kCodeUnsharpMask,
            "Sharpen without adding noise" },
        { 1164, "Stripe", 6, 2, kFxStripeNormal, kFxStripeOver, A::Effect, 4, "Wave the picture" },
        { 1165, "Circletransform", 6, 3, kFxCircletransformNormal, kFxCircletransformOver, A::Effect, 10,
            "Punch, pinch, swirl and other warps" },
        { 1109, "Gaussian3*3", 7, 1, kFxGaussian3x3Normal, kFxGaussian3x3Over, A::Direct, kCodeGaussian3,
            "Smooth blur, small" },
        { 1133, "Gaussian5*5", 7, 2, kFxGaussian5x5Normal, kFxGaussian5x5Over, A::Direct, kCodeGaussian5,
            "Smooth blur, larger" },
        { 1113, "Erode", 7, 3, kFxErodeNormal, kFxErodeOver, A::Direct, kCodeErode, "Let dark areas grow" },
        { 1107, "Gamma", 8, 1, kFxGammaNormal, kFxGammaOver, A::Direct, kCodeGamma,
            "Brighten or darken the mid tones" },
        { 1097, "Threshold", 8, 2, kFxThresholdNormal, kFxThresholdOver, A::Direct, kCodeThreshold,
            "Only black and white, split at a level" },
        { 1119, "Addnoise", 8, 3, kFxAddnoiseNormal, kFxAddnoiseOver, A::Effect, 11, "Add grain" },
        { 1111, "Selective Blur", 9, 1, kFxSelectiveBlurNormal, kFxSelectiveBlurOver, A::Effect, 13,
            "Blur everything but the edges" },
        { 1120, "Median", 9, 2, kFxMedianNormal, kFxMedianOver, A::Direct, kCodeMedian, "Remove specks" },
        { 1114, "Dilate", 9, 3, kFxDilateNormal, kFxDilateOver, A::Direct, kCodeDilate, "Let bright areas grow" },
        { 1149, "Brightness Contrast", 10, 1, kFxBrightnessContrastNormal, kFxBrightnessContrastOver, A::Effect, 6,
            "Change brightness and contrast" },
        { 1150, "Hue Saturation", 10, 2, kFxHueSaturationNormal, kFxHueSaturationOver, A::Effect, 7,
            "Change hue and colour strength" },
        { 1171, "Adjust_RGB", 10, 3, kFxAdjustRgbNormal, kFxAdjustRgbOver, A::Effect, 5, "Shift red, green and blue" },
    };
    return table;
}

bool DlgFilter::runDirectOperation(CxImage& picture, int code, double gamma, int level)
{
    // The shared operation table first, so the buttons run what the command line runs.
    std::vector<double> args;
    if (const ImageOperationSpec* op = FindImageOperation(code, &args)) {
        if (code == kCodeGamma)
            args = { gamma };
        else if (code == kCodeThreshold)
            args = { double(level) };
        return RunImageOperation(*op, picture, args);
    }
    static const int32_t blur[9] = { 1, 1, 1, 1, 1, 1, 1, 1, 1 };
    static const int32_t edge[9] = { -1, -1, -1, -1, 8, -1, -1, -1, -1 };
    switch (code) {
    case kCodeFlip:
        return picture.Flip(false, true);
    case kCodeMirror:
        return picture.Mirror(false, true);
    case kCodeNegative:
        return picture.Negative();
    case kCodeGrayscale:
        return picture.GrayScale();
    case kCodeBlur:
        return picture.Filter(blur, 3, 9, 0);
    case kCodeEdge:
        return picture.Filter(edge, 3, -1, 255);
    case kCodeNonlinearEdge:
        return picture.Edge(2);
    case kCodeContour:
        return picture.Contour();
    case kCodeJitter:
        return picture.Jitter(2);
    case kCodeUnsharpMask:
        return picture.UnsharpMask(5.0f, 0.5f, 0);
    case kCodeGaussian3:
        return picture.BlurGaussian(1.0f);
    case kCodeGaussian5:
        return picture.BlurGaussian(2.0f);
    case kCodeErode:
        return picture.Erode(3);
    case kCodeDilate:
        return picture.Dilate(3);
    case kCodeGamma:
        return picture.Gamma(float(gamma));
    case kCodeThreshold:
        return picture.Threshold(uint8_t(std::clamp(level, 0, 255)));
    case kCodeMedian:
        return picture.Median(3);
    default:
        picture.SetLastError("unknown operation %d", code);
        return false;
    }
}

DlgFilter::DlgFilter(const QImage& display, QWidget* parent)
    : SkinDialog(parent)
{
    setWindowTitle(QStringLiteral("Filter workbench"));
    // The top 30 rows move the window.
    setSkinBackground(kFilterBackground, QSize(800, 400), 30);
    setWindowIcon(QIcon(QPixmap::fromImage(skin::SkinBitmap(kAppIcon))));

    m_tracker = new CRectTrackerPic(this);
    m_tracker->setGeometry(20, 37, kPreviewWidth, kPreviewHeight);
    platform::setControlId(m_tracker, kPictureId);
    m_tracker->setAccessibleName(QStringLiteral("Picture"));

    for (const ButtonSpec& b : buttons()) {
        auto* button = iconButton(this, b.id, b.normalIcon, b.overIcon,
            QRect(375 + 130 * (b.column - 1), 32 + 29 * b.row, 122, 28), QString::fromLatin1(b.tip));
        button->setAccessibleName(QString::fromLatin1(b.label));
        connect(button, &QAbstractButton::clicked, this, [this, id = b.id] { press(id); });
    }
    iconButton(this, kUndoId, kFxUndoNormal, kFxUndoOver, QRect(89, 288, 66, 23), QStringLiteral("Undo (Ctrl+Z)"));
    iconButton(this, kRedoId, kFxRedoNormal, kFxRedoOver, QRect(21, 288, 65, 22), QStringLiteral("Redo (Ctrl+Y)"));
    iconButton(this, kResumeId, kFxResumeNormal, kFxResumeOver, QRect(265, 288, 73, 23),
        QStringLiteral("Back to the picture as it was opened"));
    // The template's crop button is never shown.
    iconButton(this, kCropId, kFxUndoNormal, kFxUndoOver, QRect(175, 288, 66, 23), QString())->hide();
    auto* save = textButton(this, kSaveId, QStringLiteral("Save"), QRect(18, 334, 70, 23), true);
    save->SetToolTipText(QStringLiteral("Save the picture to a file"));
    auto* decoration
        = textButton(this, kDecorationId, QStringLiteral("Add decoration"), QRect(140, 334, 80, 23), false);
    decoration->setFont(theme::captionFont(12));
    decoration->SetToolTipText(QStringLiteral("Add stickers and text"));
    m_trackerBox = textButton(this, kTrackerId, QStringLiteral("Tracker"), QRect(271, 334, 70, 23), false);
    m_trackerBox->setKind(CxSkinButton::CheckKind);
    m_trackerBox->SetToolTipText(QStringLiteral("Limit the operations to a rectangle drawn on the picture"));
    auto* ok = textButton(this, kOkId, QStringLiteral("OK"), QRect(590, 356, 70, 23), true);
    ok->SetToolTipText(QStringLiteral("Put the edited picture back into its slot"));
    auto* cancel = textButton(this, kCancelId, QStringLiteral("Cancel"), QRect(687, 356, 70, 23), false);
    cancel->SetToolTipText(QStringLiteral("Leave the slot as it was"));
    iconButton(this, kCloseId, kCloseNormal, kCloseOver, QRect(757, 1, 25, 25), QStringLiteral("Close"));

    for (int id : { int(kUndoId), int(kRedoId), int(kResumeId), int(kSaveId), int(kDecorationId), int(kTrackerId),
             int(kOkId), int(kCancelId), int(kCloseId) })
        connect(platform::findControl<QAbstractButton>(this, id), &QAbstractButton::clicked, this,
            [this, id] { press(id); });

    m_progress = new QProgressBar(this);
    m_progress->setGeometry(375, 366, 200, 12);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setStyleSheet(QStringLiteral("QProgressBar { background: #2E355E; border: none; border-radius: 6px; }"
                                             "QProgressBar::chunk { background: #FFC857; border-radius: 6px; }"));
    m_progress->hide();

    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    connect(undoKey, &QShortcut::activated, this, [this] { press(kUndoId); });
    auto* redoKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), this);
    connect(redoKey, &QShortcut::activated, this, [this] { press(kRedoId); });

    if (!display.isNull())
        adopt(display);
}

DlgFilter::~DlgFilter() = default;

int DlgFilter::exec()
{
    centreOnParent();
    return SkinDialog::exec() == IdOk ? IdOk : IdCancel;
}

void DlgFilter::reject()
{
    if (m_busy) {
        // Escape while an operation runs stops it instead of closing.
        if (m_picture)
            m_picture->SetEscape(1);
        m_stopped = true;
        return;
    }
    done(IdCancel);
}

void DlgFilter::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    SkinDialog::keyPressEvent(e);
}

void DlgFilter::adopt(const QImage& display)
{
    auto picture = std::make_unique<CxImage>();
    if (!picture->FromDeviceBitmap(display))
        return;
    m_picture = std::move(picture);
    m_display = display;
    m_restore = m_picture->ToDeviceBitmap();
    push();
    m_tracker->setBitmap(m_display);
    m_tracker->SetImage(m_picture.get());
}

void DlgFilter::refresh()
{
    if (!m_picture)
        return;
    m_display = m_picture->ToDeviceBitmap();
    bool resampled = false;
    CxImage fitted;
    if (FitToPreview(*m_picture, fitted, &resampled) && resampled) {
        m_picture->TakeOver(fitted);
        m_display = m_picture->ToDeviceBitmap();
    }
    m_tracker->setBitmap(m_display);
}

void DlgFilter::push()
{
    if (!m_picture)
        return;
    auto copy = std::make_unique<CxImage>(*m_picture, true, true, true);
    if (!m_history.empty() && m_position != int(m_history.size()) - 1) {
        m_history.insert(m_history.begin() + m_position + 1, std::move(copy));
        ++m_position;
    } else {
        m_history.push_back(std::move(copy));
        m_position = int(m_history.size()) - 1;
    }
    // Bounded: the oldest entry after the opening picture goes, never the current one.
    while (int(m_history.size()) > kHistoryLimit) {
        const int drop = m_position == 1 ? 2 : 1;
        m_history.erase(m_history.begin() + drop);
        if (m_position > drop)
            --m_position;
    }
}

void DlgFilter::restoreEntry(int position)
{
    m_position = position;
    m_picture->Copy(*m_history[size_t(position)], true, true, true);
    refresh();
}

void DlgFilter::undo()
{
    if (!m_picture || m_history.empty())
        return;
    restoreEntry(std::max(m_position - 1, 0));
}

void DlgFilter::redo()
{
    if (!m_picture || m_history.empty())
        return;
    restoreEntry(std::min(m_position + 1, int(m_history.size()) - 1));
}

void DlgFilter::resume()
{
    if (!m_picture || m_history.empty() || m_position == 0)
        return;
    restoreEntry(0);
}

void DlgFilter::decorate()
{
    // The mixer opens over the workbench, which stays open beneath it: hiding a dialog that runs
    // modally ends its run, and the workbench and its edits would be gone when the mixer closes.
    // The mixer's composite becomes the picture (and the new restore point) only on OK.
    DlgMix mixer(m_display, appPaths().m_emotionFolder, RememberedTextInfo(), platform::prompts(), this);
    const bool ok = mixer.exec() == DlgMix::IdOk;
    if (!ok)
        return;
    const QImage composite = mixer.result();
    if (!composite.isNull())
        adopt(composite);
}

void DlgFilter::press(int id)
{
    if (m_busy)
        return;
    switch (id) {
    case kUndoId:
        undo();
        return;
    case kRedoId:
        redo();
        return;
    case kResumeId:
        resume();
        return;
    case kSaveId:
        save();
        return;
    case kDecorationId:
        decorate();
        return;
    case kTrackerId:
        setTracker(m_trackerBox->GetCheck());
        return;
    case kOkId:
        done(IdOk);
        return;
    case kCancelId:
    case kCloseId:
        done(IdCancel);
        return;
    default:
        break;
    }
    for (const ButtonSpec& b : buttons()) {
        if (b.id != id)
            continue;
        switch (b.action) {
        case Action::Direct:
            runDirect(b.code);
            return;
        case Action::Effect:
            runEffect(b.code);
            return;
        case Action::RotateLeft:
            rotate(true);
            return;
        case Action::RotateRight:
            rotate(false);
            return;
        case Action::PseudoColors:
            pseudoColors();
            return;
        }
    }
}

std::optional<double> DlgFilter::askParameter(int id)
{
    if (m_askParameter)
        return m_askParameter(id);
    return askWithDialog(this, id);
}

namespace {

/// While an operation runs, the window keeps painting but takes no input, except Escape, which
/// stops the operation.
class BusyInput : public QObject {
public:
    explicit BusyInput(std::function<void()> stop)
        : m_stop(std::move(stop))
    {
        qApp->installEventFilter(this);
    }
    ~BusyInput() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
                m_stop();
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }

private:
    std::function<void()> m_stop;
};

} // namespace

void DlgFilter::runOffThread(const std::function<void()>& work)
{
    m_busy = true;
    BusyInput busyInput([this] { reject(); });
    std::atomic<bool> finished { false };
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    // The picture's progress after 150 ms; nothing flickers for quick operations.
    connect(&poll, &QTimer::timeout, this, [&] {
        if (finished.load()) {
            loop.quit();
            return;
        }
        if (clock.elapsed() >= 150) {
            m_progress->setValue(std::clamp(int(m_picture->GetProgress()), 0, 100));
            m_progress->show();
        }
    });
    std::thread worker([&] {
        work();
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    poll.start(15);
    if (!finished.load())
        loop.exec();
    worker.join();
    poll.stop();
    m_progress->hide();
    m_busy = false;
}

void DlgFilter::runDirect(int code)
{
    if (!m_picture)
        return;
    double gamma = 1.8;
    int level = 128;
    // Gamma and Threshold ask for their value; without one the picture stays as it is.
    if (code == kCodeGamma || code == kCodeThreshold) {
        const std::optional<double> v = askParameter(code == kCodeGamma ? kGammaId : kThresholdId);
        if (!v)
            return;
        gamma = *v;
        level = int(*v);
    }
    m_stopped = false;
    bool ok = false;
    CxImage* picture = m_picture.get();
    // Reset here, not on the worker: an Escape typed as the operation starts must not be undone.
    picture->SetProgress(0);
    picture->SetEscape(0);
    runOffThread([&] {
        ok = runDirectOperation(*picture, code, gamma, level);
        picture->SetProgress(100);
    });
    picture->SetEscape(0);
    if (!ok && !m_stopped)
        platform::prompts().messageBox(this, QString::fromLocal8Bit(picture->GetLastError()), platform::MbIconError);
    refresh();
    push();
    m_tracker->DrawTracker();
}

void DlgFilter::runEffect(int kind)
{
    if (!m_picture)
        return;
    // Over the workbench, which stays open (see decorate()).
    DlgEffect effect(this, m_display, kind, m_picture.get());
    const int result = m_effectRunner ? m_effectRunner(effect) : effect.exec();
    // Cancel keeps the picture as it is, the Soften dialog's included.
    if (result == DlgEffect::IdOk) {
        m_display = effect.result();
        m_picture->FromDeviceBitmap(m_display);
    }
    refresh();
    push();
}

void DlgFilter::rotate(bool left)
{
    if (!m_picture)
        return;
    m_display = m_picture->ToDeviceBitmap();
    m_rotation.CopyFromBitmap(m_display, 32);
    if (left)
        m_rotation.RotateLeft();
    else
        m_rotation.RotateRight();
    int bw = kPreviewWidth, bh = kPreviewHeight;
    if (m_rotation.Width() > kPreviewWidth)
        bh = kPreviewWidth;
    else if (m_rotation.Height() > kPreviewHeight)
        bw = kPreviewHeight;
    m_rotation.Stretch(bw, bh, true);
    const QImage rotated = m_rotation.CreateDeviceBitmap();
    if (rotated.isNull() || !m_picture->FromDeviceBitmap(rotated))
        return;
    m_display = rotated;
    push();
    m_tracker->setBitmap(m_display);
}

void DlgFilter::pseudoColors()
{
    if (!m_picture)
        return;
    if (!m_picture->IsGrayScale())
        m_picture->GrayScale();
    m_picture->HueRampPalette(1.0f);
    refresh();
    push();
}

void DlgFilter::setTracker(bool on)
{
    m_trackerBox->setText(on ? QStringLiteral("UnTracker") : QStringLiteral("Tracker"));
    if (!on)
        m_tracker->setTrackerRect(QRect());
    m_tracker->Enable(on);
    m_tracker->update();
}

void DlgFilter::save()
{
    if (m_display.isNull())
        return;
    platform::SaveFileRequest request;
    request.title = QStringLiteral("Save the picture");
    // Where the user last picked a folder in this run (the desktop's default before that).
    request.startFolder = AppToolkit::LastChosenFolder();
    request.defaultExtension = QStringLiteral("TXT");
    request.confirmOverwrite = true;
    request.filter = QStringLiteral("BMP|*.bmp|JPG|*.jpg|GIF|*.gif|ICO|*.ico|PCX|*.pcx|JP2|*.jp2|JPC|*.jpc|PNG|*.png|"
                                    "TIF|*.tif|TGA|*.tga|WMF|*.wmf|RAW|*.raw|WBMP|*.wbmp|RAS|*.ras|PNM|*.pnm|PGX|*.pgx|"
                                    "MNG|*.mng|SKA|*.ska|");
    const QString path = platform::prompts().saveFile(this, request);
    if (path.isEmpty())
        return;
    auto fail = [&](const QString& reason) {
        platform::prompts().messageBox(this,
            QStringLiteral("The picture could not be saved as\n%1\n%2").arg(path, reason), platform::MbIconError,
            QStringLiteral("Save info"));
    };
    CxImage image;
    if (!image.FromDeviceBitmap(m_display)) {
        fail(QString::fromLocal8Bit(image.GetLastError()));
        return;
    }
    const int format = PictureFormatFromName(path);
    if (!format) {
        fail(QStringLiteral("The file name has no picture type the booth can write (for example .jpg or .png)."));
        return;
    }
    if (format == CXIMAGE_FORMAT_GIF)
        image.DecreaseBpp(8, false, nullptr, 0);
    if (path.right(3).compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0) {
        if (!image.IsGrayScale())
            image.IncreaseBpp(24);
        image.SetJpegQuality(99);
    }
    if (!image.Save(QFile::encodeName(path).constData(), uint32_t(format))) {
        // The text names the file and the reason: said once, not under the path again.
        platform::prompts().messageBox(this,
            QStringLiteral("The picture could not be saved.\n%1")
                .arg(QFile::decodeName(SaveFailureText(image, QFile::encodeName(path).constData()).c_str())),
            platform::MbIconError, QStringLiteral("Save info"));
        return;
    }
    platform::prompts().messageBox(this, QStringLiteral("  The image saved successed!  "), platform::MbIconInformation,
        QStringLiteral("Save info"));
}
