// DlgEffect: the kind table, the layout per kind, the recomputation from the untouched source on
// every slider report, the warps on a copy of the workbench picture, Resum and the preview fit.
#include "editing/dlg_effect.h"

#include <algorithm>

#include "editing/rect_tracker_pic.h"
#include "picture/bitmap_scale.h"
#include "platform/control_id.h"
#include "skin/bitmap_slider.h"
#include "skin/button_st.h"
#include "skin/cx_skin_button.h"
#include "skin/sk_static.h"
#include "skin/skin_resources.h"
#include "skin/skin_theme.h"

namespace {

constexpr DlgEffect::KindSpec kNoKind { nullptr, 0, {}, {} };

constexpr DlgEffect::KindSpec kKinds[14] = {
    { "Effect_EMBOSS", 1, { { 1, 100, 1 } }, {} },
    { "Effect_SHARP", 1, { { 1, 100, 1 } }, {} },
    { "Effect_Mosaic", 1, { { 2, 100, 2 } }, {} },
    { "Effect_Windy", 1, { { 0, 100, 0 } }, {} },
    { "Effect_Stripe", 2, { { 0, 100, 35 }, { 0, 100, 25 } }, { "Frequency", "Swing" } },
    { "Effect_Adject_RGB", 3, { { -128, 128, 0 }, { -128, 128, 0 }, { -128, 128, 0 } }, { "Red", "Green", "Blue" } },
    { "Effect_Bright_Contrast", 2, { { 0, 200, 100 }, { 0, 200, 100 } }, { "Bright", "Contrast" } },
    { "Effect_Hue_Saturation", 2, { { 0, 200, 100 }, { 0, 200, 100 } }, { "Hue", "Saturation" } },
    kNoKind,
    { "Effect_Rotate_Angle", 1, { { 1, 89, 45 } }, {} },
    { "Effect_CircleTransform", 0, {}, {} },
    { "Effect_Noise", 1, { { 1, 500, 25 } }, {} },
    { "Effect_Soften", 1, { { 10, 50, 16 } }, {} },
    { "Effect_SelectiveBlur", 1, { { 1, 250, 25 } }, {} },
};

constexpr int kSliderIds[3] = { DlgEffect::kSlider1Id, DlgEffect::kSlider2Id, DlgEffect::kSlider3Id };
constexpr int kValueIds[3] = { DlgEffect::kValue1Id, DlgEffect::kValue2Id, DlgEffect::kValue3Id };
constexpr int kLabelIds[3] = { DlgEffect::kLabel1Id, DlgEffect::kLabel2Id, DlgEffect::kLabel3Id };

/// The warp buttons: id, caption, top, circle-transform type and coefficient.
struct Warp {
    int id;
    const char* caption;
    int y;
    int type;
    float coefficient;
    const char* tip;
};
constexpr Warp kWarps[5] = {
    { DlgEffect::kPunchId, "PUNCH", 151, 0, 100, "Push the middle of the picture towards you" },
    { DlgEffect::kPinchId, "PINCH", 111, 1, 100, "Pull the middle of the picture away" },
    { DlgEffect::kCylinderId, "CYLINDER", 178, 3, 100, "Wrap the picture around a cylinder" },
    { DlgEffect::kSwirlId, "SWIRL", 220, 2, 100, "Swirl the picture around its middle" },
    { DlgEffect::kBathroomId, "BATHROOM", 246, 4, 1, "Look through ribbed bathroom glass" },
};

// Rows of label, slider and value. The labels get a wider column than the template's 47 pixels
// so that "Saturation" stays readable at caption size; the slider keeps its bitmap's 278 pixels.
constexpr int kLabelX = 12, kLabelW = 72;
constexpr int kSliderX = 86, kSliderW = 278, kSliderH = 17;
constexpr int kValueX = 370, kValueW = 40;

CxSkinButton* skinButton(QWidget* parent, int id, const QString& text, QRect r, bool primary, int width)
{
    using namespace skin;
    auto* b = new CxSkinButton(parent);
    if (width == 60) {
        if (primary)
            b->SetSkin(
                kPrimary60Normal, kPrimary60Down, kPrimary60Over, kPrimary60Disabled, kPrimary60Focus, kButton60Mask);
        else
            b->SetSkin(kButton60Normal, kButton60Down, kButton60Over, kButton60Disabled, kButton60Focus, kButton60Mask);
    } else {
        b->SetSkin(kButton70Normal, kButton70Down, kButton70Over, kButton70Disabled, kButton70Focus, kButton70Mask);
    }
    b->setText(text);
    b->setFont(theme::captionFont(13, primary));
    b->SetTextColor(QColor(theme::kPaper));
    b->setGeometry(r);
    platform::setControlId(b, id);
    return b;
}

SkStatic* label(QWidget* parent, int id, QRect r, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* s = new SkStatic(parent);
    s->setGeometry(r);
    s->setFont(skin::theme::captionFont(13));
    s->setTextColor(QColor(skin::theme::kPaper));
    s->setAlignment(align);
    platform::setControlId(s, id);
    return s;
}

CButtonST* checkBox(QWidget* parent, int id, int off, int on, QRect r)
{
    auto* b = new CButtonST(parent);
    b->SetCheckImages(off, on);
    b->DrawTransparent(true);
    b->setGeometry(r);
    platform::setControlId(b, id);
    return b;
}

} // namespace

