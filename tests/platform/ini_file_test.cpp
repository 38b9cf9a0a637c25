// INI reader/writer: lookup rules, hand-edited and damaged files, and writes that keep the rest.
#include "platform/ini_file.h"

#include <climits>
#include <iterator>
#include <random>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <gtest/gtest.h>

#include "tests/common/test_support.h"

using platform::IniDocument;
using platform::IniFile;

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

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

TEST(IniDocument, LookupIgnoresCaseBlanksAndComments)
{
    IniDocument doc("; PathFrame=commented\n"
                    "[ configure ]\n"
                    "  # Alpha=1\n"
                    "  pathframe =  /srv/frames  \n"
                    "Quoted=\"/a b/\"\n"
                    "NoEquals\n"
                    "[Other]\n"
                    "Alpha=7\n");
    bool found = false;
    EXPECT_EQ(doc.value("Configure", "PathFrame", &found), "/srv/frames");
    EXPECT_TRUE(found);
    EXPECT_EQ(doc.value("CONFIGURE", "quoted"), "/a b/");
    EXPECT_EQ(doc.value("Configure", "Alpha", &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(doc.value("Configure", "NoEquals", &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(doc.value("Other", "Alpha"), "7");
    EXPECT_EQ(doc.value("Missing", "Alpha"), "");
}

TEST(IniDocument, FirstDuplicateWinsForReadAndWrite)
{
    IniDocument doc("[Configure]\nAlpha=1\nalpha=2\n[configure]\nAlpha=3\nExtra=x\n");
    EXPECT_EQ(doc.value("Configure", "Alpha"), "1");
    // A key that only exists in the later duplicate section is not seen.
    EXPECT_EQ(doc.value("Configure", "Extra"), "");

    ASSERT_TRUE(doc.set("Configure", "Alpha", "9"));
    EXPECT_EQ(doc.bytes(), QByteArray("[Configure]\nAlpha=9\nalpha=2\n[configure]\nAlpha=3\nExtra=x\n"));
}

TEST(IniDocument, ByteOrderMarkAndCrlfAreHandledAndKept)
{
    const QByteArray original("\xEF\xBB\xBF[Configure]\r\nShottingDelay=3\r\n\r\n[RecentlyFrame]\r\n0=/f/a.png\r\n");
    IniDocument doc(original);
    EXPECT_EQ(doc.value("Configure", "ShottingDelay"), "3");
    EXPECT_EQ(doc.value("RecentlyFrame", "0"), "/f/a.png");

    ASSERT_TRUE(doc.set("Configure", "ShottingDelay", "5"));
    ASSERT_TRUE(doc.set("Configure", "Alpha", "255"));
    ASSERT_TRUE(doc.set("RecentlyPortrait", "0", "/p/b.jpg"));
    EXPECT_EQ(doc.bytes(),
        QByteArray("\xEF\xBB\xBF[Configure]\r\nShottingDelay=5\r\nAlpha=255\r\n\r\n"
                   "[RecentlyFrame]\r\n0=/f/a.png\r\n"
                   "[RecentlyPortrait]\r\n0=/p/b.jpg\r\n"));
}

TEST(IniDocument, AddsKeysAtSectionEndAndCopesWithMissingFinalNewline)
{
    IniDocument doc("[Configure]\nAlpha=1\n; note about the next section\n[Other]\nx=1");
    ASSERT_TRUE(doc.set("Configure", "PathSave", ""));
    ASSERT_TRUE(doc.set("Other", "y", "2"));
    ASSERT_TRUE(doc.set("New", "k", "v"));
    EXPECT_EQ(doc.bytes(),
        QByteArray("[Configure]\nAlpha=1\nPathSave=\n; note about the next section\n"
                   "[Other]\nx=1\ny=2\n[New]\nk=v\n"));
    EXPECT_EQ(doc.value("Configure", "PathSave"), "");

    IniDocument headerOnly("[Configure]");
    ASSERT_TRUE(headerOnly.set("Configure", "Alpha", "3"));
    EXPECT_EQ(headerOnly.bytes(), QByteArray("[Configure]\nAlpha=3\n"));
}

TEST(IniDocument, RefusesTextThatWouldBreakTheFile)
{
    IniDocument doc("[Configure]\nAlpha=1\n");
    EXPECT_FALSE(doc.set("Configure", "Alpha", "1\n[Injected]\nx=1"));
    EXPECT_FALSE(doc.set("Configure", "Al=pha", "1"));
    EXPECT_FALSE(doc.set("Conf]igure", "Alpha", "1"));
    EXPECT_FALSE(doc.set("", "Alpha", "1"));
    EXPECT_FALSE(doc.set("Configure", " ", "1"));
    EXPECT_FALSE(doc.set("Configure", ";Alpha", "1"));
    EXPECT_EQ(doc.bytes(), QByteArray("[Configure]\nAlpha=1\n"));
}

TEST(IniDocument, OverlongLinesAreTruncatedOnReadOnly)
{
    const QByteArray longValue(100000, 'x');
    IniDocument doc("[Configure]\nPathFrame=" + longValue + "\nAlpha=4\n");
    const QString v = doc.value("Configure", "PathFrame");
    EXPECT_EQ(v.size(), platform::kIniValueMax);
    EXPECT_EQ(doc.value("Configure", "Alpha"), "4");
    ASSERT_TRUE(doc.set("Configure", "Alpha", "5"));
    EXPECT_TRUE(doc.bytes().contains(longValue));
}

TEST(IniFile, MissingEmptyAndUnreadableFilesReadAsNoKeys)
{
    testsupport::TempDir dir;
    EXPECT_EQ(IniFile::readString(q(dir.file("none.ini")), "Configure", "Alpha"), "");
    writeAll(q(dir.file("empty.ini")), "");
    EXPECT_EQ(IniFile::readInt(q(dir.file("empty.ini")), "Configure", "Alpha"), 0);
    QDir(q(dir.path().string())).mkdir("folder.ini");
    EXPECT_EQ(IniFile::readString(q(dir.file("folder.ini")), "Configure", "Alpha"), "");
    writeAll(q(dir.file("binary.ini")), QByteArray("\0\0\xff\xfe[Configure]\0Alpha=3", 20));
    EXPECT_EQ(IniFile::readString(q(dir.file("binary.ini")), "Configure", "Alpha"), "");
    // Writing to a folder fails and leaves it a folder.
    EXPECT_FALSE(IniFile::writeString(q(dir.file("folder.ini")), "Configure", "Alpha", "1"));
    EXPECT_TRUE(QFileInfo(q(dir.file("folder.ini"))).isDir());
}

TEST(IniFile, WriteCreatesFileAndKeepsHandEditedContent)
{
    testsupport::TempDir dir;
    const QString path = q(dir.file("KivraTesselwick.ini"));
    ASSERT_TRUE(IniFile::writeInt(path, "Configure", "Alpha", -12));
    EXPECT_EQ(readAll(path), QByteArray("[Configure]\nAlpha=-12\n"));

    const QByteArray edited("; edited by hand\r\n[Mine]\r\nkeep = me \r\n[Configure]\r\nAlpha=-12\r\n");
    writeAll(path, edited);
    ASSERT_TRUE(IniFile::writeString(path, "Configure", "PathFrame", "/srv/frames"));
    EXPECT_EQ(readAll(path),
        QByteArray("; edited by hand\r\n[Mine]\r\nkeep = me \r\n[Configure]\r\nAlpha=-12\r\n"
                   "PathFrame=/srv/frames\r\n"));
    EXPECT_EQ(IniFile::readString(path, "mine", "KEEP"), "me");
    EXPECT_EQ(IniFile::readInt(path, "Configure", "Alpha"), -12);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(q(dir.path().string())).entryList(QDir::Files), QStringList { "KivraTesselwick.ini" });
}

TEST(IniFile, OversizedFileIsNeitherReadNorReplaced)
{
    testsupport::TempDir dir;
    const QString path = q(dir.file("big.ini"));
    QByteArray big("[Configure]\nAlpha=1\n");
    big.append(QByteArray(platform::kIniFileMaxBytes, ';'));
    writeAll(path, big);
    EXPECT_EQ(IniFile::readString(path, "Configure", "Alpha"), "");
    EXPECT_FALSE(IniFile::writeString(path, "Configure", "Alpha", "2"));
    EXPECT_EQ(QFileInfo(path).size(), big.size());
}

TEST(IniFile, WriteIntoMissingFolderFails)
{
    testsupport::TempDir dir;
    EXPECT_FALSE(IniFile::writeString(q(dir.file("no/such/x.ini")), "Configure", "Alpha", "1"));
    EXPECT_FALSE(QFileInfo::exists(q(dir.file("no"))));
}

TEST(ParseDecimal, BehavesLikePlainDecimalConversion)
{
    EXPECT_EQ(platform::parseDecimal(""), 0);
    EXPECT_EQ(platform::parseDecimal("abc"), 0);
    EXPECT_EQ(platform::parseDecimal("  42"), 42);
    EXPECT_EQ(platform::parseDecimal("-7"), -7);
    EXPECT_EQ(platform::parseDecimal("+8"), 8);
    EXPECT_EQ(platform::parseDecimal("12abc"), 12);
    EXPECT_EQ(platform::parseDecimal("0x10"), 0);
    EXPECT_EQ(platform::parseDecimal("99999999999999999999"), INT_MAX);
    EXPECT_EQ(platform::parseDecimal("-99999999999999999999"), INT_MIN);
}

TEST(IniDocument, RandomFilesKeepEveryOtherValueAcrossWrites)
{
    // Documents stitched from awkward fragments; after each write the written key reads back and
    // every other key that was readable before reads the same.
    const char* fragments[] = { "[Configure]", "[configure]", "[Other]", "[", "]", "Alpha=1", "alpha = 2",
        "PathFrame=/a b", "; Alpha=9", "# x=1", "", "   ", "=nokey", "Key", "x=\"q\"", "\xEF\xBB\xBF[Configure]",
        "Alpha=\t3\t", "[Configure] trailing", "y=1=2" };
    const QString keys[] = { "Alpha", "PathFrame", "x", "y", "New" };
    const QString sections[] = { "Configure", "Other", "Fresh" };
    std::mt19937 rng(12345);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes;
        const int lines = int(rng() % 12);
        const char* eol = rng() % 2 ? "\r\n" : "\n";
        for (int i = 0; i < lines; ++i) {
            bytes += fragments[rng() % std::size(fragments)];
            if (i + 1 < lines || rng() % 2)
                bytes += eol;
        }
        IniDocument doc(bytes);
        const QString section = sections[rng() % std::size(sections)];
        const QString key = keys[rng() % std::size(keys)];
        const QString value = QStringLiteral("v%1").arg(round);

        QMap<QString, QString> before;
        for (const QString& s : sections)
            for (const QString& k : keys)
                before[s + '/' + k] = doc.value(s, k);
        ASSERT_TRUE(doc.set(section, key, value)) << bytes.toStdString();
        for (const QString& s : sections) {
            for (const QString& k : keys) {
                const bool written = s == section && k.compare(key, Qt::CaseInsensitive) == 0;
                EXPECT_EQ(doc.value(s, k), written ? value : before[s + '/' + k])
                    << "round " << round << " " << s.toStdString() << "/" << k.toStdString() << "\n"
                    << bytes.toStdString() << "\n--- after ---\n"
                    << doc.bytes().toStdString();
            }
        }
    }
}
