// Hand-edited content files: line ends, byte order marks, NUL bytes, enormous
// lines, absurd track counts, odd type lines and file names. Each runs through
// the whole program with the real services; what the disk then holds is read
// from musicLibrary while it runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "disk/disk_config.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "tests/platform/hostile/hostile_disk.h"

namespace hostile {
namespace {

const std::string TRACK_FAILED = "Failed to load music file. Sorry.";
const std::string UNSUPPORTED = "Unsupported song type";
const std::vector<std::string> TRACK_MESSAGES = {TRACK_FAILED, UNSUPPORTED};

class DiskConfigFile : public HostileDisk {
protected:
    void SetUp() override
    {
        HostileDisk::SetUp();
        // One module for every record: the bundled disk's first track.
        std::filesystem::copy_file("data/music/neon_cartridge.mod", "data/music/one.mod");
    }

    // Runs the disk with this content file; expects no crash, no hang and the
    // quit through Escape.
    RunResult runWith(const std::string& config)
    {
        writeFile("data/disk.cfg", config);
        RunResult run = runDisk();
        seen = run.disk;
        EXPECT_FALSE(run.hung);
        EXPECT_FALSE(run.quitRequested);
        EXPECT_GT(run.frames, escapeThreeTimes().back().frame);
        return run;
    }

