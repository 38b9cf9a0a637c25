// The full-resolution sheet: its size, each slot drawn again from the photo as taken (frame,
// place, replayed edits), the project's full-resolution record and what older readers see.
#include <random>

#include <QFile>

#include <gtest/gtest.h>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/booth_load.h"
#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/project_file.h"
#include "booth/session_autosave.h"
#include "booth/slot_original.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "tests/booth/booth_test_util.h"
#include "tests/common/test_support.h"

using namespace boothtest;

namespace {

/// Fine detail a 320 x 240 copy cannot hold: one-pixel stripes over a colour ramp.
QImage detailedShot(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int stripe = ((x / 2 + y / 3) % 2) ? 60 : 0;
            img.setPixel(x, y, qRgb((x * 255 / w + stripe) % 256, (y * 255 / h) % 256, stripe * 3));
        }
    return img;
}

/// Sum of absolute differences between horizontal neighbours: how much detail a picture shows.
double detail(const QImage& img)
{
    double sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 1; x < img.width(); ++x)
            sum += std::abs(qGreen(img.pixel(x, y)) - qGreen(img.pixel(x - 1, y)))
                + std::abs(qRed(img.pixel(x, y)) - qRed(img.pixel(x - 1, y)));
    return sum / (double(img.width()) * img.height());
}

std::shared_ptr<const SlotOriginal> originalOf(
    const QImage& shot, QRect place = QRect(0, 0, 320, 240), const QImage& underlay = {})
{
    return MakeSlotOriginal(EncodeOriginalPhoto(shot), shot.size(), place, underlay);
}

/// Stores a shot the way the booth does: the 320 x 240 composition and the originals.
int storeShot(CombinationSlots& model, const QImage& shot, const QImage& frame = {}, int opacity = 255)
{
    CxImage photo, base, frameImage;
    ImageFromBitmap(ScaleBitmap(shot, 320, 240, ScaleSmooth), photo);
    base = solid(320, 240, rgb(255, 255, 255));
    if (!frame.isNull())
        ImageFromBitmap(frame, frameImage);
    ComposeInput in;
    in.base = &base;
    in.photo = &photo;
    in.frame = frame.isNull() ? nullptr : &frameImage;
    in.alpha = opacity;
    ComposeResult out;
    EXPECT_TRUE(Compose(in, out));
    return model.storeIntoFirstFree(
        out.composed, out.background, frame.isNull() ? QImage() : out.frame, opacity, originalOf(shot));
}

/// A 320 x 240 frame: a blue border 30 pixels wide round a magenta opening (its key colour).
QImage borderFrame()
{
    QImage f(320, 240, QImage::Format_RGB32);
    f.fill(qRgb(255, 0, 255));
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (x < 30 || y < 30 || x >= 290 || y >= 210)
                f.setPixel(x, y, qRgb(20, 40, 230));
    return f;
}

bool magentaAnywhere(const QImage& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (qRed(c) > 150 && qBlue(c) > 150 && qGreen(c) < 100)
                return true;
        }
    return false;
}

