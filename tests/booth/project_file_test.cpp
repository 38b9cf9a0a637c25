// Project files: the slot BMP writer, packing, unpacking, save and restore, and damaged files.
#include "booth/project_file.h"

#include <filesystem>
#include <random>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/booth_load.h"
#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "platform/ini_file.h"
#include "tests/booth/booth_test_util.h"
#include "tests/common/test_support.h"

using namespace boothtest;
namespace fs = std::filesystem;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

QByteArray record(const QByteArray& payload)
{
    return le32(quint32(payload.size())) + payload;
}

QByteArray settingsText(int layout, const char* flag)
{
    return QByteArray("[Configure]\r\nShottingDelay=7\r\nPathCurrent=\r\nCombinationIndex=")
        + QByteArray::number(layout) + "\r\nComPictureFlag=" + flag + "\r\n";
}

QByteArray bmpBytes(const QImage& image)
{
    // ctest runs test cases as separate processes side by side: each gets a file of its own.
    const QString path
        = QDir::tempPath() + QStringLiteral("/booth_test_slot_%1.bmp").arg(QCoreApplication::applicationPid());
    EXPECT_TRUE(WriteSlotBitmap(image, path));
    const QByteArray bytes = readAll(path);
    QFile::remove(path);
    return bytes;
}

/// Files of this process's unpack folder.
QStringList tempFolderFiles()
{
    return QDir(ProjectTempFolder()).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
}

class ProjectFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_paths.setModuleFolder(QString::fromStdString(m_dir.path().string()));
        writeAll(m_paths.m_settingsFile, "[Configure]\r\nShottingDelay=7\r\nPathSave=/srv/save\r\n");
    }
    QString file(const char* name) const { return QString::fromStdString(m_dir.file(name)); }

    /// A model of the layout with the given used slots, each with its own pictures.
    void fillSlots(CombinationSlots& model, int layout, const QList<int>& used)
    {
        model.buildLayout(layout);
        for (int i : used) {
            ComData r = model.slot(i);
            r.m_used = 1;
            r.m_background = patternBitmap(kCanvasWidth, kCanvasHeight, i);
            r.m_frame = solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(0, 255, 0));
            r.m_composed = r.m_background;
            ASSERT_TRUE(model.PlaceIntoSlot(i, r));
        }
    }

    testsupport::TempDir m_dir;
    AppPaths m_paths;
};

} // namespace

TEST(SlotBitmap, WritesAn32BitBottomUpFile)
{
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 0));
    image.setPixel(0, 0, qRgba(10, 20, 30, 40)); // top-left
    image.setPixel(2, 1, qRgba(50, 60, 70, 80)); // bottom-right
    const QByteArray bytes = bmpBytes(image);
    ASSERT_EQ(bytes.size(), 54 + 3 * 2 * 4);
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.constData());
    const uint8_t header[54]
        = { 'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32 };
    EXPECT_EQ(0, std::memcmp(b, header, 54));
    // The bottom row comes first; its last pixel is (2, 1).
    const uint8_t bottomRight[4] = { 70, 60, 50, 80 };
    EXPECT_EQ(0, std::memcmp(b + 54 + 2 * 4, bottomRight, 4));
    const uint8_t topLeft[4] = { 30, 20, 10, 40 };
    EXPECT_EQ(0, std::memcmp(b + 54 + 3 * 4, topLeft, 4));
}

TEST(SlotBitmap, OtherDepthsAreWrittenWithAZeroFourthByte)
{
    QImage rgb24(2, 1, QImage::Format_RGB888);
    rgb24.setPixel(0, 0, qRgb(1, 2, 3));
    rgb24.setPixel(1, 0, qRgb(4, 5, 6));
    QByteArray bytes = bmpBytes(rgb24);
    ASSERT_EQ(bytes.size(), 54 + 8);
    EXPECT_EQ(bytes.mid(54), QByteArray("\x03\x02\x01\x00\x06\x05\x04\x00", 8));

    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({ qRgb(9, 8, 7), qRgb(200, 100, 50) });
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 0);
    bytes = bmpBytes(indexed);
    ASSERT_EQ(bytes.size(), 54 + 8);
    EXPECT_EQ(bytes.mid(54), QByteArray("\x32\x64\xC8\x00\x07\x08\x09\x00", 8));
    EXPECT_FALSE(WriteSlotBitmap(QImage(), QDir::tempPath() + QStringLiteral("/booth_test_null.bmp")));
    EXPECT_FALSE(QFile::exists(QDir::tempPath() + QStringLiteral("/booth_test_null.bmp")));
}