    DiskSeen seen;
};

std::string record(const std::string& type, const std::string& file, const std::string& title)
{
    return type + "\n" + file + "\n" + title + "\n";
}

TEST_F(DiskConfigFile, CrLfLineEndsReadLikeLf)
{
    std::string lf = "2\n" + record("mod", "one.mod", "First") + record("mod", "one.mod", "Second") + "SCROLL\n\nEND\n";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(runWith(crlf).messages.empty());
    EXPECT_EQ(seen.titles, (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(seen.loaded, (std::vector<bool>{true, true}));
    EXPECT_EQ(seen.scrollBytes, std::string("SCROLL\n\nEND\n").size());
}

// A byte order mark stands where the count should be: the count is not a number,
// so the disk has no tracks, silently, and runs without music.
TEST_F(DiskConfigFile, ByteOrderMarkLeavesNoTracks)
{
    EXPECT_TRUE(runWith("\xEF\xBB\xBF" "1\n" + record("mod", "one.mod", "First")).messages.empty());
    EXPECT_EQ(seen.trackCount, 0);
}

TEST_F(DiskConfigFile, NulBytesEndTheNamesAndTitlesTheyStandIn)
{
    std::string config = "1\n" + record("mod", std::string("one.mod\0junk", 12), std::string("Fir\0st", 6)) +
                         std::string("SCROLL\0TEXT\n", 12);
    EXPECT_TRUE(runWith(config).messages.empty());
    EXPECT_EQ(seen.loaded, std::vector<bool>{true});
    ASSERT_EQ(seen.titles.size(), 1u);
    EXPECT_EQ(seen.titles[0], std::string("Fir\0st", 6));
}

TEST_F(DiskConfigFile, MegabyteLinesAreReportedOrShownNotFatal)
{
    const std::string huge(1 << 20, 'A');
    std::string words;
    while (words.size() < (1u << 20))
        words += "WORD ";
    std::string config = "3\n" + record(huge, "one.mod", huge) + record("mod", huge, words) +
                         record("stream", "one.mod", "Third") + huge + "\n" + words + "\n";
    // A bad type; a name too long for any file system; a module named as a stream.
    EXPECT_EQ(runWith(config).messages,
              (std::vector<std::string>{UNSUPPORTED, TRACK_FAILED, TRACK_FAILED, TRACK_FAILED}));
    EXPECT_EQ(seen.trackCount, 3);
    EXPECT_EQ(seen.titles[0].size(), huge.size());
    EXPECT_EQ(seen.scrollBytes, huge.size() + words.size() + 2);
}

TEST_F(DiskConfigFile, CountsOfZeroOrBelowLeaveNoTracks)
{
    for (const char* count : {"0", "-1", "-2147483648", "+0"}) {
        SCOPED_TRACE(count);
        EXPECT_TRUE(runWith(std::string(count) + "\n" + record("mod", "one.mod", "First") + "TEXT\n").messages.empty());
        EXPECT_EQ(seen.trackCount, 0);
    }
}

// A count far beyond the records the file holds takes the scroll text's lines as
// records; however large, the user sees a bounded number of messages.
TEST_F(DiskConfigFile, HugeCountsAreBoundedAndBuryNobodyInMessages)
{
    std::string scroll;
    for (int line = 0; line < 3000; ++line)
        scroll += "LINE " + std::to_string(line) + " OF A LONG ABOUT TEXT\n";
    for (const char* count : {"2147483647", "2147483648", "99999999999999999999", "5000"}) {
        SCOPED_TRACE(count);
        RunResult run = runWith(std::string(count) + "\n" + record("mod", "one.mod", "First") + scroll);
        EXPECT_LE(seen.trackCount, MAX_DISK_TRACKS);
        EXPECT_LE(run.messages.size(), 2u * MAX_REPORTED_TRACK_FAILURES);
        for (const std::string& message : run.messages)
            EXPECT_TRUE(message == TRACK_FAILED || message == UNSUPPORTED) << message;
    }
}

// A count a little beyond the records: the missing records are empty and
// reported, the scroll text is empty.
TEST_F(DiskConfigFile, CountBeyondTheRecordsReportsTheMissingOnes)
{
    EXPECT_EQ(runWith("3\n" + record("mod", "one.mod", "First")).messages,
              (std::vector<std::string>{UNSUPPORTED, TRACK_FAILED, UNSUPPORTED, TRACK_FAILED}));
    EXPECT_EQ(seen.trackCount, 3);
    EXPECT_EQ(seen.titles, (std::vector<std::string>{"First", "", ""}));
    EXPECT_EQ(seen.scrollBytes, 0u);
}

TEST_F(DiskConfigFile, TypeLinesMatchExactly)
{
    std::string config = "4\n" + record("mod ", "one.mod", "Blank") + record("MOD", "one.mod", "Upper") +
                         record("Stream", "one.mod", "Mixed") + record("mod", "one.mod", "Good");
    EXPECT_EQ(runWith(config).messages, (std::vector<std::string>{UNSUPPORTED, TRACK_FAILED, UNSUPPORTED,
                                                                  TRACK_FAILED, UNSUPPORTED, TRACK_FAILED}));
    EXPECT_EQ(seen.loaded, (std::vector<bool>{false, false, false, true}));
    EXPECT_EQ(seen.titles[3], "Good");
}

TEST_F(DiskConfigFile, FileNamesAreTakenAsWrittenInsideTheMusicFolder)
{
    std::filesystem::copy_file("data/music/one.mod", "data/music/with spaces \xC3\xA9\xFF.mod");
    std::filesystem::copy_file("data/music/one.mod", "data/outside.mod");
    std::string config = "6\n" + record("mod", "with spaces \xC3\xA9\xFF.mod", "Spaces") +
                         record("mod", "../outside.mod", "Up") + record("mod", "../disk.cfg", "Content") +
                         record("mod", "/etc/passwd", "Absolute") + record("mod", " one.mod", "Leading blank") +
                         record("stream", "", "Empty name");
    EXPECT_EQ(runWith(config).messages, (std::vector<std::string>{TRACK_FAILED, TRACK_FAILED, TRACK_FAILED,
                                                                  TRACK_FAILED}));
    // The folder's parent is reachable, as the audio library would reach it; an
    // absolute name still lies inside the music folder.
    EXPECT_EQ(seen.loaded, (std::vector<bool>{true, true, false, false, false, false}));
}

} // namespace
} // namespace hostile
