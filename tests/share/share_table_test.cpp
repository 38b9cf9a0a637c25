// Tokens and the share table: shape, uniqueness, restarts, damaged and hostile table files.
#include "share/share_table.h"

#include <set>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "share/share_token.h"
#include "tests/common/test_support.h"
#include "tests/share/share_test_util.h"

using share::SharedSheet;
using share::ShareTable;

namespace {

void writeText(const std::string& path, const std::string& text)
{
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.data(), qint64(text.size()));
}

SharedSheet sheet(const std::string& folder, int64_t created = 1700000000)
{
    SharedSheet s;
    s.token = share::newToken();
    s.folder = folder;
    s.created = created;
    s.files = { "sheet.jpg", "shot-1.jpg" };
    return s;
}

} // namespace

TEST(ShareToken, TokensAreLongUrlSafeAndNeverRepeat)
{
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::string t = share::newToken();
        ASSERT_EQ(t.size(), share::kTokenLength);
        ASSERT_TRUE(share::looksLikeToken(t)) << t;
        ASSERT_TRUE(seen.insert(t).second) << "a token came twice: " << t;
    }
    // 24 characters of 64 = 144 bits; every character position takes many values.
    std::set<char> first;
    for (const std::string& t : seen)
        first.insert(t[0]);
    EXPECT_GT(first.size(), 50u);
    EXPECT_FALSE(share::looksLikeToken("../../../../etc/passwd.."));
    EXPECT_FALSE(share::looksLikeToken(std::string(23, 'a')));
    EXPECT_FALSE(share::looksLikeToken(std::string(24, '%')));
}

TEST(ShareToken, ComparisonIsExact)
{
    const std::string t = share::newToken();
    std::string other = t;
    other[23] = other[23] == 'A' ? 'B' : 'A';
    EXPECT_TRUE(share::equalConstantTime(t, t));
    EXPECT_FALSE(share::equalConstantTime(t, other));
    EXPECT_FALSE(share::equalConstantTime(t, t.substr(0, 23)));
    EXPECT_FALSE(share::equalConstantTime(t, ""));
}

TEST(ShareTable, SurvivesARestartAndFindsEveryToken)
{
    testsupport::TempDir dir;
    const std::string folder = dir.path().string();
    ShareTable table;
    ASSERT_TRUE(table.load(folder).ok);
    std::vector<std::string> tokens;
    for (int i = 0; i < 5; ++i) {
        SharedSheet s = sheet("2024-05-01_12000" + std::to_string(i), 1700000000 + i);
        tokens.push_back(s.token);
        ASSERT_TRUE(table.add(s));
    }
    ASSERT_TRUE(table.ensureIndexToken());
    std::string error;
    ASSERT_TRUE(table.save(folder, &error)) << error;

    ShareTable again;
    const ShareTable::LoadResult r = again.load(folder);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.damagedLines, 0);
    ASSERT_EQ(again.sheets().size(), 5u);
    for (size_t i = 0; i < tokens.size(); ++i) {
        const SharedSheet* s = again.find(tokens[i]);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->folder, "2024-05-01_12000" + std::to_string(i));
        EXPECT_EQ(s->files, (std::vector<std::string> { "sheet.jpg", "shot-1.jpg" }));
    }
    EXPECT_EQ(again.indexToken(), table.indexToken());
    EXPECT_EQ(again.newest()->token, tokens.back());
    EXPECT_EQ(again.find(share::newToken()), nullptr);
    EXPECT_EQ(again.find(again.indexToken()), nullptr) << "the index token opens no sheet";
    // No temporary is left beside the table.
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("shares.tbl") });
}

