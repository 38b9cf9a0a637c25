// DlgEffect through its controls: the kind table, visibility, recomputation from the source on
// every slider report, Windy's options, the warps on a copy, Resum and the preview fit.
#include "editing/dlg_effect.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include "editing/fc/fc_image.h"
#include "editing_test_util.h"
#include "platform/control_id.h"
#include "skin/bitmap_slider.h"
#include "skin/button_st.h"
#include "skin/sk_static.h"

namespace {

using edtest::noisePicture;
using edtest::sameRgb;

CBitmapSlider* slider(const DlgEffect& d, int id)
{
    return platform::findControl<CBitmapSlider>(&d, id);
}
QString valueText(const DlgEffect& d, int id)
{
    return platform::findControl<SkStatic>(&d, id)->text();
}
bool shown(const DlgEffect& d, int id)
{
    QWidget* w = platform::findControl<QWidget>(&d, id);
    return w && !w->isHidden();
}

/// What an effect gives on the source, as the dialog computes it (before the preview fit).
template <class Fn> QImage expected(const QImage& source, Fn fn)
{
    FCImage img;
    img.CopyFromBitmap(source, 32);
    fn(img);
    return img.CreateDeviceBitmap();
}

void moveSlider(DlgEffect& d, int id, int pos)
{
    slider(d, id)->SetPos(pos);
    d.onSlider(id);
}

TEST(DlgEffect, KindsHaveTheirTitlesRangesStartsAndControls)
{
    struct Row {
        int kind;
        const char* title;
        int sliders;
        int min1, max1, start1;
        const char* label1;
    };
    const Row rows[] = {
        { 0, "Effect_EMBOSS", 1, 1, 100, 1, nullptr },
        { 1, "Effect_SHARP", 1, 1, 100, 1, nullptr },
        { 2, "Effect_Mosaic", 1, 2, 100, 2, nullptr },
        { 3, "Effect_Windy", 1, 0, 100, 0, nullptr },
        { 4, "Effect_Stripe", 2, 0, 100, 35, "Frequency" },
        { 5, "Effect_Adject_RGB", 3, -128, 128, 0, "Red" },
        { 6, "Effect_Bright_Contrast", 2, 0, 200, 100, "Bright" },
        { 7, "Effect_Hue_Saturation", 2, 0, 200, 100, "Hue" },
        { 9, "Effect_Rotate_Angle", 1, 1, 89, 45, nullptr },
        { 10, "Effect_CircleTransform", 0, 0, 0, 0, nullptr },
        { 11, "Effect_Noise", 1, 1, 500, 25, nullptr },
        { 12, "Effect_Soften", 1, 10, 50, 16, nullptr },
        { 13, "Effect_SelectiveBlur", 1, 1, 250, 25, nullptr },
    };
    const QImage src = noisePicture(64, 48);
    CxImage workbench = edtest::imageOf(src);
    const int sliderIds[3] = { DlgEffect::kSlider1Id, DlgEffect::kSlider2Id, DlgEffect::kSlider3Id };
    const int valueIds[3] = { DlgEffect::kValue1Id, DlgEffect::kValue2Id, DlgEffect::kValue3Id };
    const int labelIds[3] = { DlgEffect::kLabel1Id, DlgEffect::kLabel2Id, DlgEffect::kLabel3Id };
    for (const Row& r : rows) {
        DlgEffect d(nullptr, src, r.kind, &workbench);
        SCOPED_TRACE(r.title);
        EXPECT_EQ(d.windowTitle(), QString::fromLatin1(r.title));
        EXPECT_EQ(d.size(), QSize(420, 400));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(shown(d, sliderIds[i]), i < r.sliders) << i;
            EXPECT_EQ(shown(d, valueIds[i]), i < r.sliders) << i;
            EXPECT_EQ(shown(d, labelIds[i]), i < r.sliders && r.sliders > 1) << i;
        }
        if (r.sliders) {
            CBitmapSlider* s = slider(d, DlgEffect::kSlider1Id);
            EXPECT_EQ(s->GetRangeMin(), r.min1);
            EXPECT_EQ(s->GetRangeMax(), r.max1);
            EXPECT_EQ(s->GetPos(), r.start1);
            EXPECT_EQ(valueText(d, DlgEffect::kValue1Id), QString::number(r.start1));
        }
        if (r.label1) {
            EXPECT_EQ(valueText(d, DlgEffect::kLabel1Id), QString::fromLatin1(r.label1));
        }
        for (int id : { DlgEffect::kPunchId, DlgEffect::kPinchId, DlgEffect::kCylinderId, DlgEffect::kSwirlId,
                 DlgEffect::kBathroomId })
            EXPECT_EQ(shown(d, id), r.kind == 10);
        for (int id : { DlgEffect::kLeftId, DlgEffect::kRightId, DlgEffect::kSmoothId, DlgEffect::kLeftLabelId,
                 DlgEffect::kRightLabelId, DlgEffect::kSmoothLabelId })
            EXPECT_EQ(shown(d, id), r.kind == 3);
        EXPECT_TRUE(shown(d, DlgEffect::kResumId));
        EXPECT_TRUE(shown(d, DlgEffect::kPreviewId));
        EXPECT_TRUE(shown(d, DlgEffect::kOkId));
        EXPECT_TRUE(shown(d, DlgEffect::kCancelId));
    }
    // Second and third rows of the three-slider and two-slider kinds.
    DlgEffect stripe(nullptr, src, 4, &workbench);
    EXPECT_EQ(slider(stripe, DlgEffect::kSlider2Id)->GetPos(), 25);
    EXPECT_EQ(valueText(stripe, DlgEffect::kLabel2Id), QStringLiteral("Swing"));
    DlgEffect rgb(nullptr, src, 5, &workbench);
    EXPECT_EQ(slider(rgb, DlgEffect::kSlider3Id)->GetRangeMin(), -128);
    EXPECT_EQ(valueText(rgb, DlgEffect::kLabel3Id), QStringLiteral("Blue"));
    DlgEffect windy(nullptr, src, 3, &workbench);
    EXPECT_TRUE(platform::findControl<CButtonST>(&windy, DlgEffect::kLeftId)->GetCheck());
    EXPECT_FALSE(platform::findControl<CButtonST>(&windy, DlgEffect::kRightId)->GetCheck());
}