const DlgEffect::KindSpec& DlgEffect::kindSpec(int kind)
{
    if (kind < 0 || kind > 13)
        return kNoKind;
    return kKinds[kind];
}

DlgEffect::DlgEffect(QWidget* parent, const QImage& source, int kind, CxImage* workbench)
    : SkinDialog(parent)
    , m_source(source)
    , m_result(source)
    , m_kind(kind)
    , m_workbench(workbench)
{
    using namespace skin;
    const KindSpec& spec = kindSpec(kind);
    setWindowTitle(QString::fromLatin1(spec.title ? spec.title : ""));
    setSkinBackground(kEffectBackground, QSize(420, 400));

    m_caption = label(this, 0, QRect(48, 4, 320, 20));
    m_caption->setFont(theme::captionFont(14, true));
    m_caption->setText(windowTitle());

    m_preview = new CRectTrackerPic(this);
    m_preview->setGeometry(15, 34, kPreviewWidth, kPreviewHeight);
    platform::setControlId(m_preview, kPreviewId);
    m_preview->setAccessibleName(QStringLiteral("Preview"));

    for (int i = 0; i < 3; ++i) {
        auto* s = new CBitmapSlider(this);
        s->LoadChannelBitmaps(kSliderChannel, kSliderChannelActive, false);
        s->LoadThumbBitmaps(kSliderThumb, kSliderThumbActive, true, CBitmapSlider::kColourFromPixel, 0, 0);
        s->setActiveBitmapsDrawn(true, true);
        platform::setControlId(s, kSliderIds[i]);
        // Every report recomputes: a drag, and also a click on the channel, a key step and the release.
        connect(s, &CBitmapSlider::moving, this, [this](int id, int) { onSlider(id); });
        connect(s, &CBitmapSlider::moved, this, [this](int id, int) { onSlider(id); });
        m_sliders[i] = s;
        m_values[i] = label(this, kValueIds[i], {}, Qt::AlignRight | Qt::AlignVCenter);
        m_labels[i] = label(this, kLabelIds[i], {});
    }

    m_left = checkBox(this, kLeftId, kRadioOff, kRadioOn, QRect(kSliderX, 326, 16, 16));
    m_right = checkBox(this, kRightId, kRadioOff, kRadioOn, QRect(kSliderX + 90, 326, 16, 16));
    m_smooth = checkBox(this, kSmoothId, kCheckOff, kCheckOn, QRect(kSliderX + 180, 326, 16, 16));
    m_checkLabels[0] = label(this, kLeftLabelId, QRect(kSliderX + 22, 324, 60, 20));
    m_checkLabels[1] = label(this, kRightLabelId, QRect(kSliderX + 112, 324, 60, 20));
    m_checkLabels[2] = label(this, kSmoothLabelId, QRect(kSliderX + 202, 324, 70, 20));
    m_checkLabels[0]->setText(QStringLiteral("Left"));
    m_checkLabels[1]->setText(QStringLiteral("Right"));
    m_checkLabels[2]->setText(QStringLiteral("Smooth"));
    m_left->SetToolTipText(QStringLiteral("Blow the wind to the left"));
    m_right->SetToolTipText(QStringLiteral("Blow the wind to the right"));
    m_smooth->SetToolTipText(QStringLiteral("Smear every row by the same length"));
    connect(m_left, &QAbstractButton::clicked, this, [this] {
        m_left->SetCheck(true);
        m_right->SetCheck(false);
    });
    connect(m_right, &QAbstractButton::clicked, this, [this] {
        m_right->SetCheck(true);
        m_left->SetCheck(false);
    });

    for (int i = 0; i < 5; ++i) {
        const Warp& w = kWarps[i];
        m_warps[i] = skinButton(this, w.id, QString::fromLatin1(w.caption), QRect(341, w.y, 70, 23), false, 70);
        m_warps[i]->SetToolTipText(QString::fromLatin1(w.tip));
        connect(m_warps[i], &QAbstractButton::clicked, this, [this, id = w.id] { onWarp(id); });
    }

    auto* resum = skinButton(this, kResumId, QStringLiteral("Resum"), QRect(341, 37, 70, 23), false, 70);
    resum->SetToolTipText(QStringLiteral("Go back to the picture the dialog was opened with"));
    connect(resum, &QAbstractButton::clicked, this, [this] { onResum(); });

    auto* close = new CButtonST(this);
    close->SetIcon(kCloseNormal, kCloseOver);
    close->DrawTransparent(true);
    close->setGeometry(381, 1, 25, 25);
    close->SetToolTipText(QStringLiteral("Close without using the effect"));
    platform::setControlId(close, kCloseId);
    connect(close, &QAbstractButton::clicked, this, [this] { reject(); });

    auto* ok = skinButton(this, kOkId, QStringLiteral("OK"), QRect(267, 358, 60, 23), true, 60);
    auto* cancel = skinButton(this, kCancelId, QStringLiteral("Cancel"), QRect(339, 358, 60, 23), false, 60);
    ok->SetToolTipText(QStringLiteral("Use the effect"));
    cancel->SetToolTipText(QStringLiteral("Close without using the effect"));
    connect(ok, &QAbstractButton::clicked, this, [this] { accept(); });
    connect(cancel, &QAbstractButton::clicked, this, [this] { reject(); });

    layoutControls();

    // Opening: the working copy from the source, the warps' own copy of the workbench picture.
    m_working.CopyFromBitmap(m_source, 32);
    if (m_kind == KindCircleTransform && m_workbench)
        m_warp.Copy(*m_workbench);
    for (int i = 0; i < spec.sliders; ++i) {
        m_sliders[i]->SetRange(spec.slider[i].minimum, spec.slider[i].maximum);
        m_sliders[i]->SetPos(spec.slider[i].start);
        setValueText(i, spec.slider[i].start);
        if (spec.label[i])
            m_labels[i]->setText(QString::fromLatin1(spec.label[i]));
        // A lone slider has no label beside it: it is named by the effect.
        m_sliders[i]->setAccessibleName(spec.label[i] ? QString::fromLatin1(spec.label[i]) : windowTitle());
    }
    runPreviewSteps();
}