bool samePixels(const QImage& a, const QImage& b)
{
    return a.size() == b.size() && a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(FullResolution, TheLargestUsedSlotGetsItsShotsOwnResolution)
{
    CombinationSlots model;
    model.buildLayout(1);
    EXPECT_EQ(model.sheetPicture().fullResolutionSize(), QSize(364, 276)); // nothing to print yet
    storeShot(model, detailedShot(1920, 1080));
    // 1080 lines in a 130-row slot: the factor of the side the shot has fewest pixels for.
    EXPECT_EQ(model.sheetPicture().fullResolutionSize(), QSize(3024, 2292));

    // The 13-slot layout: the large slot decides, not a small one with a larger shot.
    CombinationSlots mixed;
    storeShot(mixed, detailedShot(640, 480));
    storeShot(mixed, detailedShot(1600, 1200));
    EXPECT_EQ(mixed.sheetPicture().fullResolutionSize(), QSize(1338, 1015));

    // Slot pictures alone (an older project): their own 320 x 240.
    CombinationSlots old;
    old.buildLayout(1);
    const QImage picture = solidBitmap(320, 240, qRgb(1, 2, 3));
    old.storeIntoFirstFree(picture, picture, QImage(), 255);
    EXPECT_EQ(old.sheetPicture().fullResolutionSize(), QSize(669, 507));

    // The long side never passes 8000 pixels.
    SheetPicture huge;
    huge.addSlot({ QRect(0, 0, 84, 62), picture, QSize(30000, 20000), {} });
    EXPECT_EQ(huge.fullResolutionSize(), QSize(8000, 6065));
}

TEST(FullResolution, SlotIsDrawnFromTheShotAsTakenNotFromItsSmallPicture)
{
    CombinationSlots model;
    model.buildLayout(1);
    const QImage shot = detailedShot(1920, 1080);
    ASSERT_EQ(storeShot(model, shot), 0);
    const QSize size(1446, 1080);
    const QImage full = RenderSlotAt(model.slot(0), size);
    ASSERT_EQ(full.size(), size);
    // At the shot's own size the slot is exactly the shot as kept (JPEG above 2 megapixels).
    const QImage kept = DecodePicture(model.slot(0).m_original->photo);
    ASSERT_EQ(kept.size(), shot.size());
    EXPECT_TRUE(samePixels(RenderSlotAt(model.slot(0), shot.size()), kept));
    // And far sharper than the slot's 320 x 240 picture brought to the same size.
    const QImage upscaled = ScaleBitmap(model.slot(0).m_composed, size.width(), size.height(), ScaleSmooth);
    EXPECT_GT(detail(full), 3 * detail(upscaled));

    // The sheet places it in its rectangle over white paper.
    const SheetPicture sheet = model.sheetPicture();
    const QImage drawn = sheet.composeFull(QImage(), kPaperWhite);
    ASSERT_EQ(drawn.size(), QSize(3024, 2292));
    const QRect r = SheetPicture::scaledRect(QRect(5, 5, 174, 130), drawn.size());
    EXPECT_EQ(drawn.copy(r).size(), r.size());
    EXPECT_TRUE(samePixels(drawn.copy(r), RenderSlotAt(model.slot(0), r.size())));
    EXPECT_EQ(drawn.pixel(2500, 2000) & 0xFFFFFF, 0xFFFFFFu); // an empty slot: paper

    // A removed slot lets its shot go: nothing of it is kept in memory or drawn.
    ASSERT_TRUE(model.removeSlot(0));
    EXPECT_FALSE(model.slot(0).m_original);
    EXPECT_TRUE(model.sheetPicture().isEmpty());
}

TEST(FullResolution, FrameIsLaidOverAtFullSizeWithoutItsKeyColourAndBlackStaysBlack)
{
    QImage shot(1280, 960, QImage::Format_RGB32);
    shot.fill(qRgb(0, 0, 0)); // black clothes: the worst case for a colour key
    for (int opacity : { 255, 128 }) {
        CombinationSlots model;
        model.buildLayout(1);
        ASSERT_EQ(storeShot(model, shot, borderFrame(), opacity), 0);
        const QImage full = RenderSlotAt(model.slot(0), QSize(1280, 960));
        ASSERT_FALSE(full.isNull());
        EXPECT_EQ(full.pixel(640, 480) & 0xFFFFFF, 0u) << opacity; // the opening shows the photo
        const QRgb border = full.pixel(20, 480);
        EXPECT_EQ(qBlue(border), 230 * opacity / 255) << opacity;
        EXPECT_FALSE(magentaAnywhere(full)) << opacity;
        // The small picture follows the same rule.
        EXPECT_EQ(model.slot(0).m_composed.pixel(160, 120) & 0xFFFFFF, 0u) << opacity;
    }
}

TEST(FullResolution, MovedPhotoAreaKeepsItsPlaceOverThePictureUnderIt)
{
    const QImage shot = solidBitmap(800, 600, qRgb(200, 30, 30));
    const QImage base = solidBitmap(320, 240, qRgb(30, 200, 30));
    const auto original = originalOf(shot, QRect(40, 30, 160, 120), base);
    ASSERT_TRUE(original);
    EXPECT_FALSE(original->underlay.isEmpty());
    // Half the canvas across: the photo's 800 columns make a 1600-column canvas.
    EXPECT_EQ(original->nativeSize(), QSize(1600, 1200));
    const QImage full = original->render(QSize(640, 480));
    EXPECT_EQ(full.pixel(10, 10) & 0xFFFFFF, 0x1EC81Eu);
    EXPECT_EQ(full.pixel(80, 60) & 0xFFFFFF, 0xC81E1Eu);
    EXPECT_EQ(full.pixel(399, 299) & 0xFFFFFF, 0xC81E1Eu);
    EXPECT_EQ(full.pixel(401, 301) & 0xFFFFFF, 0x1EC81Eu);
    // A photo covering the canvas keeps nothing under it.
    EXPECT_TRUE(originalOf(shot, QRect(0, 0, 320, 240), base)->underlay.isEmpty());
}

TEST(FullResolution, WorkbenchEditsAreMadeAgainOrTheSlotFallsBackToItsPicture)
{
    CombinationSlots model;
    model.buildLayout(1);
    const QImage shot = detailedShot(960, 720);
    storeShot(model, shot);
    storeShot(model, shot);
    const QImage before = RenderSlotAt(model.slot(0), QSize(640, 480));

    // Mirror, then a negative inside the top-left quarter of the 320 x 240 picture.
    EditStep mirror { EditStep::Direct, 32774, {}, QSize(320, 240), {}, {} };
    EditStep negative { EditStep::Direct, 32777, {}, QSize(320, 240), QRect(0, 0, 160, 120), {} };
    const std::vector<EditStep> edits { mirror, negative };
    CxImage edited;
    ImageFromBitmap(model.slot(0).m_composed, edited);
    ASSERT_TRUE(ReplayEditStep(edited, mirror) && ReplayEditStep(edited, negative));
    ASSERT_TRUE(model.handBackEdit(0, BitmapFromImage(edited), &edits));
    ASSERT_TRUE(model.slot(0).m_original);

    const QImage after = RenderSlotAt(model.slot(0), QSize(640, 480));
    const QImage mirrored = before.mirrored(true, false);
    // The top-left quarter negated, the rest only mirrored.
    const QRgb m = mirrored.pixel(100, 100);
    EXPECT_EQ(after.pixel(100, 100) & 0xFFFFFF, qRgb(255 - qRed(m), 255 - qGreen(m), 255 - qBlue(m)) & 0xFFFFFF);
    EXPECT_EQ(after.pixel(500, 400), mirrored.pixel(500, 400));

    // A blur (a radius in pixels) cannot be made again: the slot's picture is scaled instead.
    ASSERT_TRUE(model.handBackEdit(1, BitmapFromImage(edited), nullptr));
    EXPECT_FALSE(model.slot(1).m_original);
    EXPECT_TRUE(RenderSlotAt(model.slot(1), QSize(640, 480)).isNull());
    EXPECT_FALSE(IsReplayableEdit(EditStep::Direct, 32813));
    const SheetPicture sheet = model.sheetPicture();
    EXPECT_FALSE(sheet.slotList()[1].render);
    EXPECT_EQ(sheet.slotList()[1].nativeSize, QSize(320, 240));
}

class FullResolutionProject : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_paths.setModuleFolder(QString::fromStdString(m_dir.path().string()));
        QFile f(m_paths.m_settingsFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Configure]\r\nShottingDelay=2\r\n");
    }
    QString file(const char* name) const { return QString::fromStdString(m_dir.file(name)); }

    /// Two shots, the second at half opacity and edited (a negative), the first without frame.
    void makeSheet(CombinationSlots& model)
    {
        model.buildLayout(1);
        storeShot(model, detailedShot(1280, 720));
        storeShot(model, detailedShot(800, 600), borderFrame(), 128);
        const std::vector<EditStep> edits { { EditStep::Direct, 32777, {}, QSize(320, 240), {}, {} } };
        CxImage edited;
        ImageFromBitmap(model.slot(1).m_composed, edited);
        edited.Negative();
        ASSERT_TRUE(model.handBackEdit(1, BitmapFromImage(edited), &edits));
    }

    testsupport::TempDir m_dir;
    AppPaths m_paths;
};

