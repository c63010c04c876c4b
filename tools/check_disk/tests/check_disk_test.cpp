// check-disk against small disks built in a temporary folder from the bundled disk's
// files, each with one fault, and against the bundled disk itself; as a library call
// and as the program.
//
// In order: the bundled and a good disk; the content file's count, type, file and
// title lines; tracks the audio service refuses; names and lines that are no text;
// the scroll text; music files no record names; images and the effect; missing files;
// the program's output and exit code.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "check_disk.h"
#include "platform/utf8.h"
#include "tests/support/unprivileged_reader.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace fs = std::filesystem;

namespace {

const std::string REPOSITORY = REPOSITORY_DIR;

// Three of the bundled disk's tracks, as records.
const std::string GOOD_RECORDS = "mod\nneon_cartridge.mod\nNeon Cartridge\n"
                                 "mod\nglass_harbour.xm\nGlass Harbour\n"
                                 "stream\nafterglow_drive.ogg\nAfterglow Drive\n";
const std::string GOOD_CONFIG = "3\n" + GOOD_RECORDS + "A LITTLE DISK\n\nWITH THREE TRACKS.\n";

struct ProgramRun {
    int exitCode;
    std::string output;
};

ProgramRun runProgram(const std::string& arguments)
{
    std::FILE* pipe = popen((std::string(CHECK_DISK_PROGRAM) + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe)
        return {-1, ""};
    std::string output;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string describe(const DiskReport& report)
{
    std::string text;
    for (const DiskFinding& finding : report.findings)
        text += formatFinding(finding) + "\n";
    return text + formatSummary(report);
}

// A disk folder holding a copy of the bundled disk's files and GOOD_CONFIG; each test
// spoils one thing.
class CheckDiskTest : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        disk = fs::temp_directory_path() / ("check_disk_" + std::to_string(getpid()) + "_" + name);
        fs::remove_all(disk);
        fs::create_directories(disk / "data" / "music");
        for (const char* file : {"font.png", "velta.png", "gui.fx"})
            fs::copy_file(REPOSITORY + "/data/" + file, disk / "data" / file);
        for (const char* file : {"neon_cartridge.mod", "glass_harbour.xm", "afterglow_drive.ogg"})
            fs::copy_file(REPOSITORY + "/data/music/" + file, disk / "data" / "music" / file);
        writeConfig(GOOD_CONFIG);
    }

    void TearDown() override { fs::remove_all(disk); }

    void writeFile(const std::string& relative, const std::string& bytes)
    {
        fs::create_directories((disk / relative).parent_path());
        std::ofstream(disk / relative, std::ios::binary) << bytes;
    }

    void writeConfig(const std::string& text) { writeFile("data/disk.cfg", text); }

    void writeImage(const std::string& relative, int width, int height, int channels)
    {
        const std::vector<uint8_t> pixels(size_t(width) * height * channels, 200);
        ASSERT_NE(stbi_write_png((disk / relative).c_str(), width, height, channels, pixels.data(), width * channels),
                  0);
    }

    std::string readFile(const std::string& relative)
    {
        std::ifstream in(disk / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    DiskReport check() { return checkDisk(disk.string()); }
    // The files alone: no track loaded, no effect or texture created.
    DiskReport checkFiles() { return checkDisk(disk.string(), {false, false}); }
    DiskReport checkWithoutGraphics() { return checkDisk(disk.string(), {true, false}); }
    DiskReport checkWithoutTracks() { return checkDisk(disk.string(), {false, true}); }

    fs::path disk;
};

// The one finding of a report, for reports that must hold exactly one.
testing::AssertionResult holdsOnly(const DiskReport& report, Severity severity, const std::string& file, int line,
                                   const std::string& text)
{
    if (report.findings.size() == 1 && report.findings[0].severity == severity && report.findings[0].file == file &&
        report.findings[0].line == line && report.findings[0].text.find(text) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected only " << (severity == Severity::Problem ? "problem" : "warning")
                                       << " " << file << ":" << line << " \"" << text << "\", got:\n"
                                       << describe(report);
}

testing::AssertionResult holds(const DiskReport& report, Severity severity, int line, const std::string& text)
{
    for (const DiskFinding& finding : report.findings)
        if (finding.severity == severity && finding.file == "data/disk.cfg" && finding.line == line &&
            finding.text.find(text) != std::string::npos)
            return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no finding data/disk.cfg:" << line << " \"" << text << "\" in:\n"
                                       << describe(report);
}

TEST(CheckDiskBundled, TheRepositoryDiskPassesAsLibraryAndProgram)
{
    const DiskReport report = checkDisk(REPOSITORY);
    EXPECT_EQ(report.problems, 0) << describe(report);
    EXPECT_EQ(report.warnings, 0) << describe(report);

    const ProgramRun run = runProgram(REPOSITORY);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "0 problems, 0 warnings\n");
}

TEST_F(CheckDiskTest, AGoodDiskPassesGivenItsFolderOrItsDataFolder)
{
    EXPECT_EQ(describe(check()), "0 problems, 0 warnings");
    EXPECT_EQ(describe(checkDisk((disk / "data").string())), "0 problems, 0 warnings");
}

TEST_F(CheckDiskTest, CrLfLineEndsReadLikeLineFeeds)
{
    std::string crlf;
    for (char ch : GOOD_CONFIG)
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    writeConfig(crlf);
    EXPECT_EQ(describe(checkWithoutGraphics()), "0 problems, 0 warnings");
}

TEST_F(CheckDiskTest, CountLineFaults)
{
    writeConfig("three\n" + GOOD_RECORDS);
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Problem, "data/disk.cfg", 1, "\"three\" is not a number"));

    writeConfig("\n\n0\n" + GOOD_RECORDS);
    EXPECT_TRUE(holds(checkFiles(), Severity::Problem, 3, "track count is 0: a disk needs at least one track"));

    writeConfig("-2\n" + GOOD_RECORDS);
    EXPECT_TRUE(holds(checkFiles(), Severity::Problem, 1, "track count is -2"));

    writeConfig("");
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Problem, "data/disk.cfg", 0, "no track count"));
}