DlgEffect::~DlgEffect() = default;

void DlgEffect::layoutControls()
{
    const KindSpec& spec = kindSpec(m_kind);
    // Row tops by the number of sliders; Windy keeps its check boxes below its one row.
    int rows[3] = { 302, 0, 0 };
    if (spec.sliders == 2) {
        rows[0] = 290;
        rows[1] = 320;
    } else if (spec.sliders == 3) {
        rows[0] = 282;
        rows[1] = 302;
        rows[2] = 323;
    } else if (m_kind == KindWindy) {
        rows[0] = 294;
    }
    for (int i = 0; i < 3; ++i) {
        const bool shown = i < spec.sliders;
        m_sliders[i]->setGeometry(kSliderX, rows[i], kSliderW, kSliderH);
        m_values[i]->setGeometry(kValueX, rows[i] + 1, kValueW, 16);
        m_labels[i]->setGeometry(kLabelX, rows[i], kLabelW, 16);
        m_sliders[i]->setVisible(shown);
        m_values[i]->setVisible(shown);
        // One slider has no name beside it.
        m_labels[i]->setVisible(shown && spec.sliders > 1);
    }
    const bool windy = m_kind == KindWindy;
    for (QWidget* w : { static_cast<QWidget*>(m_left), static_cast<QWidget*>(m_right), static_cast<QWidget*>(m_smooth),
             static_cast<QWidget*>(m_checkLabels[0]), static_cast<QWidget*>(m_checkLabels[1]),
             static_cast<QWidget*>(m_checkLabels[2]) })
        w->setVisible(windy);
    if (windy) {
        m_left->SetCheck(true);
        m_right->SetCheck(false);
    }
    for (CxSkinButton* b : m_warps)
        b->setVisible(m_kind == KindCircleTransform);
}

int DlgEffect::exec()
{
    if (!isValidKind(m_kind))
        return IdCancel;
    centreOnParent();
    return SkinDialog::exec() == IdOk ? IdOk : IdCancel;
}

void DlgEffect::accept()
{
    // The warps reach the workbench picture only now; Cancel leaves it as it was.
    if (m_kind == KindCircleTransform && m_workbench && m_warp.IsValid())
        m_workbench->Copy(m_warp);
    done(IdOk);
}

