// DlgEffect: tries one adjustable effect on the workbench's picture. Up to three sliders (or the
// five warp buttons of the circle transform) recompute a 320 x 240 preview from the untouched input.
#pragma once

#include <QImage>

#include "editing/fc/fc_image.h"
#include "imaging/cximage.h"
#include "skin/skin_window.h"

class CBitmapSlider;
class CButtonST;
class CRectTrackerPic;
class CxSkinButton;
class SkStatic;

class DlgEffect : public skin::SkinDialog {
    Q_OBJECT
public:
    enum Kind {
        KindEmboss = 0,
        KindSharp = 1,
        KindMosaic = 2,
        KindWindy = 3,
        KindStripe = 4,
        KindAdjustRgb = 5,
        KindBrightContrast = 6,
        KindHueSaturation = 7,
        KindRotateAngle = 9,
        KindCircleTransform = 10,
        KindNoise = 11,
        KindSoften = 12,
        KindSelectiveBlur = 13,
    };
    enum ControlIds {
        kPreviewId = 1138,
        kSlider1Id = 1139,
        kSlider2Id = 1143,
        kSlider3Id = 1144,
        kValue1Id = 1140,
        kValue2Id = 1141,
        kValue3Id = 1142,
        kLabel1Id = 1152,
        kLabel2Id = 1153,
        kLabel3Id = 1154,
        kLeftId = 1145,
        kRightId = 1146,
        kSmoothId = 1147,
        kLeftLabelId = 1158,
        kRightLabelId = 1159,
        kSmoothLabelId = 1163,
        kPunchId = 1166,
        kPinchId = 1167,
        kCylinderId = 1168,
        kSwirlId = 1091,
        kBathroomId = 1169,
        kResumId = 1136,
        kCloseId = 1175,
        kOkId = 1,
        kCancelId = 2,
    };
    enum Result { IdOk = 1, IdCancel = 2 };

    /// One slider of a kind: range and start position.
    struct SliderSpec {
        int minimum, maximum, start;
    };
    /// The kind's title (the window text), sliders and their labels; null title for kind 8 and
    /// anything outside 0..13.
    struct KindSpec {
        const char* title;
        int sliders;
        SliderSpec slider[3];
        const char* label[3];
    };
    static const KindSpec& kindSpec(int kind);
    static bool isValidKind(int kind) { return kindSpec(kind).title != nullptr; }

    /// source: the workbench's display bitmap; workbench: its picture (not owned), read by kinds
    /// 10 to 13 and, for kind 10, given the warps on OK.
    DlgEffect(QWidget* parent, const QImage& source, int kind, CxImage* workbench);
    ~DlgEffect() override;

    /// IdOk or IdCancel; a kind without layout is refused with IdCancel at once.
    int exec() override;
    /// The last result: the source until something was computed.
    QImage result() const { return m_result; }
    int kind() const { return m_kind; }
    /// The 32-bit working copy the adjustable effects run on (the preview-fitted latest result).
    const FCImage& workingImage() const { return m_working; }
    /// The picture the warps of kind 10 work on until OK.
    const CxImage& warpImage() const { return m_warp; }
    /// What the preview control shows.
    QImage previewBitmap() const;
    /// The position of slider i (0 to 2), as the last result was computed with it.
    int sliderPosition(int i) const;

    /// A slider reported a position (moving or moved): recompute from the source.
    void onSlider(int controlId);
    /// A warp button (kind 10 only).
    void onWarp(int controlId);
    void onResum();

public slots:
    void accept() override;
    void reject() override;

private:
    void layoutControls();
    void runPreviewSteps();
    void showPreview(const QImage& bitmap);
    void setValueText(int index, int value);
    CBitmapSlider* slider(int index) const { return m_sliders[index]; }

    QImage m_source;
    QImage m_result;
    int m_kind;
    FCImage m_working;
    CxImage* m_workbench;
    CxImage m_warp;
    CRectTrackerPic* m_preview = nullptr;
    CBitmapSlider* m_sliders[3] = {};
    SkStatic* m_values[3] = {};
    SkStatic* m_labels[3] = {};
    CButtonST* m_left = nullptr;
    CButtonST* m_right = nullptr;
    CButtonST* m_smooth = nullptr;
    SkStatic* m_checkLabels[3] = {};
    CxSkinButton* m_warps[5] = {};
    SkStatic* m_caption = nullptr;
};