TEST(ShareTable, RefusesPathsAndDuplicatesAsEntries)
{
    ShareTable table;
    SharedSheet s = sheet("ok");
    ASSERT_TRUE(table.add(s));
    EXPECT_FALSE(table.add(s)) << "the same token twice";
    for (const char* folder : { "..", "../up", "/etc", "a/b", ".hidden", "", "a b" }) {
        SharedSheet bad = sheet(folder);
        EXPECT_FALSE(table.add(bad)) << folder;
    }
    for (const char* file : { "../sheet.jpg", "/etc/passwd", "sheet.png", ".jpg", "a\\b.jpg", "x%2f.jpg" }) {
        SharedSheet bad = sheet("ok2");
        bad.files = { file };
        EXPECT_FALSE(table.add(bad)) << file;
    }
    SharedSheet none = sheet("ok3");
    none.files.clear();
    EXPECT_FALSE(table.add(none));
}

TEST(ShareTable, DamagedLinesAreSkippedCountedAndKeptInACopy)
{
    testsupport::TempDir dir;
    const std::string folder = dir.path().string();
    const std::string good1 = share::newToken();
    const std::string good2 = share::newToken();
    std::string text = "kivra-share 1\n"
                       "sheet "
        + good1
        + " 2024-05-01_120000 1700000000 sheet.jpg shot-1.jpg\n"
          "sheet "
        + share::newToken()
        + " ../../etc 1700000000 passwd.jpg\n" // a path as folder
          "sheet "
        + share::newToken()
        + " ok 1700000000 ../../../etc/passwd\n" // a path as file
          "sheet short\n"
          "sheet "
        + good1
        + " again 1700000000 sheet.jpg\n" // a token seen before
          "sheet "
        + share::newToken() + " ok x sheet.jpg\n" // no time
        + std::string("\x01\x02\xff binary junk\n") + "sheet " + share::newToken() + " ok 1 " + std::string(9000, 'a')
        + ".jpg\n"
          "sheet "
        + good2 + " 2024-05-01_130000 1700003600 sheet.jpg\r\n" + "sheet " + share::newToken()
        + " truncated-at-the-e"; // a crash mid-write in an older version
    writeText(folder + "/shares.tbl", text);

    ShareTable table;
    const ShareTable::LoadResult r = table.load(folder);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.damagedLines, 8);
    EXPECT_NE(r.error.find("damaged"), std::string::npos);
    ASSERT_EQ(table.sheets().size(), 2u);
    EXPECT_NE(table.find(good1), nullptr);
    EXPECT_NE(table.find(good2), nullptr);

    // Writing the table again first keeps the damaged original, byte for byte.
    ASSERT_TRUE(table.add(sheet("2024-05-01_140000")));
    ASSERT_TRUE(table.save(folder));
    EXPECT_EQ(sharetest::readFile(QString::fromStdString(folder + "/shares.tbl.damaged")), text);
    ShareTable again;
    EXPECT_EQ(again.load(folder).damagedLines, 0);
    EXPECT_EQ(again.sheets().size(), 3u);
}

TEST(ShareTable, HostileTableFilesAreNotReadAndNotOverwritten)
{
    testsupport::TempDir dir;
    const std::string folder = dir.path().string();
    ShareTable table;

    // A link planted as the table is not followed.
    writeText(folder + "/secret", "kivra-share 1\n");
    ASSERT_EQ(::symlink("secret", (folder + "/shares.tbl").c_str()), 0);
    ShareTable::LoadResult r = table.load(folder);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("shares.tbl"), std::string::npos);
    ::unlink((folder + "/shares.tbl").c_str());

    // A folder in its place.
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(folder + "/shares.tbl")));
    EXPECT_FALSE(table.load(folder).ok);
    QDir().rmdir(QString::fromStdString(folder + "/shares.tbl"));

    // Larger than any table the booth writes.
    {
        QFile f(QString::fromStdString(folder + "/shares.tbl"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(ShareTable::kMaxFileBytes + 1));
    }
    r = table.load(folder);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("too large"), std::string::npos);

    // Publishing refuses to replace a table it cannot read: it may hold every earlier link.
    const PublishResult p = SharePublisher::publish(QString::fromStdString(folder), sharetest::sampleContent(64, 48));
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(QFileInfo(QString::fromStdString(folder + "/shares.tbl")).size(), ShareTable::kMaxFileBytes + 1);
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0)
        << "the sheet's folder is removed again";
}