TEST_F(ProjectFile, PackedRecordsAreLengthPrefixedAndUnaligned)
{
    writeAll(file("a"), "x");
    writeAll(file("b"), "abc");
    writeAll(file("c"), "hello");
    const QString target = file("p.kivra");
    ASSERT_TRUE(PackFiles({ file("a"), file("b"), file("c") }, target));
    EXPECT_EQ(readAll(target), record("x") + record("abc") + record("hello"));

    QStringList files;
    QString error;
    ASSERT_TRUE(UnpackProject(target, files, &error)) << error.toStdString();
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(files[0], ProjectTempFolder() + QStringLiteral("KivraTesselwick.ini"));
    EXPECT_EQ(files[1], ProjectTempFolder() + QStringLiteral("0.bmp"));
    EXPECT_EQ(readAll(files[0]), QByteArray("x"));
    EXPECT_EQ(readAll(files[1]), QByteArray("abc"));
    EXPECT_EQ(readAll(files[2]), QByteArray("hello"));
}

TEST_F(ProjectFile, PackingFailureKeepsThePreviousProject)
{
    const QString target = file("p.kivra");
    ASSERT_TRUE(PackFiles({}, target));
    EXPECT_FALSE(QFile::exists(target));
    writeAll(target, "previous project");
    writeAll(file("a"), "x");
    writeAll(file("empty"), "");
    QString error;
    EXPECT_FALSE(PackFiles({ file("a"), file("missing") }, target, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing")));
    EXPECT_FALSE(PackFiles({ file("a"), file("empty") }, target, &error));
    EXPECT_FALSE(PackFiles({ file("a") }, file("no/such/folder/p.kivra"), &error));
    EXPECT_EQ(readAll(target), QByteArray("previous project"));
    // No half-written temporary file is left beside it.
    EXPECT_EQ(QDir(QString::fromStdString(m_dir.path().string())).entryList(QDir::Files).size(), 4);
}

TEST_F(ProjectFile, SaveAndOpenRestoreLayoutSlotsAndPicturesExactly)
{
    CombinationSlots saved;
    fillSlots(saved, 2, { 0, 3, 7 });
    ComData withFrame = saved.slot(3);
    withFrame.m_frame = patternBitmap(kCanvasWidth, kCanvasHeight, 9);
    withFrame.m_frame.setPixel(kCanvasWidth / 2, kCanvasHeight / 2, qRgb(0, 255, 0));
    saved.PlaceIntoSlot(3, withFrame);
    const QString target = file("event.kivra");
    QString error;
    ASSERT_TRUE(SaveProject(saved, m_paths.m_settingsFile, target, &error)) << error.toStdString();
    EXPECT_EQ(platform::IniFile::readString(m_paths.m_settingsFile, "Configure", "ComPictureFlag"), "0,3,7,");
    EXPECT_EQ(platform::IniFile::readInt(m_paths.m_settingsFile, "Configure", "CombinationIndex"), 2);

    CombinationSlots opened;
    BoothSettings settings;
    m_paths.m_currentFolder = QStringLiteral("/own/projects");
    m_paths.m_saveFolder = QStringLiteral("/own/save");
    ASSERT_TRUE(RunBoothLoad(opened, target, settings, m_paths, &error)) << error.toStdString();
    EXPECT_EQ(settings.m_shottingDelay, 7);
    // The project's PathSave (/srv/save) and empty PathCurrent are not this booth's folders.
    EXPECT_EQ(m_paths.m_saveFolder, QStringLiteral("/own/save"));
    EXPECT_EQ(m_paths.m_currentFolder, QStringLiteral("/own/projects"));
    EXPECT_EQ(opened.layout(), 2);
    EXPECT_EQ(opened.usedSlots(), (QList<int> { 0, 3, 7 }));
    for (int i : { 0, 3, 7 }) {
        EXPECT_TRUE(sameColours(opened.slot(i).m_composed, saved.slot(i).m_composed)) << i;
        EXPECT_TRUE(sameColours(opened.slot(i).m_frame, saved.slot(i).m_frame)) << i;
        EXPECT_TRUE(sameColours(opened.slot(i).m_background, saved.slot(i).m_background)) << i;
        EXPECT_EQ(opened.shownPicture(i).size(), opened.slot(i).rect().size());
    }
    EXPECT_EQ(tempFolderFiles().size(), 1 + 9);
}

TEST_F(ProjectFile, ProjectWithoutUsedSlotsIsOneRecord)
{
    CombinationSlots saved;
    saved.buildLayout(4);
    const QString target = file("empty.kivra");
    ASSERT_TRUE(SaveProject(saved, m_paths.m_settingsFile, target));
    EXPECT_EQ(readAll(target), record(readAll(m_paths.m_settingsFile)));

    CombinationSlots opened;
    fillSlots(opened, 0, { 1 });
    BoothSettings settings;
    QString error;
    ASSERT_TRUE(RunBoothLoad(opened, target, settings, m_paths, &error)) << error.toStdString();
    EXPECT_EQ(settings.m_shottingDelay, 7);
    EXPECT_EQ(opened.layout(), 4);
    EXPECT_TRUE(opened.usedSlots().isEmpty());
}

TEST_F(ProjectFile, SixteenSlotProjectRestoresWholeEntriesOnly)
{
    CombinationSlots saved;
    fillSlots(saved, 3, { 1, 11 });
    const QString target = file("grid.kivra");
    ASSERT_TRUE(SaveProject(saved, m_paths.m_settingsFile, target));
    EXPECT_EQ(platform::IniFile::readString(m_paths.m_settingsFile, "Configure", "ComPictureFlag"), "1,11,");

    CombinationSlots opened;
    BoothSettings settings;
    QString error;
    ASSERT_TRUE(RunBoothLoad(opened, target, settings, m_paths, &error)) << error.toStdString();
    EXPECT_EQ(opened.usedSlots(), (QList<int> { 1, 11 }));
    EXPECT_TRUE(sameColours(opened.slot(11).m_composed, saved.slot(11).m_composed));
}

TEST_F(ProjectFile, SlotWithoutFrameIsSavedWithTheEmptySlotPicture)
{
    CombinationSlots model;
    fillSlots(model, 1, { 0 });
    const QImage picture = solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(1, 2, 3));
    ASSERT_EQ(model.storeIntoFirstFree(picture, picture, QImage(), 255), 1); // a slot without frame
    const QString target = file("event.kivra");
    writeAll(target, "previous project");
    QString error;
    ASSERT_TRUE(SaveProject(model, m_paths.m_settingsFile, target, &error)) << error.toStdString();

    CombinationSlots opened;
    BoothSettings settings;
    ASSERT_TRUE(RunBoothLoad(opened, target, settings, m_paths, &error)) << error.toStdString();
    EXPECT_EQ(opened.usedSlots(), (QList<int> { 0, 1 }));
    EXPECT_TRUE(sameColours(opened.slot(1).m_composed, picture));
    EXPECT_TRUE(sameColours(opened.slot(1).m_background, picture));
    EXPECT_TRUE(sameColours(opened.slot(1).m_frame, model.emptySlotPicture()));
    EXPECT_TRUE(sameColours(opened.slot(0).m_composed, model.slot(0).m_composed));
}

TEST_F(ProjectFile, DamagedRecordsStopWithAnError)
{
    const QByteArray settings = record(settingsText(1, "0,"));
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        { "length past the end", settings + le32(1000) + QByteArray(10, 'x') },
        { "zero length", settings + le32(0) + record("abc") },
        { "huge length", settings + le32(0xFFFFFFFFu) + QByteArray(64, 'x') },
        { "truncated header", settings + QByteArray("\x05\x00", 2) },
    };
    for (const Case& c : cases) {
        const QString path = file("damaged.kivra");
        writeAll(path, c.bytes);
        QStringList files;
        QString error;
        EXPECT_FALSE(UnpackProject(path, files, &error)) << c.name;
        EXPECT_TRUE(error.contains(QStringLiteral("damaged"))) << c.name;
        ASSERT_EQ(files.size(), 1) << c.name;
        EXPECT_EQ(readAll(files[0]), settingsText(1, "0,")) << c.name;
        EXPECT_EQ(tempFolderFiles(), QStringList { QStringLiteral("KivraTesselwick.ini") }) << c.name;

        // The booth still takes the settings and says what is missing.
        CombinationSlots model;
        BoothSettings booth;
        EXPECT_FALSE(RunBoothLoad(model, path, booth, m_paths, &error)) << c.name;
        EXPECT_EQ(booth.m_combinationIndex, 1);
        EXPECT_EQ(model.layout(), 1);
        EXPECT_TRUE(model.usedSlots().isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST_F(ProjectFile, MoreRecordsThanSixteenSlotsAreIgnored)
{
    QByteArray bytes = record(settingsText(3, "0,"));
    for (int i = 0; i < 60; ++i)
        bytes += record("bm");
    const QString path = file("many.kivra");
    writeAll(path, bytes);
    QStringList files;
    QString error;
    EXPECT_FALSE(UnpackProject(path, files, &error));
    EXPECT_EQ(files.size(), kMaxProjectRecords);
    EXPECT_EQ(tempFolderFiles().size(), kMaxProjectRecords);
    for (const QString& f : files)
        EXPECT_TRUE(f.startsWith(ProjectTempFolder()));
}

TEST_F(ProjectFile, UndecodablePicturesLeaveTheirSlotEmpty)
{
    const QByteArray good = bmpBytes(patternBitmap(40, 30, 2));
    const QByteArray bytes = record(settingsText(1, "0,1,2,")) + record("not a bitmap") + record(good) + record(good)
        + record(good) + record("junk frame") + record(good) + record(good);
    const QString path = file("bad.kivra");
    writeAll(path, bytes);
    CombinationSlots model;
    BoothSettings settings;
    QString error;
    EXPECT_FALSE(RunBoothLoad(model, path, settings, m_paths, &error));
    EXPECT_EQ(model.usedSlots(), (QList<int> { 1 }));
    EXPECT_TRUE(sameColours(model.slot(1).m_composed, patternBitmap(40, 30, 2)));
    EXPECT_TRUE(error.contains(QStringLiteral("Slot 1 could not be restored")));
    EXPECT_TRUE(error.contains(QStringLiteral("frame of slot 2")));
    EXPECT_TRUE(error.contains(QStringLiteral("slot 3 and any later slot are missing")));
}

TEST(SlotBitmap, HugeDeclaredSizesAreRejectedBeforeDecoding)
{
    QByteArray header = bmpBytes(patternBitmap(2, 2, 1)).left(54);
    const QString path = QDir::tempPath() + QStringLiteral("/booth_test_huge.bmp");
    struct Case {
        int w, h;
        const char* why;
    };
    for (const Case& c : { Case { 9000, 9000, "pixel data is truncated" }, Case { 100000, 1, "out of range" },
             Case { -5, 5, "out of range" } }) {
        QByteArray bytes = header;
        bytes.replace(18, 4, le32(quint32(c.w)));
        bytes.replace(22, 4, le32(quint32(c.h)));
        writeAll(path, bytes + QByteArray(64, 'x'));
        QString error;
        EXPECT_TRUE(ReadSlotBitmap(path, &error).isNull());
        EXPECT_TRUE(error.contains(QLatin1String(c.why))) << error.toStdString();
    }
    writeAll(path, bmpBytes(patternBitmap(3, 2, 1)));
    EXPECT_TRUE(sameColours(ReadSlotBitmap(path), patternBitmap(3, 2, 1)));
    QFile::remove(path);
}

TEST_F(ProjectFile, UnknownLayoutFallsBackToTheFirst)
{
    const QString path = file("layout.kivra");
    writeAll(path, record(settingsText(9, "")));
    CombinationSlots model;
    model.buildLayout(3);
    BoothSettings settings;
    QString error;
    EXPECT_FALSE(RunBoothLoad(model, path, settings, m_paths, &error));
    EXPECT_EQ(model.layout(), 0);
    EXPECT_TRUE(error.contains(QStringLiteral("unknown slot layout")));
}

TEST_F(ProjectFile, UnreadableProjectChangesNothing)
{
    CombinationSlots model;
    fillSlots(model, 1, { 2 });
    BoothSettings settings;
    settings.m_shottingDelay = 3;
    QString error;
    writeAll(file("tiny.kivra"), "\x01\x00");
    for (const QString& path : { file("missing.kivra"), file("tiny.kivra") }) {
        EXPECT_FALSE(RunBoothLoad(model, path, settings, m_paths, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(model.layout(), 1);
        EXPECT_EQ(model.usedSlots(), (QList<int> { 2 }));
        EXPECT_EQ(settings.m_shottingDelay, 3);
    }
}

TEST_F(ProjectFile, UnpackingNeverWritesThroughPlantedLinks)
{
    ASSERT_TRUE(PrepareProjectTempFolder());
    const QString outside = file("victim.txt");
    writeAll(outside, "keep me");
    ASSERT_TRUE(QFile::link(outside, ProjectTempFolder() + QStringLiteral("0.bmp")));
    const QString path = file("p.kivra");
    writeAll(path, record("ini") + record("payload"));
    QStringList files;
    ASSERT_TRUE(UnpackProject(path, files));
    EXPECT_EQ(readAll(outside), QByteArray("keep me"));
    EXPECT_EQ(readAll(files[1]), QByteArray("payload"));
    EXPECT_FALSE(QFileInfo(files[1]).isSymLink());
}

TEST_F(ProjectFile, EachProcessUnpacksIntoItsOwnFolderWithoutStaleFiles)
{
    const QString folder = ProjectTempFolder();
    EXPECT_TRUE(QFileInfo(folder.chopped(1))
                    .fileName()
                    .startsWith(QStringLiteral("KivraTesselwick-%1-").arg(QCoreApplication::applicationPid())))
        << folder.toStdString();
    EXPECT_EQ(fs::status(folder.toStdString()).permissions(), fs::perms::owner_all);
    writeAll(file("big.kivra"), record("ini") + record("a") + record("b") + record("c"));
    writeAll(file("small.kivra"), record("ini"));
    QStringList files;
    ASSERT_TRUE(UnpackProject(file("big.kivra"), files));
    EXPECT_EQ(tempFolderFiles().size(), 4);
    ASSERT_TRUE(UnpackProject(file("small.kivra"), files));
    EXPECT_EQ(files.size(), 1);
    EXPECT_EQ(tempFolderFiles(), QStringList { QStringLiteral("KivraTesselwick.ini") });
    RemoveProjectTempFolder();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(ProjectFile, SymlinkedSharedTempFolderIsNeverWrittenThrough)
{
    // Another local user's trap: "KivraTesselwick" in the temp folder, linked to a folder they
    // read, with this process's old per-process folder already waiting in it.
    const QString temp = file("systemp");
    const QString trap = file("trap");
    QDir().mkpath(temp);
    QDir().mkpath(trap + QStringLiteral("/%1").arg(QCoreApplication::applicationPid()));
    ASSERT_TRUE(QFile::link(trap, temp + QStringLiteral("/KivraTesselwick")));
    const AppPaths saved = appPaths();
    appPaths().m_tempFolder = temp + QLatin1Char('/');
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR"); // the temp folder is where the trap is

    CombinationSlots model;
    fillSlots(model, 1, { 0, 1 });
    QString error;
    ASSERT_TRUE(SaveProject(model, m_paths.m_settingsFile, file("p.kivra"), &error)) << error.toStdString();
    QStringList files;
    ASSERT_TRUE(UnpackProject(file("p.kivra"), files, &error)) << error.toStdString();
    CombinationSlots opened;
    ASSERT_TRUE(RestoreProject(opened, files, 1, QStringLiteral("0,1,"), &error)) << error.toStdString();
    EXPECT_EQ(opened.usedSlots(), (QList<int> { 0, 1 }));
    for (const QString& f : files)
        EXPECT_TRUE(f.startsWith(temp + QStringLiteral("/KivraTesselwick-"))) << f.toStdString();

    QDirIterator written(trap, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    EXPECT_FALSE(written.hasNext()) << "written through the link: " << written.next().toStdString();
    RemoveProjectTempFolder();
    appPaths() = saved;
    if (!runtime.isEmpty())
        qputenv("XDG_RUNTIME_DIR", runtime);
}

TEST_F(ProjectFile, ProjectsCarryNoOperatorPin)
{
    writeAll(m_paths.m_settingsFile, "[Configure]\r\nShottingDelay=7\r\nOperatorPin=pbkdf2-sha256$20000$ab$cd\r\n");
    CombinationSlots model;
    fillSlots(model, 1, { 2 });
    ASSERT_TRUE(SaveProject(model, m_paths.m_settingsFile, file("p.kivra")));
    QStringList files;
    ASSERT_TRUE(UnpackProject(file("p.kivra"), files));
    EXPECT_FALSE(readAll(files[0]).contains("pbkdf2")) << readAll(files[0]).toStdString();
    EXPECT_EQ(platform::IniFile::readString(files[0], "Configure", "ComPictureFlag"), "2,");
    EXPECT_EQ(platform::IniFile::readInt(files[0], "Configure", "ShottingDelay"), 7);
    // The booth's own settings keep it.
    EXPECT_TRUE(readAll(m_paths.m_settingsFile).contains("pbkdf2"));
    // A session autosave neither.
    EXPECT_FALSE(ProjectSettingsRecord(m_paths.m_settingsFile, 1, { 2 }).contains("pbkdf2"));
}

TEST_F(ProjectFile, PlainBoothLoadBuildsTheFirstLayout)
{
    CombinationSlots model;
    fillSlots(model, 3, { 0 });
    BoothSettings settings;
    ASSERT_TRUE(RunBoothLoad(model, QString(), settings, m_paths));
    EXPECT_EQ(settings.m_shottingDelay, 7);
    EXPECT_EQ(model.layout(), 0);
    EXPECT_TRUE(model.usedSlots().isEmpty());
}

TEST_F(ProjectFile, MutatedProjectsNeverEscapeTheTemporaryFolder)
{
    CombinationSlots saved;
    fillSlots(saved, 1, { 0, 2 });
    const QString original = file("original.kivra");
    ASSERT_TRUE(SaveProject(saved, m_paths.m_settingsFile, original));
    const QByteArray bytes = readAll(original);
    std::mt19937 random(1234);
    const QString path = file("mutated.kivra");
    for (int round = 0; round < 150; ++round) {
        QByteArray mutated = bytes;
        const int edits = 1 + int(random() % 8);
        for (int e = 0; e < edits; ++e) {
            // Mostly hit the length fields and headers near record starts, sometimes anywhere.
            const qsizetype at = random() % 2 ? qsizetype(random() % 200) : qsizetype(random() % mutated.size());
            mutated[at] = char(random());
        }
        if (random() % 4 == 0)
            mutated.truncate(qsizetype(random() % mutated.size()));
        writeAll(path, mutated);
        CombinationSlots model;
        BoothSettings settings;
        QString error;
        RunBoothLoad(model, path, settings, m_paths, &error);
        EXPECT_LE(tempFolderFiles().size(), kMaxProjectRecords);
        EXPECT_GE(model.layout(), 0);
        EXPECT_LE(model.usedSlots().size(), 2) << "round " << round;
    }
    EXPECT_EQ(QDir(QString::fromStdString(m_dir.path().string())).entryList(QDir::Files).size(), 3);
}

namespace {
/// A run-length BMP declaring w x h that ends at once: a few bytes that decode to w x h pixels.
QByteArray rleBitmapEndingAtOnce(int w, int h)
{
    QByteArray b("BM");
    b += le32(0) + le32(0) + le32(54 + 4);
    b += le32(40) + le32(quint32(w)) + le32(quint32(h));
    b += QByteArray("\x01\x00\x08\x00", 4) + le32(1) + le32(2); // 1 plane, 8 bits, RLE8, 2 data bytes
    b += le32(2835) + le32(2835) + le32(1) + le32(0);
    b += QByteArray("\x10\x20\x30\x00", 4); // one palette entry
    b += QByteArray("\x00\x01", 2); // end of bitmap
    return b;
}
} // namespace

TEST_F(ProjectFile, RunLengthRecordsDeclaringHugeSizesAreRefused)
{
    // Sixteen slots of 16384 x 16384 each in 3 KB: refused as a whole before anything is decoded.
    QByteArray flag;
    QByteArray bytes;
    for (int i = 0; i < 16; ++i) {
        flag += QByteArray::number(i) + ",";
        for (int k = 0; k < 3; ++k)
            bytes += record(rleBitmapEndingAtOnce(16384, 16384));
    }
    const QString path = file("rle_slots_declaring_16384x16384.kivra");
    writeAll(path, record(settingsText(3, flag.constData())) + bytes);
    ASSERT_LT(QFileInfo(path).size(), 4096);
    CombinationSlots model;
    BoothSettings settings;
    QString error;
    EXPECT_FALSE(RunBoothLoad(model, path, settings, m_paths, &error));
    EXPECT_TRUE(model.usedSlots().isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("MB of memory"))) << error.toStdString();

    // Each record within the per-picture bound, together too much: also refused up front.
    bytes.clear();
    for (int i = 0; i < 16 * 3; ++i)
        bytes += record(rleBitmapEndingAtOnce(4096, 3072));
    writeAll(path, record(settingsText(3, flag.constData())) + bytes);
    EXPECT_FALSE(RunBoothLoad(model, path, settings, m_paths, &error));
    EXPECT_TRUE(model.usedSlots().isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("MB of memory"))) << error.toStdString();

    // One such record alone: that slot is refused with its size, the project's other slot opens.
    const QByteArray good = bmpBytes(patternBitmap(40, 30, 2));
    writeAll(path,
        record(settingsText(1, "0,1,")) + record(rleBitmapEndingAtOnce(16384, 16384)) + record(good) + record(good)
            + record(good) + record(good) + record(good));
    EXPECT_FALSE(RunBoothLoad(model, path, settings, m_paths, &error));
    EXPECT_EQ(model.usedSlots(), (QList<int> { 1 }));
    EXPECT_TRUE(error.contains(QStringLiteral("16384 x 16384 out of range"))) << error.toStdString();
}

TEST_F(ProjectFile, OversizedSettingsFileIsIgnoredAndTheUserToldOnce)
{
    {
        QFile f(m_paths.m_settingsFile);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(platform::kIniFileMaxBytes + (1 << 20)));
    }
    const QString notice = TakeOversizedSettingsNotice(m_paths.m_settingsFile);
    EXPECT_TRUE(notice.contains(QStringLiteral("17 MB"))) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("ignored"))) << notice.toStdString();
    EXPECT_TRUE(TakeOversizedSettingsNotice(m_paths.m_settingsFile).isEmpty());
    EXPECT_FALSE(platform::IniFile::writeString(
        m_paths.m_settingsFile, QStringLiteral("Configure"), QStringLiteral("Alpha"), QStringLiteral("9")));
    EXPECT_EQ(QFileInfo(m_paths.m_settingsFile).size(), platform::kIniFileMaxBytes + (1 << 20));
    // A file of ordinary size is never mentioned.
    EXPECT_TRUE(TakeOversizedSettingsNotice(file("small.ini")).isEmpty());
}