TEST_F(CheckDiskTest, CountLineWithWordsIsOnlyAWarning)
{
    writeConfig("\n3 tracks on this disk\n" + GOOD_RECORDS + "TEXT\n");
    const DiskReport report = checkWithoutGraphics();
    EXPECT_TRUE(holdsOnly(report, Severity::Warning, "data/disk.cfg", 2, "\"tracks on this disk\" (ignored)"));
    EXPECT_EQ(report.problems, 0);
}

TEST_F(CheckDiskTest, ACountBeyondTheRecordsReportsEachMissingLine)
{
    // Four announced, three whole records and the fourth's type and file line present.
    writeConfig("4\n" + GOOD_RECORDS + "mod\nneon_cartridge.mod");
    DiskReport report = checkFiles();
    EXPECT_TRUE(holds(report, Severity::Warning, 1, "track count 4 is larger than the 3 records"));
    EXPECT_TRUE(holds(report, Severity::Problem, 13, "track 4 has no title line: the file ends at line 12"));
    EXPECT_TRUE(holds(report, Severity::Warning, 0, "no scroll text"));
    EXPECT_EQ(report.problems, 1) << describe(report);

    writeConfig("5\n" + GOOD_RECORDS);
    report = checkFiles();
    EXPECT_TRUE(holds(report, Severity::Problem, 11, "track 4 is missing (lines 11 to 13): the file ends at line 10"));
    EXPECT_TRUE(holds(report, Severity::Problem, 14, "track 5 is missing (lines 14 to 16)"));
    EXPECT_EQ(report.problems, 2) << describe(report);
}

TEST_F(CheckDiskTest, TypeLineMustBeExactlyModOrStream)
{
    struct Case {
        std::string line, hint;
    };
    for (const Case& bad : {Case{"stream ", "(trailing blank)"}, Case{" mod", "(leading blank)"},
                            Case{"stream\t", "(trailing tab)"}, Case{"Stream", "(letter case)"},
                            Case{"MOD", "(letter case)"}, Case{"", "(an empty line"}, Case{"sample", ""}}) {
        std::string config = GOOD_CONFIG;
        config.replace(config.find("stream\n"), 6, bad.line);
        writeConfig(config);
        const DiskReport report = checkFiles();
        const std::string expected = "is not exactly \"mod\" or \"stream\"" + (bad.hint.empty() ? "" : " " + bad.hint);
        EXPECT_TRUE(holds(report, Severity::Problem, 8, expected)) << "type line \"" << bad.line << "\"";
        EXPECT_EQ(report.problems, 1) << describe(report);
    }
}