TEST_F(FullResolutionProject, SavedProjectBringsBackTheOriginalsOpacityAndEdits)
{
    CombinationSlots saved;
    makeSheet(saved);
    const QString target = file("party.kivra");
    QString error;
    ASSERT_TRUE(SaveProject(saved, m_paths.m_settingsFile, target, &error)) << error.toStdString();

    CombinationSlots opened;
    BoothSettings settings;
    ASSERT_TRUE(RunBoothLoad(opened, target, settings, m_paths, &error)) << error.toStdString();
    ASSERT_EQ(opened.usedSlots(), (QList<int> { 0, 1 }));
    for (int i : { 0, 1 }) {
        ASSERT_TRUE(opened.slot(i).m_original) << i;
        EXPECT_EQ(opened.slot(i).m_original->serialize(), saved.slot(i).m_original->serialize()) << i;
        EXPECT_EQ(opened.slot(i).m_opacity, saved.slot(i).m_opacity) << i;
        EXPECT_EQ(opened.slot(i).m_edited, saved.slot(i).m_edited) << i;
        EXPECT_TRUE(opened.slot(i).m_frame.isNull()) << i;
    }
    EXPECT_EQ(opened.slot(1).m_edited, 1);
    const SheetPicture a = saved.sheetPicture();
    const SheetPicture b = opened.sheetPicture();
    EXPECT_EQ(b.fullResolutionSize(), a.fullResolutionSize());
    EXPECT_TRUE(samePixels(b.composeFull(QImage(), kPaperWhite), a.composeFull(QImage(), kPaperWhite)));
}