TEST(DlgEffect, KindEightIsRefused)
{
    EXPECT_FALSE(DlgEffect::isValidKind(8));
    EXPECT_FALSE(DlgEffect::isValidKind(14));
    DlgEffect d(nullptr, noisePicture(20, 20), 8, nullptr);
    EXPECT_EQ(d.exec(), DlgEffect::IdCancel);
}

TEST(DlgEffect, EverySliderMoveStartsFromTheSource)
{
    const QImage src = noisePicture(80, 60, 3);
    DlgEffect d(nullptr, src, DlgEffect::KindEmboss, nullptr);
    moveSlider(d, DlgEffect::kSlider1Id, 5);
    moveSlider(d, DlgEffect::kSlider1Id, 3);
    EXPECT_TRUE(sameRgb(d.result(), expected(src, [](FCImage& i) { i.Emboss(3); })));
    EXPECT_TRUE(sameRgb(d.previewBitmap(), d.result()));
    EXPECT_EQ(valueText(d, DlgEffect::kValue1Id), QStringLiteral("3"));

    // Mosaic at its minimum uses block size 2 and shows "2".
    DlgEffect m(nullptr, src, DlgEffect::KindMosaic, nullptr);
    moveSlider(m, DlgEffect::kSlider1Id, 0);
    EXPECT_EQ(valueText(m, DlgEffect::kValue1Id), QStringLiteral("2"));
    EXPECT_TRUE(sameRgb(m.result(), expected(src, [](FCImage& i) { i.Mosaic(2); })));

    // Brightness then contrast, both from the slider positions.
    DlgEffect bc(nullptr, src, DlgEffect::KindBrightContrast, nullptr);
    slider(bc, DlgEffect::kSlider1Id)->SetPos(140);
    moveSlider(bc, DlgEffect::kSlider2Id, 60);
    EXPECT_EQ(valueText(bc, DlgEffect::kValue1Id), QStringLiteral("140"));
    EXPECT_EQ(valueText(bc, DlgEffect::kValue2Id), QStringLiteral("60"));
    EXPECT_TRUE(sameRgb(bc.result(), expected(src, [](FCImage& i) {
        i.AdjustBrightness(140, 0);
        i.AdjustContrast(60);
    })));

    // Stripe takes swing from slider 2 and frequency from slider 1.
    DlgEffect st(nullptr, src, DlgEffect::KindStripe, nullptr);
    slider(st, DlgEffect::kSlider1Id)->SetPos(70);
    moveSlider(st, DlgEffect::kSlider2Id, 10);
    EXPECT_TRUE(sameRgb(st.result(), expected(src, [](FCImage& i) { i.Stripe(10, 70); })));

    // A report from another control changes nothing.
    const QImage before = st.result();
    st.onSlider(DlgEffect::kSlider3Id);
    st.onSlider(1234);
    EXPECT_TRUE(sameRgb(st.result(), before));
}