TEST_F(CheckDiskTest, MusicFileMustExistAndBeARegularReadableFile)
{
    writeConfig("1\nmod\nnothere.mod\nA\nTEXT\n");
    DiskReport report = checkFiles();
    EXPECT_TRUE(holds(report, Severity::Problem, 3, "data/music/nothere.mod: no such file"));

    writeConfig("1\nstream\nAfterglow_Drive.ogg\nA\nTEXT\n");
    EXPECT_TRUE(holds(checkFiles(), Severity::Problem, 3,
                      "no such file (there is \"afterglow_drive.ogg\": names are case-sensitive)"));

    writeConfig("1\nstream\nafterglow_drive.ogg \nA\nTEXT\n");
    EXPECT_TRUE(holds(checkFiles(), Severity::Problem, 3, "no such file (trailing blank)"));

    fs::create_directories(disk / "data" / "music" / "folder.xm");
    writeConfig("1\nmod\nfolder.xm\nA\nTEXT\n");
    EXPECT_TRUE(holds(checkFiles(), Severity::Problem, 3, "data/music/folder.xm: not a regular file"));

    writeConfig("1\nmod\n\nA\nTEXT\n");
    EXPECT_TRUE(holds(checkFiles(), Severity::Problem, 3, "file line is empty"));
}

TEST_F(CheckDiskTest, UnreadableMusicFile)
{
    UnprivilegedReader reader;
    if (!reader.active())
        GTEST_SKIP() << "cannot take away root's file permission override";
    chmod((disk / "data/music/glass_harbour.xm").c_str(), 0);
    EXPECT_TRUE(holds(checkFiles(), Severity::Problem, 6, "data/music/glass_harbour.xm: cannot be opened for reading"));
}

TEST_F(CheckDiskTest, FilesTheAudioServiceRefusesAreReportedAtTheirFileLine)
{
    writeFile("data/music/cut.mod", readFile("data/music/neon_cartridge.mod").substr(0, 600));
    writeFile("data/music/zero.xm", "");
    writeFile("data/music/noise.ogg", std::string(5000, '\x55'));
    writeConfig("5\n" + GOOD_RECORDS.substr(0, GOOD_RECORDS.find("stream")) +
                "mod\ncut.mod\nCut\nmod\nzero.xm\nZero\nstream\nnoise.ogg\nNoise\nTEXT\n");
    const DiskReport report = checkWithoutGraphics();
    EXPECT_TRUE(holds(report, Severity::Problem, 9, "data/music/cut.mod: the audio service cannot load it"));
    EXPECT_TRUE(holds(report, Severity::Problem, 12,
                      "data/music/zero.xm: the audio service cannot load it (the file is empty)"));
    EXPECT_TRUE(holds(report, Severity::Problem, 15, "data/music/noise.ogg: the audio service cannot load it"));
    EXPECT_EQ(report.problems, 3) << describe(report);
}

TEST_F(CheckDiskTest, AWrongTypeLineIsNamedWhenTheOtherLoaderTakesTheFile)
{
    writeConfig("2\nstream\nneon_cartridge.mod\nA\nmod\nafterglow_drive.ogg\nB\nTEXT\n");
    const DiskReport report = checkWithoutGraphics();
    EXPECT_TRUE(
        holds(report, Severity::Problem, 3, "as a stream (it loads as a module: should its type line be \"mod\"?)"));
    EXPECT_TRUE(
        holds(report, Severity::Problem, 6, "as a module (it opens as a stream: should its type line be \"stream\"?)"));
}