TEST_F(FullResolutionProject, TheClassicReadingRuleNeverReachesTheNewRecord)
{
    CombinationSlots saved;
    makeSheet(saved);
    const QString target = file("party.kivra");
    ASSERT_TRUE(SaveProject(saved, m_paths.m_settingsFile, target));
    QStringList files;
    ASSERT_TRUE(UnpackProject(target, files));
    // The settings, three pictures per used slot, then the one new record at the end.
    ASSERT_EQ(files.size(), 1 + 3 * 2 + 1);
    for (int k = 1; k <= 6; ++k) {
        QFile f(files[k]);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.read(2), QByteArray("BM")) << k;
    }
    QFile last(files[7]);
    ASSERT_TRUE(last.open(QIODevice::ReadOnly));
    EXPECT_NE(last.read(2), QByteArray("BM"));

    // Read as a reader that knows nothing of it: the records it walks are all it gets, and the
    // slots come back as before, pictures only.
    CombinationSlots classic;
    QString error;
    ASSERT_TRUE(RestoreProject(classic, files.mid(0, 7), 1, QStringLiteral("0,1,"), &error)) << error.toStdString();
    for (int i : { 0, 1 }) {
        EXPECT_TRUE(sameColours(classic.slot(i).m_composed, saved.slot(i).m_composed)) << i;
        EXPECT_FALSE(classic.slot(i).m_original) << i;
    }
}

TEST_F(FullResolutionProject, DamagedRecordIsToldAndTheSlotsOpenWithTheirPictures)
{
    CombinationSlots saved;
    makeSheet(saved);
    const QString target = file("party.kivra");
    ASSERT_TRUE(SaveProject(saved, m_paths.m_settingsFile, target));
    // Cut the last record's payload short while its length still claims all of it: the
    // unpacker refuses it; then also a record whose inner fields are cut short.
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    QStringList files;
    ASSERT_TRUE(UnpackProject(target, files));
    QFile ext(files.last());
    ASSERT_TRUE(ext.open(QIODevice::ReadOnly));
    const qint64 extSize = ext.size();
    const qint64 start = bytes.size() - extSize;
    // Keep the record's own length but break the first slot entry's inner length.
    const QByteArray magic = bytes.mid(start, 20);
    bytes[start + 20 + 4] = char(0xFF);
    bytes[start + 20 + 5] = char(0xFF);
    f.seek(0);
    f.write(bytes);
    f.close();
    EXPECT_EQ(magic.left(13), QByteArray("KIVRA-FULLRES"));

    CombinationSlots opened;
    BoothSettings settings;
    QString error;
    EXPECT_FALSE(RunBoothLoad(opened, target, settings, m_paths, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("full-resolution"))) << error.toStdString();
    EXPECT_EQ(opened.usedSlots(), (QList<int> { 0, 1 }));
    EXPECT_FALSE(opened.slot(0).m_original);
    EXPECT_TRUE(sameColours(opened.slot(1).m_composed, saved.slot(1).m_composed));
}

