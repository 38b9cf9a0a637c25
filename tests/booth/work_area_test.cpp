// The work area without a window: walking the frame and photo lists (files that are not pictures
// skipped, the ends kept), a file that does not load changing nothing, what changes while the
// camera runs, and composing into a full sheet.
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "booth/combination_slots.h"
#include "booth/main_screen_ids.h"
#include "booth/work_area.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

class WorkPart : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        addFrames(2);
        addPhotos(2);
        // Not pictures: listed by the folder, skipped by previous and next.
        QFile notes(appPaths().m_frameFolder + QStringLiteral("/frame0b.txt"));
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
        notes.write("not a frame");
    }
};

} // namespace

TEST_F(WorkPart, ListingMakesTheFirstPicturesCurrentAndStepsSkipOtherFilesAndStopAtTheEnds)
{
    WorkArea work(appPaths());
    QSignalSpy frames(&work, &WorkArea::frameChanged);
    work.list();
    ASSERT_EQ(work.frameFiles().size(), 3);
    EXPECT_TRUE(work.framePath().endsWith(QStringLiteral("frame0.png")));
    EXPECT_TRUE(work.photoPath().endsWith(QStringLiteral("photo0.png")));
    EXPECT_EQ(frames.size(), 1);
    EXPECT_EQ(work.photo().GetWidth(), 320u) << "fitted to the photo area";

    work.stepFrame(+1);
    EXPECT_TRUE(work.framePath().endsWith(QStringLiteral("frame1.png")));
    EXPECT_EQ(work.frameIndex(), 2);
    work.stepFrame(+1); // the last: stays
    EXPECT_EQ(work.frameIndex(), 2);
    work.stepFrame(-1);
    EXPECT_EQ(work.frameIndex(), 0) << "the text file between is skipped";
    work.stepFrame(-1);
    EXPECT_EQ(work.frameIndex(), 0);
    EXPECT_EQ(frames.size(), 3);

    // Listed again with nothing changed: the walk is not reset.
    work.stepFrame(+1);
    work.list();
    EXPECT_EQ(work.frameIndex(), 2);
}

TEST_F(WorkPart, AFileThatDoesNotLoadSaysWhyAndLeavesThePicturesAsTheyWere)
{
    WorkArea work(appPaths());
    work.list();
    const QString frame = work.framePath();
    const QString photo = work.photoPath();
    const QString broken = appPaths().m_frameFolder + QStringLiteral("/broken.png");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x89PNG\r\n\x1a\n not really");
    f.close();

    QSignalSpy frames(&work, &WorkArea::frameChanged);
    QString error;
    EXPECT_FALSE(work.setFrameFile(broken, &error));
    EXPECT_TRUE(error.contains(broken)) << error.toStdString();
    EXPECT_EQ(work.framePath(), frame);
    EXPECT_TRUE(work.frame().IsValid());
    error.clear();
    EXPECT_FALSE(work.setPhotoFile(broken, &error));
    EXPECT_TRUE(error.contains(broken)) << error.toStdString();
    EXPECT_EQ(work.photoPath(), photo);
    EXPECT_TRUE(frames.isEmpty());
}

TEST_F(WorkPart, WhileLiveThePhotoStaysAndANewFrameIsForTheOverlay)
{
    WorkArea work(appPaths());
    work.list();
    work.setLive(true);
    const QString photo = work.photoPath();
    work.stepPhoto(+1);
    EXPECT_EQ(work.photoPath(), photo);

    QSignalSpy frames(&work, &WorkArea::frameChanged);
    work.stepFrame(+1);
    ASSERT_EQ(frames.size(), 1);
    const QImage overlay = frames[0][0].value<QImage>();
    EXPECT_EQ(overlay.size(), QSize(320, 240));
    EXPECT_EQ(overlay.pixel(160, 120) & 0xFFFFFF, 0xFF00FFu) << "the frame's key colour, for the overlay";
}

TEST_F(WorkPart, ComposingIntoAFullSheetPlacesNothingAndAHiddenFrameIsNotKept)
{
    WorkArea work(appPaths());
    work.list();
    CombinationSlots sheet;
    sheet.buildLayout(0);
    work.setFrameShown(false);
    QImage seen;
    const int slot = work.placeIntoFirstFree(sheet, 255, [&](const QImage& composed) { seen = composed; });
    ASSERT_EQ(slot, 0);
    EXPECT_FALSE(seen.isNull());
    EXPECT_TRUE(sheet.slot(0).m_frame.isNull());
    ASSERT_NE(sheet.slot(0).m_original, nullptr) << "the photo as loaded, for full-resolution output";

    work.setFrameShown(true);
    while (sheet.usedSlots().size() < sheet.count())
        ASSERT_GE(work.placeIntoFirstFree(sheet, 255), 0);
    bool called = false;
    EXPECT_EQ(work.placeIntoFirstFree(sheet, 255, [&](const QImage&) { called = true; }), -1);
    EXPECT_FALSE(called) << "nothing is archived or shown for a shot with no slot";
}

TEST_F(WorkPart, TakingASlotBackBringsItsPhotoAndFrameWithTheCameraOffAndOnlyTheFrameWhileLive)
{
    WorkArea work(appPaths());
    work.list();
    CombinationSlots sheet;
    sheet.buildLayout(0);
    ASSERT_EQ(work.placeIntoFirstFree(sheet, 255), 0);
    work.stepFrame(+1);
    work.stepPhoto(+1);
    const QString laterPhoto = work.photoPath();

    work.setLive(true);
    QSignalSpy photos(&work, &WorkArea::photoChanged);
    QSignalSpy frames(&work, &WorkArea::frameChanged);
    work.takeFromSlot(sheet.slot(0));
    EXPECT_TRUE(photos.isEmpty());
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0][0].value<QImage>(), sheet.slot(0).m_frame);

    work.setLive(false);
    work.takeFromSlot(sheet.slot(0));
    EXPECT_EQ(photos.size(), 1);
    EXPECT_EQ(frames.size(), 2);
    EXPECT_EQ(work.photoPath(), laterPhoto) << "the list's place is kept";
}