TEST(DlgEffect, WindyDirectionAndSmoothComeFromTheCheckBoxes)
{
    const QImage src = noisePicture(80, 60, 4);
    DlgEffect d(nullptr, src, DlgEffect::KindWindy, nullptr);
    auto* left = platform::findControl<CButtonST>(&d, DlgEffect::kLeftId);
    auto* right = platform::findControl<CButtonST>(&d, DlgEffect::kRightId);
    auto* smooth = platform::findControl<CButtonST>(&d, DlgEffect::kSmoothId);
    smooth->click();
    ASSERT_TRUE(smooth->GetCheck());
    moveSlider(d, DlgEffect::kSlider1Id, 12);
    EXPECT_TRUE(sameRgb(d.result(), expected(src, [](FCImage& i) { i.Windy(12, 8, true); })));

    // Clicking the options does not recompute; the next slider report uses them.
    const QImage before = d.result();
    right->click();
    EXPECT_TRUE(right->GetCheck());
    EXPECT_FALSE(left->GetCheck());
    EXPECT_TRUE(sameRgb(d.result(), before));
    moveSlider(d, DlgEffect::kSlider1Id, 12);
    EXPECT_TRUE(sameRgb(d.result(), expected(src, [](FCImage& i) { i.Windy(12, 16, true); })));
    left->click();
    EXPECT_TRUE(left->GetCheck());
    EXPECT_FALSE(right->GetCheck());
}

TEST(DlgEffect, KeyStepsAndClicksRecomputeToo)
{
    const QImage src = noisePicture(60, 40, 5);
    DlgEffect d(nullptr, src, DlgEffect::KindSharp, nullptr);
    CBitmapSlider* s = slider(d, DlgEffect::kSlider1Id);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(s, &key);
    QApplication::processEvents();
    EXPECT_EQ(valueText(d, DlgEffect::kValue1Id), QStringLiteral("100"));
    EXPECT_TRUE(sameRgb(d.result(), expected(src, [](FCImage& i) { i.Sharp(100); })));
}

TEST(DlgEffect, PreviewFitsLargePicturesOnly)
{
    DlgEffect big(nullptr, noisePicture(640, 480), DlgEffect::KindEmboss, nullptr);
    EXPECT_EQ(big.result().size(), QSize(320, 240));
    EXPECT_EQ(big.workingImage().Width(), 320);
    moveSlider(big, DlgEffect::kSlider1Id, 4);
    EXPECT_EQ(big.result().size(), QSize(320, 240));

    DlgEffect small(nullptr, noisePicture(200, 100), DlgEffect::KindEmboss, nullptr);
    EXPECT_EQ(small.result().size(), QSize(200, 100));
    DlgEffect wide(nullptr, noisePicture(400, 200), DlgEffect::KindEmboss, nullptr);
    EXPECT_EQ(wide.result().size(), QSize(320, 320));
    DlgEffect high(nullptr, noisePicture(300, 260), DlgEffect::KindEmboss, nullptr);
    EXPECT_EQ(high.result().size(), QSize(240, 240));

    // The rotation's larger canvas is fitted again.
    DlgEffect rot(nullptr, noisePicture(320, 240), DlgEffect::KindRotateAngle, nullptr);
    moveSlider(rot, DlgEffect::kSlider1Id, 30);
    EXPECT_EQ(rot.result().size(), QSize(320, 240));
    EXPECT_EQ(valueText(rot, DlgEffect::kValue1Id), QStringLiteral("30"));
}