TEST_F(FullResolutionProject, OlderProjectsOpenAsBeforeAndTheirEmptySlotFrameIsNoFrame)
{
    // As an earlier version wrote it: the empty-slot picture as the frame of an edited slot,
    // and no full-resolution record.
    CombinationSlots model;
    QImage art = solidBitmap(364, 276, qRgb(246, 241, 233));
    for (int x = 20; x < 340; ++x)
        art.setPixel(x, 20, qRgb(255, 200, 87));
    model.setEmptySlotPicture(art);
    model.buildLayout(1);
    const QImage picture = patternBitmap(320, 240, 3);
    model.storeIntoFirstFree(picture, picture, art, 255);
    const QString target = file("old.kivra");
    ASSERT_TRUE(SaveProject(model, m_paths.m_settingsFile, target));
    QStringList files;
    ASSERT_TRUE(UnpackProject(target, files));
    QByteArray bytes;
    QByteArray length(4, '\0');
    for (int k = 0; k < 4; ++k) {
        QFile f(files[k]);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray payload = f.readAll();
        for (int i = 0; i < 4; ++i)
            length[i] = char((payload.size() >> (8 * i)) & 0xFF);
        bytes += length + payload;
    }
    QFile out(target);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
    out.close();

    CombinationSlots opened;
    opened.setEmptySlotPicture(art);
    BoothSettings settings;
    QString error;
    ASSERT_TRUE(RunBoothLoad(opened, target, settings, m_paths, &error)) << error.toStdString();
    EXPECT_TRUE(opened.slot(0).m_frame.isNull());
    EXPECT_FALSE(opened.slot(0).m_original);
    // Swapped (recomposed), it still shows no screen art.
    ASSERT_TRUE(opened.swapSlots(0, 3));
    EXPECT_TRUE(sameColours(opened.slot(3).m_composed, picture));
    // Printed at full resolution it is its picture, scaled.
    const QImage full = opened.sheetPicture().composeFull(QImage(), kPaperWhite);
    EXPECT_EQ(full.size(), QSize(669, 507));
}

TEST_F(FullResolutionProject, AutosavedSessionCarriesTheOriginals)
{
    CombinationSlots model;
    makeSheet(model);
    const QString target = file("current.kivra");
    QString error;
    ASSERT_TRUE(SessionAutosave::WriteSession(SessionSnapshot::of(model), m_paths.m_settingsFile, target, &error))
        << error.toStdString();
    CombinationSlots restored;
    BoothSettings settings;
    ASSERT_TRUE(RunBoothLoad(restored, target, settings, m_paths, &error)) << error.toStdString();
    for (int i : { 0, 1 }) {
        ASSERT_TRUE(restored.slot(i).m_original) << i;
        EXPECT_EQ(restored.slot(i).m_original->serialize(), model.slot(i).m_original->serialize()) << i;
    }
    EXPECT_EQ(restored.slot(1).m_opacity, 128);
}

