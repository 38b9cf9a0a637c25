// DlgFilter through its buttons: the table, the preview fit, the history, effect results and
// cancels, rotations, the tracker, Gamma and Threshold values, Save and the progress of the worker.
#include "editing/dlg_filter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/app_toolkit.h"
#include "editing/dlg_effect.h"
#include "editing/dlg_mix.h"
#include "editing/rect_tracker_pic.h"
#include "editing_test_util.h"
#include "picture/bitmap_scale.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/bitmap_slider.h"
#include "tests/common/test_support.h"

namespace {

using edtest::noisePicture;
using edtest::sameRgb;

struct PromptsGuard {
    platform::ScriptedPrompts prompts;
    PromptsGuard() { platform::setPrompts(&prompts); }
    ~PromptsGuard() { platform::setPrompts(nullptr); }
};

QImage pictureOf(const DlgFilter& d)
{
    return d.picture()->ToDeviceBitmap();
}

TEST(DlgFilter, ButtonsSitInTheirGrid)
{
    DlgFilter d(noisePicture(64, 48));
    EXPECT_EQ(d.size(), QSize(800, 400));
    EXPECT_EQ(DlgFilter::buttons().size(), 33u);
    for (const DlgFilter::ButtonSpec& b : DlgFilter::buttons()) {
        auto* w = platform::findControl<QAbstractButton>(&d, b.id);
        ASSERT_NE(w, nullptr) << b.label;
        EXPECT_EQ(w->geometry(), QRect(375 + 130 * (b.column - 1), 32 + 29 * b.row, 122, 28)) << b.label;
        EXPECT_FALSE(w->toolTip().isEmpty()) << b.label;
    }
    for (int id : { 1130, 1129, 1136, 1135, 1174, 1214, 1, 2, 1175 })
        EXPECT_NE(platform::findControl<QAbstractButton>(&d, id), nullptr) << id;
    EXPECT_TRUE(platform::findControl<QWidget>(&d, DlgFilter::kCropId)->isHidden());
    EXPECT_TRUE(platform::findControl<QWidget>(&d, DlgFilter::kDecorationId)->isEnabled());
    EXPECT_EQ(platform::findControl<QWidget>(&d, DlgFilter::kPictureId)->geometry(), QRect(20, 37, 320, 240));
    EXPECT_EQ(d.historyCount(), 1);
}

TEST(DlgFilter, DirectOperationsRunAndFitThePicture)
{
    struct Case {
        QSize in, out;
    };
    for (const Case c : { Case { { 640, 480 }, { 320, 240 } }, Case { { 200, 100 }, { 200, 100 } },
             Case { { 400, 200 }, { 320, 320 } } }) {
        const QImage src = noisePicture(c.in.width(), c.in.height());
        DlgFilter d(src);
        EXPECT_EQ(d.picture()->GetWidth(), uint32_t(c.in.width()));
        d.press(1116); // Blur
        EXPECT_EQ(d.displayBitmap().size(), c.out);
        EXPECT_EQ(QSize(int(d.picture()->GetWidth()), int(d.picture()->GetHeight())), c.out);
        EXPECT_EQ(d.historyCount(), 2);
    }
    // The operation itself: Negative twice gives the picture back.
    const QImage src = noisePicture(100, 80, 2);
    DlgFilter d(src);
    d.press(1086);
    CxImage ref = edtest::imageOf(src);
    ref.Negative();
    EXPECT_TRUE(sameRgb(d.displayBitmap(), ref.ToDeviceBitmap()));
    d.press(1086);
    EXPECT_TRUE(sameRgb(d.displayBitmap(), src));
}

TEST(DlgFilter, HistoryUndoRedoResumeAndInsert)
{
    const QImage src = noisePicture(80, 60, 3);
    DlgFilter d(src);
    d.undo();
    EXPECT_EQ(d.historyPosition(), 0);
    EXPECT_TRUE(sameRgb(pictureOf(d), src));
    d.press(1086); // Negative
    d.press(1091); // Flip
    d.press(1093); // Mirror
    ASSERT_EQ(d.historyCount(), 4);
    const QImage mirrored = pictureOf(d);
    d.redo();
    EXPECT_EQ(d.historyPosition(), 3);
    EXPECT_TRUE(sameRgb(pictureOf(d), mirrored));
    d.undo();
    d.undo();
    EXPECT_EQ(d.historyPosition(), 1);
    d.press(1116); // Blur: inserted after the current entry, the later two kept behind it
    EXPECT_EQ(d.historyCount(), 5);
    EXPECT_EQ(d.historyPosition(), 2);
    d.redo();
    d.redo();
    EXPECT_EQ(d.historyPosition(), 4);
    EXPECT_TRUE(sameRgb(pictureOf(d), mirrored));
    d.resume();
    EXPECT_EQ(d.historyPosition(), 0);
    EXPECT_TRUE(sameRgb(pictureOf(d), src));
    EXPECT_EQ(d.historyCount(), 5);
    d.redo();
    EXPECT_EQ(d.historyPosition(), 1);
}

TEST(DlgFilter, HistoryIsBoundedAndKeepsTheFirstEntry)
{
    const QImage src = noisePicture(40, 30, 4);
    DlgFilter d(src);
    for (int i = 0; i < 80; ++i)
        d.press(1086);
    EXPECT_EQ(d.historyCount(), DlgFilter::kHistoryLimit);
    EXPECT_EQ(d.historyPosition(), DlgFilter::kHistoryLimit - 1);
    EXPECT_TRUE(sameRgb(d.historyEntry(0).ToDeviceBitmap(), src));
    // 80 negations: the current picture is the original again, and so is the last entry.
    EXPECT_TRUE(sameRgb(pictureOf(d), src));
    // Inserting at position 1 with a full history drops an older entry, not the new one.
    d.resume();
    d.redo();
    d.press(1091);
    EXPECT_EQ(d.historyCount(), DlgFilter::kHistoryLimit);
    EXPECT_EQ(d.historyPosition(), 1);
    // Entry 1 then held 18 negations (the older ones were dropped): the original, flipped now.
    CxImage flipped = edtest::imageOf(src);
    flipped.Flip();
    EXPECT_TRUE(sameRgb(d.historyEntry(1).ToDeviceBitmap(), flipped.ToDeviceBitmap()));
}

TEST(DlgFilter, EffectResultsAndCancels)
{
    const QImage src = noisePicture(120, 90, 5);
    DlgFilter d(src);
    QImage shown;
    d.setEffectRunner([&](DlgEffect& e) {
        auto* s = platform::findControl<CBitmapSlider>(&e, DlgEffect::kSlider1Id);
        s->SetPos(4);
        e.onSlider(DlgEffect::kSlider1Id);
        shown = e.result();
        return int(DlgEffect::IdOk);
    });
    d.press(1118); // Emboss
    EXPECT_TRUE(sameRgb(d.displayBitmap(), shown));
    EXPECT_EQ(d.historyCount(), 2);

    // Cancel keeps the picture and still adds an entry; Soften's Cancel too.
    const QImage before = d.displayBitmap();
    d.setEffectRunner([](DlgEffect& e) {
        e.onSlider(DlgEffect::kSlider1Id);
        return int(DlgEffect::IdCancel);
    });
    d.press(1118);
    d.press(DlgFilter::kSoftenId);
    EXPECT_TRUE(sameRgb(d.displayBitmap(), before));
    EXPECT_EQ(d.historyCount(), 4);

    // Circle transform cancelled after warps: the workbench picture is unchanged.
    d.setEffectRunner([](DlgEffect& e) {
        e.onWarp(DlgEffect::kSwirlId);
        e.onWarp(DlgEffect::kPunchId);
        return int(DlgEffect::IdCancel);
    });
    d.press(1165);
    EXPECT_TRUE(sameRgb(pictureOf(d), before));
}

TEST(DlgFilter, RotationsScaleIntoTheirBox)
{
    DlgFilter d(noisePicture(320, 240, 6));
    d.press(DlgFilter::kRotateLeftId);
    EXPECT_EQ(d.displayBitmap().size(), QSize(180, 240));
    EXPECT_EQ(d.picture()->GetWidth(), 180u);
    EXPECT_EQ(d.historyCount(), 2);
    DlgFilter small(noisePicture(100, 60, 7));
    small.press(DlgFilter::kRotateRightId);
    // 60 x 100 is enlarged into the 320 x 240 box keeping proportions.
    EXPECT_EQ(small.displayBitmap().size(), QSize(144, 240));
}

TEST(DlgFilter, GammaAndThresholdTakeTheirValue)
{
    PromptsGuard guard;
    const QImage src = noisePicture(60, 40, 8);
    DlgFilter d(src);
    std::vector<int> asked;
    d.setParameterAsker([&](int id) -> std::optional<double> {
        asked.push_back(id);
        return id == DlgFilter::kGammaId ? 2.2 : 100.0;
    });
    d.press(DlgFilter::kGammaId);
    CxImage ref = edtest::imageOf(src);
    ref.Gamma(2.2f);
    EXPECT_TRUE(sameRgb(d.displayBitmap(), ref.ToDeviceBitmap()));
    EXPECT_TRUE(guard.prompts.messages.isEmpty());
    d.press(DlgFilter::kThresholdId);
    ref.Threshold(100);
    EXPECT_TRUE(sameRgb(d.displayBitmap(), ref.ToDeviceBitmap()));
    EXPECT_EQ(asked, (std::vector<int> { DlgFilter::kGammaId, DlgFilter::kThresholdId }));
    // Cancelled: nothing runs and no entry is added.
    d.setParameterAsker([](int) { return std::nullopt; });
    const int count = d.historyCount();
    d.press(DlgFilter::kGammaId);
    EXPECT_EQ(d.historyCount(), count);
}

TEST(DlgFilter, TrackerLimitsOperationsToTheRectangle)
{
    const QImage src = noisePicture(320, 240, 9);
    DlgFilter d(src);
    auto* box = platform::findControl<QAbstractButton>(&d, DlgFilter::kTrackerId);
    box->click();
    EXPECT_EQ(box->text(), QStringLiteral("UnTracker"));
    EXPECT_TRUE(d.pictureControl()->isTrackerEnabled());
    d.pictureControl()->applyToImage(QRect(10, 10, 50, 40));
    d.press(1086);
    const QImage out = d.displayBitmap();
    EXPECT_EQ(out.pixel(20, 20) & 0xFFFFFF, (~src.pixel(20, 20)) & 0xFFFFFF);
    EXPECT_EQ(out.pixel(200, 200), src.pixel(200, 200));
    box->click();
    EXPECT_EQ(box->text(), QStringLiteral("Tracker"));
    EXPECT_FALSE(d.pictureControl()->isTrackerEnabled());
    EXPECT_TRUE(d.pictureControl()->trackerRect().isEmpty());
    // The selection stays until the picture is rebuilt.
    d.press(1086);
    EXPECT_EQ(d.displayBitmap().pixel(200, 200), src.pixel(200, 200));
}

TEST(DlgFilter, SaveWritesAndReportsFailures)
{
    PromptsGuard guard;
    testsupport::TempDir dir;
    DlgFilter d(noisePicture(64, 48, 10));
    guard.prompts.saveFileReply = QString::fromStdString(dir.file("out.JPG"));
    d.save();
    CxImage saved;
    ASSERT_TRUE(saved.Load(dir.file("out.JPG").c_str(), CXIMAGE_FORMAT_JPG));
    EXPECT_EQ(saved.GetBpp(), 24);
    ASSERT_EQ(guard.prompts.messages.size(), 1);
    EXPECT_EQ(guard.prompts.messages[0].text, QStringLiteral("  The image saved successed!  "));
    EXPECT_EQ(guard.prompts.messages[0].caption, QStringLiteral("Save info"));
    ASSERT_EQ(guard.prompts.saveRequests.size(), 1);
    EXPECT_EQ(guard.prompts.saveRequests[0].defaultExtension, QStringLiteral("TXT"));
    // It starts where a folder was last picked in this run, not in the project folder.
    AppToolkit::NoteChosenFolder(QString::fromStdString(dir.path().string()));
    d.save();
    ASSERT_EQ(guard.prompts.saveRequests.size(), 2);
    EXPECT_EQ(guard.prompts.saveRequests[1].startFolder, QString::fromStdString(dir.path().string()));
    guard.prompts.messages.clear();

    // A folder that does not exist: the failure is reported with the path.
    guard.prompts.messages.clear();
    guard.prompts.saveFileReply = QString::fromStdString(dir.file("missing/out.png"));
    d.save();
    ASSERT_EQ(guard.prompts.messages.size(), 1);
    EXPECT_NE(guard.prompts.messages[0].text.indexOf(QStringLiteral("missing/out.png")), -1);
    EXPECT_EQ(guard.prompts.messages[0].style & 0xF0, unsigned(platform::MbIconError));

    // A name without a picture type is refused, nothing written.
    guard.prompts.messages.clear();
    guard.prompts.saveFileReply = QString::fromStdString(dir.file("notes.TXT"));
    d.save();
    ASSERT_EQ(guard.prompts.messages.size(), 1);
    EXPECT_EQ(guard.prompts.messages[0].style & 0xF0, unsigned(platform::MbIconError));
    EXPECT_FALSE(std::filesystem::exists(dir.file("notes.TXT")));

    // Cancelled: nothing at all.
    guard.prompts.messages.clear();
    guard.prompts.saveFileReply.clear();
    d.save();
    EXPECT_TRUE(guard.prompts.messages.isEmpty());
}

TEST(DlgFilter, FailedOperationShowsTheReasonAndStillPushes)
{
    PromptsGuard guard;
    DlgFilter d(noisePicture(40, 30, 11));
    d.setParameterAsker([](int) -> std::optional<double> { return 0.0; });
    d.press(DlgFilter::kGammaId); // a gamma of 0 is refused by the container
    ASSERT_EQ(guard.prompts.messages.size(), 1);
    EXPECT_FALSE(guard.prompts.messages[0].text.isEmpty());
    EXPECT_EQ(d.historyCount(), 2);
}

TEST(DlgFilter, EscapeStopsARunningOperationAndKeepsThePicture)
{
    PromptsGuard guard;
    // The first operation works on the picture at its own size: large enough to be stopped.
    const QImage big = noisePicture(2400, 1800, 12);
    DlgFilter d(big);
    d.show();
    const QImage before = pictureOf(d);
    // Typed while the operation runs: the key waits in the queue until the operation's wait
    // starts dispatching.
    QCoreApplication::postEvent(&d, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    d.press(1112); // Unsharp Mask
    EXPECT_TRUE(d.isVisible()) << "Escape stopped the operation, it did not close the workbench";
    EXPECT_TRUE(guard.prompts.messages.isEmpty()) << "a stop is no error";
    // The picture is the opening one, fitted to the preview, not sharpened.
    CxImage opening, fitted;
    opening.FromDeviceBitmap(before);
    ASSERT_TRUE(FitToPreview(opening, fitted));
    const QImage a = pictureOf(d), b = fitted.ToDeviceBitmap();
    EXPECT_TRUE(sameRgb(a, b));
    // Clicks during the operation reach nothing; the key only stopped it.
    d.press(1116); // Blur runs normally afterwards
    EXPECT_EQ(d.historyCount(), 3);
}

TEST(DlgFilter, NoPictureMeansNothingHappens)
{
    DlgFilter d { QImage() };
    EXPECT_EQ(d.picture(), nullptr);
    for (int id : { 1116, 1095, 1118, 1137, 1130, 1129, 1136 })
        d.press(id);
    EXPECT_EQ(d.historyCount(), 0);
}

TEST(DlgFilter, PseudoColorsGiveAPaletteOfHues)
{
    DlgFilter d(noisePicture(60, 40, 12));
    d.press(DlgFilter::kPseudoColorsId);
    EXPECT_EQ(d.picture()->GetBpp(), 8);
    EXPECT_FALSE(d.picture()->IsGrayScale());
    EXPECT_EQ(d.historyCount(), 2);
}

} // namespace

namespace {

/// Ends the layer mixer the workbench opens as soon as it runs, with OK or Cancel.
void answerMixer(bool ok, bool* seen)
{
    QTimer::singleShot(0, [ok, seen] {
        auto* mixer = qobject_cast<DlgMix*>(QApplication::activeModalWidget());
        *seen = mixer != nullptr;
        if (mixer)
            ok ? mixer->accept() : mixer->reject();
    });
}

} // namespace

TEST(DlgFilter, DecorationOpensTheMixerAndOnlyOkChangesThePicture)
{
    PromptsGuard guard;
    const QImage src = noisePicture(64, 48);
    DlgFilter d(src);
    auto* decoration = platform::findControl<QAbstractButton>(&d, DlgFilter::kDecorationId);
    ASSERT_NE(decoration, nullptr);

    bool seen = false;
    answerMixer(false, &seen);
    decoration->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(d.historyCount(), 1);
    EXPECT_TRUE(sameRgb(pictureOf(d), src));

    seen = false;
    answerMixer(true, &seen);
    decoration->click();
    EXPECT_TRUE(seen);
    // The mixer's composite (here the picture with no layers) is adopted as a new history entry.
    EXPECT_EQ(d.historyCount(), 2);
    EXPECT_TRUE(sameRgb(pictureOf(d), src));
}