TEST(DlgEffect, WarpsWorkOnACopyUntilOk)
{
    const QImage src = noisePicture(90, 70, 6);
    CxImage workbench = edtest::imageOf(src);
    CxImage swirledTwice(workbench);
    swirledTwice.CircleTransform(2, 0, 100);
    swirledTwice.CircleTransform(2, 0, 100);
    {
        DlgEffect d(nullptr, src, DlgEffect::KindCircleTransform, &workbench);
        platform::findControl<QAbstractButton>(&d, DlgEffect::kSwirlId)->click();
        platform::findControl<QAbstractButton>(&d, DlgEffect::kSwirlId)->click();
        EXPECT_TRUE(sameRgb(d.result(), swirledTwice.ToDeviceBitmap()));
        EXPECT_TRUE(sameRgb(d.previewBitmap(), d.result()));
        // Cancel: the workbench picture is as it was when the dialog opened.
        d.reject();
        EXPECT_TRUE(sameRgb(workbench.ToDeviceBitmap(), src));
    }
    {
        DlgEffect d(nullptr, src, DlgEffect::KindCircleTransform, &workbench);
        platform::findControl<QAbstractButton>(&d, DlgEffect::kSwirlId)->click();
        platform::findControl<QAbstractButton>(&d, DlgEffect::kResumId)->click();
        EXPECT_TRUE(sameRgb(d.result(), src));
        platform::findControl<QAbstractButton>(&d, DlgEffect::kBathroomId)->click();
        CxImage bathroom = edtest::imageOf(src);
        bathroom.CircleTransform(4, 0, 1);
        EXPECT_TRUE(sameRgb(d.result(), bathroom.ToDeviceBitmap()));
        d.accept();
        EXPECT_TRUE(sameRgb(workbench.ToDeviceBitmap(), bathroom.ToDeviceBitmap()));
    }
    // Outside kind 10 the warp buttons do nothing.
    DlgEffect emboss(nullptr, src, DlgEffect::KindEmboss, &workbench);
    const QImage before = emboss.result();
    emboss.onWarp(DlgEffect::kSwirlId);
    EXPECT_TRUE(sameRgb(emboss.result(), before));
}

TEST(DlgEffect, WarpsStayInsideTheWorkbenchSelection)
{
    const QImage src = noisePicture(90, 70, 7);
    CxImage workbench = edtest::imageOf(src);
    workbench.SelectRectangle(10, 10, 40, 40);
    CxImage ref(workbench);
    ref.CircleTransform(0, 0, 100);
    DlgEffect d(nullptr, src, DlgEffect::KindCircleTransform, &workbench);
    d.onWarp(DlgEffect::kPunchId);
    EXPECT_TRUE(sameRgb(d.result(), ref.ToDeviceBitmap()));
    EXPECT_EQ(d.result().pixel(80, 5), src.pixel(80, 5));
}

TEST(DlgEffect, ContainerKindsRunOnACopyOfTheWorkbenchPicture)
{
    const QImage src = noisePicture(400, 300, 8);
    CxImage workbench = edtest::imageOf(src);
    DlgEffect d(nullptr, src, DlgEffect::KindSoften, &workbench);
    moveSlider(d, DlgEffect::kSlider1Id, 20);
    CxImage ref(workbench);
    const int32_t kernel[9] = { 1, 1, 1, 1, 8, 1, 1, 1, 1 };
    ref.Filter(kernel, 3, 20, 0);
    // Shown unchanged in size, and the workbench picture itself untouched.
    EXPECT_EQ(d.result().size(), QSize(400, 300));
    EXPECT_TRUE(sameRgb(d.result(), ref.ToDeviceBitmap()));
    EXPECT_TRUE(sameRgb(workbench.ToDeviceBitmap(), src));
    EXPECT_EQ(valueText(d, DlgEffect::kValue1Id), QStringLiteral("20"));

    DlgEffect blur(nullptr, src, DlgEffect::KindSelectiveBlur, &workbench);
    moveSlider(blur, DlgEffect::kSlider1Id, 40);
    CxImage sref(workbench);
    sref.SelectiveBlur(1.0f, 40);
    EXPECT_TRUE(sameRgb(blur.result(), sref.ToDeviceBitmap()));

    DlgEffect noise(nullptr, src, DlgEffect::KindNoise, &workbench);
    moveSlider(noise, DlgEffect::kSlider1Id, 100);
    EXPECT_EQ(noise.result().size(), QSize(400, 300));
    EXPECT_FALSE(sameRgb(noise.result(), src));
    EXPECT_TRUE(sameRgb(workbench.ToDeviceBitmap(), src));

    // Without a workbench picture nothing is computed.
    DlgEffect none(nullptr, src, DlgEffect::KindNoise, nullptr);
    moveSlider(none, DlgEffect::kSlider1Id, 100);
    EXPECT_EQ(none.result().size(), QSize(320, 240));
}

TEST(DlgEffect, EmptySourceShowsNothingAndFailsNothing)
{
    DlgEffect d(nullptr, QImage(), DlgEffect::KindEmboss, nullptr);
    moveSlider(d, DlgEffect::kSlider1Id, 10);
    EXPECT_TRUE(d.result().isNull());
}

} // namespace