TEST(SlotOriginalRecord, DamagedOrHostileBytesAreRefused)
{
    const QImage shot = detailedShot(64, 48);
    const auto good = originalOf(shot);
    const QByteArray bytes = good->serialize();
    QString error;
    ASSERT_TRUE(ParseSlotOriginal(bytes, &error)) << error.toStdString();
    // Cut anywhere: refused, never a crash.
    for (qsizetype n : { qsizetype(0), qsizetype(3), qsizetype(9), bytes.size() / 2, bytes.size() - 1 })
        EXPECT_FALSE(ParseSlotOriginal(bytes.left(n), &error)) << n;
    // A photo whose header declares 20000 x 20000 pixels is refused before it is decoded.
    QByteArray png = EncodeOriginalPhoto(shot);
    const int ihdr = png.indexOf("IHDR");
    ASSERT_GT(ihdr, 0);
    for (int i : { 4, 8 }) {
        png[ihdr + i] = 0;
        png[ihdr + i + 1] = 0;
        png[ihdr + i + 2] = char(0x4E);
        png[ihdr + i + 3] = char(0x20);
    }
    // The chunk's checksum over its type and 13 data bytes, so the header itself is valid.
    uint32_t crc = 0xFFFFFFFFu;
    for (int k = 0; k < 17; ++k) {
        crc ^= uint8_t(png[ihdr + k]);
        for (int b = 0; b < 8; ++b)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    for (int k = 0; k < 4; ++k)
        png[ihdr + 17 + k] = char(crc >> (24 - 8 * k));
    SlotOriginal huge = *good;
    huge.photo = png;
    EXPECT_FALSE(ParseSlotOriginal(huge.serialize(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("20000"))) << error.toStdString();
    // A place far outside the canvas is refused.
    SlotOriginal away = *good;
    away.photoRect = QRect(5000, 5000, 10, 10);
    EXPECT_FALSE(ParseSlotOriginal(away.serialize(), &error));
}

TEST(SlotOriginalRecord, StickersAndTextsSurviveTheRecordAndATooLargeTextIsRefused)
{
    const auto original = originalOf(detailedShot(640, 480));
    QImage sticker(16, 16, QImage::Format_RGB32);
    sticker.fill(qRgb(255, 0, 255)); // the top-left colour: see-through
    for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 14; ++x)
            sticker.setPixel(x, y, qRgb(30, 200, 90));
    EditStep layers;
    layers.kind = EditStep::Layers;
    layers.size = QSize(320, 240);
    MixedLayer s;
    s.x = 40;
    s.y = -30;
    s.sticker = EncodePng(sticker);
    MixedLayer t;
    t.isText = true;
    t.x = 160;
    t.y = 200;
    DefaultTextInfo(t.text);
    layers.layers = { s, t };
    const auto edited = WithEdits(*original, QImage(), 255, { layers });
    QString error;
    const auto back = ParseSlotOriginal(edited->serialize(), &error);
    ASSERT_TRUE(back) << error.toStdString();
    ASSERT_EQ(back->steps.size(), 1u);
    ASSERT_EQ(back->steps[0].edit.layers.size(), 2u);
    EXPECT_EQ(back->steps[0].edit.layers[0].sticker, s.sticker);
    EXPECT_EQ(QByteArray(back->steps[0].edit.layers[1].text.m_text), QByteArray(t.text.m_text));
    const QImage a = edited->render(QSize(640, 480));
    EXPECT_TRUE(samePixels(back->render(QSize(640, 480)), a));
    EXPECT_EQ(a.pixel(2 * 40 + 8, 2 * 30 + 8) & 0xFFFFFF, 0x1EC85Au); // the sticker, twice the size

    SlotOriginal huge = *edited;
    huge.steps[0].edit.layers[1].text.m_font.m_height = -100000;
    EXPECT_FALSE(ParseSlotOriginal(huge.serialize(), &error));
}

TEST(SlotOriginalRecord, MutatedRecordsNeverCrashAndWhatIsAcceptedDraws)
{
    // A record with every kind of field: photo, underlay, a frame step and an edit.
    const auto base = originalOf(detailedShot(96, 72), QRect(20, 10, 200, 150), solidBitmap(320, 240, qRgb(9, 9, 9)));
    const auto original
        = WithEdits(*base, borderFrame(), 200, { { EditStep::Direct, 32777, {}, QSize(320, 240), {}, {} } });
    SlotExtra extra { original, 200, true, false };
    const QByteArray good = FullResolutionRecord({ { 2, &extra } });
    std::map<int, SlotExtra> read;
    ASSERT_TRUE(ReadFullResolutionRecord(good, read));
    ASSERT_TRUE(read.count(2) && read[2].original);

    std::mt19937 rng(1234);
    int accepted = 0;
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes = good;
        const int changes = 1 + int(rng() % 4);
        for (int c = 0; c < changes; ++c) {
            // Past the magic and version mostly, so the damage reaches the fields.
            const qsizetype skip = bytes.size() > 20 && rng() % 8 ? 20 : 0;
            const qsizetype at = skip + qsizetype(rng() % uint32_t(bytes.size() - skip));
            switch (rng() % 3) {
            case 0:
                bytes[at] = char(rng());
                break;
            case 1:
                bytes.truncate(at);
                break;
            default: // a length field made huge or negative-looking
                if (at + 4 <= bytes.size())
                    bytes[at + 3] = char(0x80 | (rng() & 0x7F));
                break;
            }
            if (bytes.isEmpty())
                break;
        }
        QString error;
        ReadFullResolutionRecord(bytes, read, &error);
        for (const auto& [index, e] : read) {
            EXPECT_GE(index, 0);
            EXPECT_LT(index, kMaxSlots);
            if (e.original && accepted++ < 40)
                e.original->render(QSize(160, 120), &error); // drawn or refused, never a crash
        }
    }
    EXPECT_GT(accepted, 40) << "the damage should leave some records readable";
}