// The browser build plays Ogg Vorbis and WAV streams only; the desktop plays more.
TEST_F(CheckDiskTest, ForTheBrowserStreamsMustBeOggVorbisOrWav)
{
    const std::string wav = std::string("RIFF\x24\0\0\0WAVEfmt ", 16) + std::string(28, '\0');
    const std::string opus = std::string("OggS\0\x02", 6) + std::string(22, '\0') + "OpusHead" + std::string(20, '\0');
    writeFile("data/music/tone.wav", wav);
    writeFile("data/music/tone.flac", "fLaC" + std::string(60, '\0'));
    writeFile("data/music/tone.opus", opus);
    writeConfig("6\n" + GOOD_RECORDS + "stream\ntone.wav\nW\nstream\ntone.flac\nF\nstream\ntone.opus\nO\nTEXT\n");
    DiskCheckOptions browser{false, false, true};
    const DiskReport report = checkDisk(disk.string(), browser);
    EXPECT_TRUE(holds(report, Severity::Problem, 15,
                      "data/music/tone.flac: the browser build plays only Ogg Vorbis and WAV streams"));
    EXPECT_TRUE(holds(report, Severity::Problem, 18,
                      "data/music/tone.opus: the browser build plays only Ogg Vorbis and WAV streams"));
    EXPECT_EQ(report.problems, 2) << describe(report);
    EXPECT_EQ(checkFiles().problems, 0) << "the desktop build is not asked about the browser";

    ProgramRun run = runProgram("--browser " + disk.string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("data/disk.cfg:15: data/music/tone.flac: the browser build"), std::string::npos)
        << run.output;
    run = runProgram("--browser " + REPOSITORY);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(runProgram("--browser one two").exitCode, 2);
}

TEST_F(CheckDiskTest, EveryTrackOfALargeDiskLoads)
{
    // The program keeps every track loaded at once, and the service holds them all.
    std::string config = "40\n";
    for (int i = 0; i < 40; ++i)
        config += "mod\nneon_cartridge.mod\nTRACK " + std::to_string(i) + "\n";
    writeConfig(config + "TEXT\n");
    const DiskReport report = checkWithoutGraphics();
    EXPECT_EQ(report.problems, 0) << describe(report);
}

TEST_F(CheckDiskTest, TitleFaults)
{
    std::string config = GOOD_CONFIG;
    config.replace(config.find("Glass Harbour"), 13, "");
    writeConfig(config);
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Problem, "data/disk.cfg", 7, "title line is empty"));

    config = GOOD_CONFIG;
    config.replace(config.find("Glass Harbour"), 13, "Glass_Harbour {café}");
    writeConfig(config);
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Warning, "data/disk.cfg", 7,
                          "has 4 characters the font cannot draw: \"_\" \"{\" \"é\" \"}\" (skipped on screen)"));

    // A record without its title line takes the next type line as its title.
    writeConfig("2\nmod\nneon_cartridge.mod\nmod\nglass_harbour.xm\nGlass Harbour\nTEXT\n");
    EXPECT_TRUE(holds(checkFiles(), Severity::Warning, 4, "title is \"mod\": is a line missing"));
}

// True when the text is UTF-8 without control characters: one readable line.
bool readable(const std::string& text)
{
    if (!isUtf8(text))
        return false;
    // C0 controls, DEL, and the C1 controls U+0080 to U+009F (0xC2 0x80 to 0xC2 0x9F).
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        if (ch < 0x20 || ch == 0x7F || (ch == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0))
            return false;
    }
    return true;
}

TEST_F(CheckDiskTest, NamesWithControlBytesAreShownEscapedNeverCut)
{
    writeConfig(std::string("2\nmod\nfri\0dge.mod\nA\nmod\nesc\x1B\xFF.mod\nB\nTEXT\n", 38));
    const DiskReport report = checkFiles();
    EXPECT_TRUE(holds(report, Severity::Problem, 3, "data/music/fri\\x00dge.mod: no such file"));
    EXPECT_TRUE(holds(report, Severity::Problem, 6, "data/music/esc\\x1B\\xFF.mod: no such file"));

    // A file in the music folder whose name is no text.
    writeFile("data/music/bad\x01\xC3(.mod", "x");
    writeConfig(GOOD_CONFIG);
    const ProgramRun run = runProgram(disk.string() + " 2>/dev/null");
    EXPECT_NE(run.output.find("data/music/bad\\x01\\xC3(.mod: warning: not named by any record"), std::string::npos)
        << run.output;
    for (size_t start = 0, end; (end = run.output.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_TRUE(readable(run.output.substr(start, end - start))) << run.output;
}

TEST_F(CheckDiskTest, ALineFullOfUndrawableBytesGetsOneShortWarning)
{
    std::string garbage;
    for (int i = 1; garbage.size() < 300; ++i)
        if (i % 256 != '\n' && i % 256 != 0)
            garbage += char(i);
    std::string config = GOOD_CONFIG;
    config.replace(config.find("Glass Harbour"), 13, garbage.substr(0, 250));
    writeConfig(config + garbage + "\n");
    const DiskReport report = checkFiles();
    // The title's warning, and the scroll line's beside the one for its length.
    ASSERT_EQ(report.findings.size(), 3u) << describe(report);
    for (const DiskFinding& finding : report.findings) {
        EXPECT_LT(finding.text.size(), 400u) << finding.text;
        EXPECT_TRUE(readable(finding.text)) << finding.text;
    }
    // The bytes from 0x80 on are no UTF-8 and count one by one.
    EXPECT_TRUE(holds(report, Severity::Warning, 7,
                      "characters the font cannot draw: \"\\x01\" \"\\x02\" \"\\x03\" \"\\x04\" \"\\x05\" and "));
    EXPECT_TRUE(holds(report, Severity::Warning, 14, "characters the font cannot draw: \"\\x01\""));

    // Bytes that are not text are escaped wherever a line is quoted.
    config = GOOD_CONFIG;
    config.replace(config.find("Glass Harbour"), 13, "Caf\xE9 \xC3\xA9");
    writeConfig(config);
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Warning, "data/disk.cfg", 7,
                          "title \"Caf\\xE9 é\" has 2 characters the font cannot draw: \"\\xE9\" \"é\""));
}

