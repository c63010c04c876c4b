// The content file reader, driven the way start-up drives it, on files written to a
// temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disk/disk_config.h"

namespace {

struct Record {
    std::string type, file, title;
    bool operator==(const Record&) const = default;
};

struct ReadDisk {
    bool opened;
    int32_t count;
    std::vector<Record> records;
    std::string scroll;
};

class DiskConfigTest : public testing::Test {
protected:
    std::string folder;

    void SetUp() override
    {
        char name[] = "/tmp/disk_config_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string write(const std::string& bytes)
    {
        std::string path = folder + "/disk.cfg";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static ReadDisk readPath(const std::string& path)
    {
        DiskConfig config;
        ReadDisk disk{config.open(path.c_str()), 0, {}, {}};
        disk.count = config.readTrackCount();
        for (int32_t i = 0; i < disk.count; ++i) {
            Record r;
            r.type = config.readLine();
            r.file = config.readLine();
            r.title = config.readLine();
            disk.records.push_back(r);
        }
        disk.scroll = config.readScrollText();
        return disk;
    }
    ReadDisk read(const std::string& bytes) { return readPath(write(bytes)); }
};

TEST(TrackType, KeywordIsExactAndCaseSensitive)
{
    EXPECT_EQ(trackTypeOf("mod"), TrackType::Module);
    EXPECT_EQ(trackTypeOf("stream"), TrackType::Stream);
    for (const char* other : {"stream ", " mod", "Mod", "STREAM", "", "mods", "mod\r"})
        EXPECT_EQ(trackTypeOf(other), TrackType::Unsupported) << other;
}

TEST_F(DiskConfigTest, ReadsCountRecordsAndScrollText)
{
    ReadDisk disk = read("2 tracks on this disk\nmod\nsong.xm\nFirst\nstream \nsong.ogg\nSecond\nHello\n\nWorld\n");
    EXPECT_TRUE(disk.opened);
    ASSERT_EQ(disk.count, 2);
    EXPECT_EQ(disk.records[0], (Record{"mod", "song.xm", "First"}));
    EXPECT_EQ(disk.records[1], (Record{"stream ", "song.ogg", "Second"}));
    EXPECT_EQ(trackTypeOf(disk.records[1].type), TrackType::Unsupported);
    EXPECT_EQ(disk.scroll, "Hello\n\nWorld\n");
}

TEST_F(DiskConfigTest, BlankLinesBeforeTheCountAreSkippedAfterItTheyAreFields)
{
    ReadDisk disk = read("\n \t\n  1\n\nmod\nTitle\nrest\n");
    ASSERT_EQ(disk.count, 1);
    EXPECT_EQ(disk.records[0], (Record{"", "mod", "Title"}));
    EXPECT_EQ(disk.scroll, "rest\n");
}

TEST_F(DiskConfigTest, CrLfReadsLikeLfAndALoneCrStays)
{
    std::string lf = "1\nmod\na\rb.mod\nTitle\nline one\n\nline two\n";
    std::string crlf = "1\r\nmod\r\na\rb.mod\r\nTitle\r\nline one\r\n\r\nline two\r\n";
    ReadDisk a = read(lf), b = read(crlf);
    ASSERT_EQ(b.count, 1);
    EXPECT_EQ(b.records, a.records);
    EXPECT_EQ(b.records[0].file, "a\rb.mod");
    EXPECT_EQ(b.scroll, a.scroll);
}

TEST_F(DiskConfigTest, ScrollTextLineEnds)
{
    EXPECT_EQ(read("1\nmod\nf\nT\n").scroll, "");
    EXPECT_EQ(read("1\nmod\nf\nT").scroll, "");
    EXPECT_EQ(read("0\nOne\n\nTwo").scroll, "One\n\nTwo\n");
    EXPECT_EQ(read("0\nOne\n\nTwo\n").scroll, "One\n\nTwo\n");
    EXPECT_EQ(read("0\n\n").scroll, "\n");
}

TEST_F(DiskConfigTest, MissingOrUnreadableFileGivesNothing)
{
    for (const std::string& path : {folder + "/absent.cfg", folder}) {
        ReadDisk disk = readPath(path);
        EXPECT_FALSE(disk.opened) << path;
        EXPECT_EQ(disk.count, 0);
        EXPECT_EQ(disk.scroll, "");
    }
}

TEST_F(DiskConfigTest, CountThatIsNotANumberEndsTheReading)
{
    for (const char* first : {"three", "+", "- 3", "", "99999999999", "2147483648", "-2147483649"}) {
        ReadDisk disk = read(std::string(first) + "\nmod\nf\nT\nscroll\n");
        EXPECT_EQ(disk.count, 0) << first;
        EXPECT_EQ(disk.scroll, "") << first;
    }
    DiskConfig config;
    config.open(write("x\nline\n").c_str());
    config.readTrackCount();
    EXPECT_EQ(config.readLine(), "");
}

TEST_F(DiskConfigTest, NumberStopsAtTheFirstOtherCharacter)
{
    EXPECT_EQ(read("+2x\n").count, 2);
    EXPECT_EQ(read("1.9\nmod\nf\nT\n").count, 1);
    EXPECT_EQ(read("0x10\nkept\n").scroll, "kept\n");
}

TEST_F(DiskConfigTest, MissingLinesOfAShortFileReadEmpty)
{
    ReadDisk disk = read("3\nmod\na.mod\nA\nstream\n");
    ASSERT_EQ(disk.count, 3);
    EXPECT_EQ(disk.records[0], (Record{"mod", "a.mod", "A"}));
    EXPECT_EQ(disk.records[1], (Record{"stream", "", ""}));
    EXPECT_EQ(disk.records[2], (Record{"", "", ""}));
    EXPECT_EQ(disk.scroll, "");
}

TEST_F(DiskConfigTest, LargeCountIsBoundedByTheRecordsPresent)
{
    // One real record, then at most MISSING_RECORDS_KEPT empty ones.
    EXPECT_EQ(read("4\nmod\na\nA\n").count, 4);
    EXPECT_EQ(read("5\nmod\na\nA\n").count, 1 + MISSING_RECORDS_KEPT);
    ReadDisk huge = read("2147483647\nmod\na\nA\n");
    ASSERT_EQ(huge.count, 1 + MISSING_RECORDS_KEPT);
    EXPECT_EQ(huge.records[0], (Record{"mod", "a", "A"}));
    EXPECT_EQ(huge.records.back(), (Record{"", "", ""}));
    EXPECT_EQ(read("2147483647").count, MISSING_RECORDS_KEPT);

    std::string many = "2147483647\n";
    for (int i = 0; i < MAX_DISK_TRACKS + 1; ++i)
        many += "mod\nf\nT\n";
    ReadDisk capped = read(many);
    EXPECT_EQ(capped.count, MAX_DISK_TRACKS);
    EXPECT_EQ(capped.scroll, "mod\nf\nT\n");
}

TEST_F(DiskConfigTest, NegativeCountGivesNoTracks)
{
    for (const char* first : {"-1", "-2147483648"}) {
        ReadDisk disk = read(std::string(first) + "\nText\n");
        EXPECT_EQ(disk.count, 0) << first;
        EXPECT_EQ(disk.scroll, "Text\n") << first;
    }
}

TEST_F(DiskConfigTest, NulBytesAndLongLinesAreKept)
{
    std::string title("A\0B", 3);
    std::string longLine(1 << 20, 'x');
    ReadDisk disk = read("1\nmod\n" + longLine + "\n" + title + "\n" + longLine + std::string(1, '\0'));
    ASSERT_EQ(disk.count, 1);
    EXPECT_EQ(disk.records[0].file, longLine);
    EXPECT_EQ(disk.records[0].title, title);
    EXPECT_EQ(disk.scroll, longLine + std::string(1, '\0') + "\n");
}

} // namespace
