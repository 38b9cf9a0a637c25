// The workbench's edits as steps: what it records (inside the tracker's rectangle, through undo),
// and that the steps made again on a picture twice the size give the workbench's result at twice
// the size, pixel for pixel.
#include "editing/edit_replay.h"

#include <QAbstractButton>
#include <QFile>

#include <gtest/gtest.h>

#include "editing/dlg_effect.h"
#include "editing/dlg_filter.h"
#include "editing/mix_compose.h"
#include "editing/mix_layer_data.h"
#include "editing/rect_tracker_pic.h"
#include "editing_test_util.h"
#include "platform/control_id.h"
#include "skin/bitmap_slider.h"
#include "tests/common/test_support.h"

namespace {

using edtest::noisePicture;
using edtest::sameRgb;

/// Every pixel doubled: what the same picture looks like at twice the size, without new detail.
QImage doubled(const QImage& img)
{
    return img.scaled(img.width() * 2, img.height() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

TEST(EditReplay, WorkbenchStepsMadeAgainAtTwiceTheSizeGiveItsResultAtTwiceTheSize)
{
    const QImage src = noisePicture(320, 240, 21);
    DlgFilter d(src);
    ASSERT_TRUE(d.replayableEdits());
    EXPECT_TRUE(d.replayableEdits()->empty());

    // A negative inside the tracker's rectangle, a mirror, a gamma, and hue and saturation.
    platform::findControl<QAbstractButton>(&d, DlgFilter::kTrackerId)->click();
    d.pictureControl()->applyToImage(QRect(10, 20, 50, 40));
    d.press(1086);
    platform::findControl<QAbstractButton>(&d, DlgFilter::kTrackerId)->click();
    d.picture()->SelectionDelete();
    d.press(1093);
    d.setParameterAsker([](int) -> std::optional<double> { return 2.2; });
    d.press(DlgFilter::kGammaId);
    d.setEffectRunner([](DlgEffect& e) {
        platform::findControl<CBitmapSlider>(&e, DlgEffect::kSlider1Id)->SetPos(30);
        platform::findControl<CBitmapSlider>(&e, DlgEffect::kSlider2Id)->SetPos(150);
        e.onSlider(DlgEffect::kSlider2Id);
        return int(DlgEffect::IdOk);
    });
    d.press(1150);

    ASSERT_TRUE(d.replayableEdits());
    const std::vector<EditStep> steps = *d.replayableEdits();
    ASSERT_EQ(steps.size(), 4u);
    // The picture's own selection, as the operation used it (the tracker includes its far edges).
    EXPECT_EQ(steps[0].selection, QRect(10, 20, 51, 41));
    EXPECT_EQ(steps[0].size, QSize(320, 240));
    EXPECT_TRUE(steps[1].selection.isEmpty());
    EXPECT_EQ(steps[2].args.at(0), 2.2);
    EXPECT_EQ(steps[3].kind, EditStep::Effect);
    EXPECT_EQ(steps[3].args.at(0), 30);
    EXPECT_EQ(steps[3].args.at(1), 150);

    // At the same size: the workbench's own result.
    CxImage same = edtest::imageOf(src);
    for (const EditStep& s : steps)
        ASSERT_TRUE(ReplayEditStep(same, s)) << same.GetLastError();
    EXPECT_TRUE(sameRgb(same.ToDeviceBitmap(), d.displayBitmap()));
    // At twice the size: that result at twice the size, pixel for pixel.
    CxImage twice = edtest::imageOf(doubled(src));
    for (const EditStep& s : steps)
        ASSERT_TRUE(ReplayEditStep(twice, s)) << twice.GetLastError();
    EXPECT_TRUE(sameRgb(twice.ToDeviceBitmap(), doubled(d.displayBitmap())));
}

TEST(EditReplay, AFilterWithARadiusEndsTheStepsAndUndoBringsThemBack)
{
    DlgFilter d(noisePicture(160, 120, 22));
    d.press(1086); // Negative
    d.press(DlgFilter::kRotateLeftId);
    ASSERT_TRUE(d.replayableEdits());
    ASSERT_EQ(d.replayableEdits()->size(), 2u);
    EXPECT_EQ(d.replayableEdits()->at(1).kind, EditStep::RotateLeft);
    d.press(1116); // Blur: three pixels wide whatever the size
    EXPECT_FALSE(d.replayableEdits());
    d.undo();
    ASSERT_TRUE(d.replayableEdits());
    EXPECT_EQ(d.replayableEdits()->size(), 2u);
    d.redo();
    EXPECT_FALSE(d.replayableEdits());
    d.resume();
    ASSERT_TRUE(d.replayableEdits());
    EXPECT_TRUE(d.replayableEdits()->empty());

    // An effect set back to the untouched picture before OK records nothing.
    d.setEffectRunner([](DlgEffect& e) {
        e.onSlider(DlgEffect::kSlider1Id);
        e.onResum();
        return int(DlgEffect::IdOk);
    });
    d.press(1149);
    ASSERT_TRUE(d.replayableEdits());
    EXPECT_TRUE(d.replayableEdits()->empty());
    EXPECT_FALSE(IsReplayableEdit(EditStep::Effect, DlgEffect::KindEmboss));
    CxImage img = edtest::imageOf(noisePicture(8, 8));
    EXPECT_FALSE(ReplayEditStep(img, EditStep { EditStep::Direct, 32813, {}, QSize(8, 8), {}, {} }));
}

TEST(EditReplay, MixerStickersAndTextsAreLaidOverAgainAtTheirPlacesScaled)
{
    testsupport::TempDir dir;
    // A keyed sticker (its top-left colour is see-through): a red 20 x 10 bar on magenta.
    QImage sticker(30, 20, QImage::Format_RGB32);
    sticker.fill(qRgb(255, 0, 255));
    for (int y = 5; y < 15; ++y)
        for (int x = 5; x < 25; ++x)
            sticker.setPixel(x, y, qRgb(220, 20, 20));
    const QString path = QString::fromStdString(dir.file("bar.bmp"));
    ASSERT_TRUE(sticker.save(path));

    const QImage picture = noisePicture(320, 240, 23);
    MixLayerList list;
    list.addBaseLayer();
    ASSERT_TRUE(list.addImageLayer(path));
    list.layer(1).m_x = 100;
    list.layer(1).m_y = -50; // its top edge 50 rows down
    TextInfo text;
    DefaultTextInfo(text);
    list.addTextLayer(text);
    list.layer(2).m_x = 160;
    list.layer(2).m_y = 200;
    CxImage mixed;
    ComposeLayers(picture, list, mixed, nullptr);

    const std::optional<EditStep> step = LayersStep(list, picture.size());
    ASSERT_TRUE(step);
    ASSERT_EQ(step->layers.size(), 2u);
    // At the mixer's size: the mixer's own result.
    CxImage same = edtest::imageOf(picture);
    ASSERT_TRUE(ReplayEditStep(same, *step)) << same.GetLastError();
    EXPECT_TRUE(sameRgb(same.ToDeviceBitmap(), mixed.ToDeviceBitmap()));

    // At twice the size: the bar twice as large at twice the place, the text box twice as large.
    CxImage twice = edtest::imageOf(doubled(picture));
    ASSERT_TRUE(ReplayEditStep(twice, *step)) << twice.GetLastError();
    const QImage big = twice.ToDeviceBitmap();
    EXPECT_EQ(big.pixel(2 * 100 + 2 * 5 + 3, 2 * 50 + 2 * 5 + 3) & 0xFFFFFF, 0xDC1414u);
    EXPECT_EQ(big.pixel(2 * 100 + 2 * 25 - 3, 2 * 50 + 2 * 15 - 3) & 0xFFFFFF, 0xDC1414u);
    EXPECT_EQ(big.pixel(2 * 100 + 2, 2 * 50 + 2), doubled(picture).pixel(2 * 100 + 2, 2 * 50 + 2)); // the key
    // The rows the text changed, at each size.
    auto changedRows = [](const QImage& before, const QImage& after, int fromY) {
        int first = -1, last = -1;
        for (int y = fromY; y < after.height(); ++y)
            for (int x = 0; x < after.width(); ++x)
                if ((after.pixel(x, y) & 0xFFFFFF) != (before.pixel(x, y) & 0xFFFFFF)) {
                    if (first < 0)
                        first = y;
                    last = y;
                    break;
                }
        return last - first + 1;
    };
    const int small = changedRows(picture, mixed.ToDeviceBitmap(), 80);
    const int large = changedRows(doubled(picture), big, 160);
    ASSERT_GT(small, 10);
    EXPECT_NEAR(large, 2 * small, 4);

    // A sticker file gone before OK: the mixer's result cannot be made again.
    QFile::remove(path);
    EXPECT_FALSE(LayersStep(list, picture.size()));
}