TEST_F(CheckDiskTest, ScrollTextWarnings)
{
    writeConfig("3\n" + GOOD_RECORDS);
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Warning, "data/disk.cfg", 0, "no scroll text"));

    writeConfig("3\n" + GOOD_RECORDS + "FIRST LINE\n" + std::string(150, 'A') + " " + std::string(201, 'B') + "\n");
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Warning, "data/disk.cfg", 12,
                          "has 201 characters without a blank: it cannot wrap"));

    writeConfig("3\n" + GOOD_RECORDS + std::string(200, 'A') + "\nTABS\tAND ~TILDES~\n");
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Warning, "data/disk.cfg", 12,
                          "has 3 characters the font cannot draw: \"\\t\" \"~\" (skipped on screen)"));

    // Count too small: the last record becomes scroll text.
    writeConfig("2\n" + GOOD_RECORDS + "TEXT\n");
    EXPECT_TRUE(holds(checkFiles(), Severity::Warning, 8, "the scroll text starts with \"stream\""));
}

TEST_F(CheckDiskTest, MusicFilesNoRecordNamesAreWarnedAbout)
{
    writeFile("data/music/extra.xm", "x");
    writeFile("data/music/old/older.mod", "x");
    writeFile("data/music/.hidden", "x");
    writeFile("data/music/sub/named.mod", readFile("data/music/neon_cartridge.mod"));
    writeConfig("4\n" + GOOD_RECORDS + "mod\nsub\\named.mod\nNamed\nTEXT\n");
    const DiskReport report = checkWithoutGraphics();
    EXPECT_EQ(describe(report),
              "data/music/extra.xm: warning: not named by any record of data/disk.cfg: no track plays it\n"
              "data/music/old/older.mod: warning: not named by any record of data/disk.cfg: no track plays it\n"
              "0 problems, 2 warnings");
}

TEST_F(CheckDiskTest, ImageFaults)
{
    writeImage("data/font.png", 500, 500, 4);
    EXPECT_TRUE(
        holdsOnly(checkFiles(), Severity::Problem, "data/font.png", 0, "500 x 500 does not divide into 8 x 8 cells"));

    writeImage("data/font.png", 256, 128, 3);
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Warning, "data/font.png", 0, "no alpha channel"));

    writeImage("data/font.png", 64, 64, 2);
    writeImage("data/velta.png", 512, 512, 4);
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Warning, "data/velta.png", 0, "512 x 512, not 1024 x 1024"));

    writeFile("data/velta.png", "not a picture");
    EXPECT_TRUE(holdsOnly(checkFiles(), Severity::Problem, "data/velta.png", 0, "not an image"));

    fs::remove(disk / "data/font.png");
    fs::remove(disk / "data/velta.png");
    fs::remove(disk / "data/gui.fx");
    const DiskReport report = checkFiles();
    EXPECT_EQ(report.problems, 3) << describe(report);
    EXPECT_NE(describe(report).find("data/font.png: no such file: the program cannot start without its font"),
              std::string::npos);
}