void DlgEffect::reject()
{
    done(IdCancel);
}

QImage DlgEffect::previewBitmap() const
{
    return m_preview->bitmap();
}

void DlgEffect::showPreview(const QImage& bitmap)
{
    m_preview->setBitmap(bitmap);
}

void DlgEffect::setValueText(int index, int value)
{
    m_values[index]->setText(QString::asprintf("%i", value));
}

void DlgEffect::runPreviewSteps()
{
    QImage bitmap = m_working.CreateDeviceBitmap();
    if (bitmap.isNull())
        return; // nothing to show: the preview keeps the unchanged picture
    // A picture that fits already needs no round trip through the container.
    if (PreviewFitSize(bitmap.width(), bitmap.height()) != bitmap.size()) {
        CxImage picture, fitted;
        if (picture.FromDeviceBitmap(bitmap) && FitToPreview(picture, fitted)) {
            bitmap = fitted.ToDeviceBitmap();
            m_working.CopyFromBitmap(bitmap, 32);
        }
    }
    m_result = bitmap;
    showPreview(m_result);
}

void DlgEffect::onSlider(int controlId)
{
    const KindSpec& spec = kindSpec(m_kind);
    int index = -1;
    for (int i = 0; i < spec.sliders; ++i)
        if (kSliderIds[i] == controlId)
            index = i;
    if (index < 0)
        return;
    const int s1 = m_sliders[0]->GetPos(), s2 = m_sliders[1]->GetPos(), s3 = m_sliders[2]->GetPos();

    if (m_kind >= KindNoise) {
        if (!m_workbench || !m_workbench->IsValid())
            return;
        CxImage copy(*m_workbench);
        static const int32_t soften[9] = { 1, 1, 1, 1, 8, 1, 1, 1, 1 };
        if (m_kind == KindNoise)
            copy.Noise(s1);
        else if (m_kind == KindSoften)
            copy.Filter(soften, 3, s1, 0);
        else
            copy.SelectiveBlur(1.0f, uint8_t(std::clamp(s1, 0, 255)));
        setValueText(0, s1);
        m_result = copy.ToDeviceBitmap();
        showPreview(m_result);
        return;
    }

    // Always from the untouched input, never from an earlier result.
    m_working.CopyFromBitmap(m_source, 32);
    switch (m_kind) {
    case KindEmboss:
        m_working.Emboss(s1);
        setValueText(0, s1);
        break;
    case KindSharp:
        m_working.Sharp(s1);
        setValueText(0, s1);
        break;
    case KindMosaic:
        m_working.Mosaic(std::max(s1, 2));
        setValueText(0, std::max(s1, 2));
        break;
    case KindWindy:
        m_working.Windy(s1, m_left->GetCheck() ? FCDibEffect::kLeft : FCDibEffect::kRight, m_smooth->GetCheck());
        setValueText(0, s1);
        break;
    case KindStripe:
        m_working.Stripe(s2, s1);
        setValueText(0, s1);
        setValueText(1, s2);
        break;
    case KindAdjustRgb:
        m_working.AdjustRGB(s1, s2, s3);
        setValueText(0, s1);
        setValueText(1, s2);
        setValueText(2, s3);
        break;
    case KindBrightContrast:
        m_working.AdjustBrightness(s1, 0);
        m_working.AdjustContrast(s2);
        setValueText(0, s1);
        setValueText(1, s2);
        break;
    case KindHueSaturation:
        m_working.AdjustHueSaturation(s1, s2);
        setValueText(0, s1);
        setValueText(1, s2);
        break;
    case KindRotateAngle:
        m_working.RotateAngle(std::min(s1, 89));
        setValueText(0, std::min(s1, 89));
        break;
    default:
        return;
    }
    runPreviewSteps();
}

void DlgEffect::onWarp(int controlId)
{
    if (m_kind != KindCircleTransform || !m_warp.IsValid())
        return;
    for (const Warp& w : kWarps) {
        if (w.id != controlId)
            continue;
        m_warp.SetEscape(0);
        m_warp.CircleTransform(w.type, 0, w.coefficient);
        m_result = m_warp.ToDeviceBitmap();
        showPreview(m_result);
        return;
    }
}

void DlgEffect::onResum()
{
    m_working.CopyFromBitmap(m_source, 32);
    if (m_kind == KindCircleTransform && m_workbench)
        m_warp.Copy(*m_workbench);
    m_result = m_source;
    showPreview(m_source);
}