TEST_F(CheckDiskTest, EffectFaultsFoundByTheGraphicsService)
{
    const std::string effect = readFile("data/gui.fx");
    auto withReplaced = [&](const std::string& from, const std::string& to) {
        std::string text = effect;
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
        return text;
    };
    ASSERT_NE(effect.find("technique GUI"), std::string::npos);

    writeFile("data/gui.fx", withReplaced("technique GUI", "technique Gui"));
    EXPECT_TRUE(holdsOnly(checkWithoutTracks(), Severity::Problem, "data/gui.fx", 0, "no technique GUI"));

    writeFile("data/gui.fx", withReplaced("texture_0", "picture"));
    EXPECT_TRUE(holdsOnly(checkWithoutTracks(), Severity::Problem, "data/gui.fx", 0, "no texture parameter texture_0"));

    writeFile("data/gui.fx", withReplaced("technique GUI {", "technique GUI {\n    pass Broken {"));
    const int line =
        1 + int(std::count(effect.begin(), effect.begin() + std::ptrdiff_t(effect.find("technique GUI")), '\n'));
    DiskReport report = checkWithoutTracks();
    ASSERT_EQ(report.problems, 1) << describe(report);
    EXPECT_EQ(report.findings[0].file, "data/gui.fx");
    EXPECT_GE(report.findings[0].line, line) << describe(report);

    // The pass's line and the compiler's first complaint, in the checker's one line:
    // the service's own report does not reach standard error beside it.
    writeFile("data/gui.fx", withReplaced("void main()", "void main(int argument)"));
    const int passLine =
        1 + int(std::count(effect.begin(), effect.begin() + std::ptrdiff_t(effect.find("pass ")), '\n'));
    EXPECT_TRUE(holdsOnly(checkWithoutTracks(), Severity::Problem, "data/gui.fx", passLine,
                          "the graphics service cannot create the effect: technique GUI, pass"));
    const ProgramRun run = runProgram(disk.string());
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 2) << run.output;
    EXPECT_EQ(run.output.find("gpu:"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("does not compile"), std::string::npos) << run.output;
}

TEST_F(CheckDiskTest, ADamagedImageBodyIsFoundByLoadingIt)
{
    // The header still reads, so only making the texture shows the damage.
    writeFile("data/font.png", readFile("data/font.png").substr(0, 2000));
    EXPECT_TRUE(holdsOnly(checkWithoutTracks(), Severity::Problem, "data/font.png", 0,
                          "the graphics service cannot make a texture of it"));
}

TEST_F(CheckDiskTest, MissingContentFileOrFolder)
{
    fs::remove(disk / "data/disk.cfg");
    EXPECT_TRUE(holds(checkFiles(), Severity::Problem, 0, "no such file"));

    fs::remove_all(disk / "data");
    EXPECT_EQ(describe(checkFiles()),
              disk.string() +
                  ": holds neither data/ nor disk.cfg: not a disk folder\n"
                  "1 problem, 0 warnings");
    EXPECT_EQ(checkDisk((disk / "nothere").string()).problems, 1);
}

TEST_F(CheckDiskTest, TheProgramPrintsEveryFindingAndExitsOneOnProblems)
{
    writeConfig("3 tracks\nmod\nneon_cartridge.mod\nA\nstream \nafterglow_drive.ogg\nB\n"
                "mod\nmissing.xm\nC\nTEXT\n");
    ProgramRun run = runProgram(disk.string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output,
              "data/disk.cfg:1: warning: track count line has words after the number: \"tracks\" (ignored)\n"
              "data/disk.cfg:5: type line \"stream \" is not exactly \"mod\" or \"stream\" (trailing blank)\n"
              "data/disk.cfg:9: data/music/missing.xm: no such file\n"
              "data/music/glass_harbour.xm: warning: not named by any record of data/disk.cfg: no track plays it\n"
              "2 problems, 2 warnings\n");

    writeConfig("3 tracks\n" + GOOD_RECORDS + "TEXT\n");
    run = runProgram((disk / "data").string());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output,
              "data/disk.cfg:1: warning: track count line has words after the number: \"tracks\" "
              "(ignored)\n0 problems, 1 warning\n");

    EXPECT_EQ(runProgram("one two").exitCode, 2);
}

}  // namespace
