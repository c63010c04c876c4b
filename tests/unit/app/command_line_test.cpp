// The command line as parsed, and as the real program answers it: every bad
// input is one line on stderr naming the problem with a pointer to --help, exit
// code 2, and nothing opened (no window, no sound device).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

CommandLine parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "musicdisk");
    return parseCommandLine(int(arguments.size()), arguments.data());
}

struct BadLine {
    std::vector<const char*> arguments;
    const char* message;
};

const BadLine BAD_LINES[] = {
    {{"--frob"}, "musicdisk: unknown option '--frob' (see 'musicdisk --help')"},
    {{"-x"}, "musicdisk: unknown option '-x' (see 'musicdisk --help')"},
    {{"--disk=a", "--frob=1"}, "musicdisk: unknown option '--frob=1' (see 'musicdisk --help')"},
    {{"play"}, "musicdisk: unexpected argument 'play' (see 'musicdisk --help')"},
    // What the line holds is shown on one line: a line feed and bytes that are not UTF-8 escaped.
    {{"two\nlines\xFF"}, "musicdisk: unexpected argument 'two\\nlines\\xFF' (see 'musicdisk --help')"},
    {{"--fr\x01ob"}, "musicdisk: unknown option '--fr\\x01ob' (see 'musicdisk --help')"},
    {{"--scale", "\x1B[2J"},
     "musicdisk: option '--scale' takes a whole number from 1 to 4, not '\\x1B[2J' (see 'musicdisk --help')"},
    {{"--disk"}, "musicdisk: option '--disk' needs a value (see 'musicdisk --help')"},
    {{"--disk="}, "musicdisk: option '--disk' needs a folder (see 'musicdisk --help')"},
    {{"--disk", "a", "--disk", "b"}, "musicdisk: option '--disk' is given twice (see 'musicdisk --help')"},
    {{"--scale"}, "musicdisk: option '--scale' needs a value (see 'musicdisk --help')"},
    {{"--scale", "0"},
     "musicdisk: option '--scale' takes a whole number from 1 to 4, not '0' (see 'musicdisk --help')"},
    {{"--scale", "5"},
     "musicdisk: option '--scale' takes a whole number from 1 to 4, not '5' (see 'musicdisk --help')"},
    {{"--scale=2.0"},
     "musicdisk: option '--scale' takes a whole number from 1 to 4, not '2.0' (see 'musicdisk --help')"},
    {{"--scale", "-1"},
     "musicdisk: option '--scale' takes a whole number from 1 to 4, not '-1' (see 'musicdisk --help')"},
    {{"--scale", "two"},
     "musicdisk: option '--scale' takes a whole number from 1 to 4, not 'two' (see 'musicdisk --help')"},
    {{"--scale="}, "musicdisk: option '--scale' takes a whole number from 1 to 4, not '' (see 'musicdisk --help')"},
    {{"--scale", "2", "--scale=3"}, "musicdisk: option '--scale' is given twice (see 'musicdisk --help')"},
    {{"--help=yes"}, "musicdisk: option '--help' takes no value (see 'musicdisk --help')"},
    {{"--version=1"}, "musicdisk: option '--version' takes no value (see 'musicdisk --help')"},
};

std::string joined(const std::vector<const char*>& arguments)
{
    std::string text;
    for (const char* a : arguments)
        text += std::string(text.empty() ? "" : " ") + a;
    return text;
}

TEST(CommandLine, GoodLines)
{
    CommandLine none = parse({});
    EXPECT_EQ(none.action, CommandLine::Action::Run);
    EXPECT_EQ(none.disk, "");
    EXPECT_EQ(none.scale, 0) << "no scale given: the desktop's";

    CommandLine both = parse({"--disk", "my disk", "--scale", "3"});
    EXPECT_EQ(both.action, CommandLine::Action::Run);
    EXPECT_EQ(both.disk, "my disk");
    EXPECT_EQ(both.scale, 3);

    CommandLine joinedForm = parse({"--scale=4", "--disk=/x=y"});
    EXPECT_EQ(joinedForm.scale, 4);
    EXPECT_EQ(joinedForm.disk, "/x=y") << "only the first = splits";

    CommandLine dashDisk = parse({"--disk", "--help"});
    EXPECT_EQ(dashDisk.action, CommandLine::Action::Run) << "a value is taken as it stands";
    EXPECT_EQ(dashDisk.disk, "--help");

    EXPECT_EQ(parse({"--help"}).action, CommandLine::Action::Help);
    EXPECT_EQ(parse({"-h"}).action, CommandLine::Action::Help);
    EXPECT_EQ(parse({"--version"}).action, CommandLine::Action::Version);
    EXPECT_EQ(parse({"--version", "--help"}).action, CommandLine::Action::Help);
    EXPECT_EQ(parse({"--scale", "1", "--version"}).action, CommandLine::Action::Version);
}

TEST(CommandLine, EachBadLineNamesItsProblem)
{
    for (const BadLine& bad : BAD_LINES) {
        CommandLine line = parse(bad.arguments);
        EXPECT_EQ(line.action, CommandLine::Action::Fail) << joined(bad.arguments);
        EXPECT_EQ(line.error, bad.message) << joined(bad.arguments);
    }
    // A bad option after --help still fails: the line as a whole is wrong.
    EXPECT_EQ(parse({"--help", "--frob"}).action, CommandLine::Action::Fail);
}

TEST(CommandLine, HelpAndVersionTexts)
{
    EXPECT_EQ(usageText().rfind("Usage: musicdisk [--disk DIR] [--scale N] [--help] [--version]\n", 0), 0u);
    EXPECT_EQ(versionText(), std::string("musicdisk ") + MUSICDISK_VERSION + "\n");
}

TEST(CommandLine, DesktopScale)
{
    EXPECT_EQ(desktopScale(nullptr), 1);
    EXPECT_EQ(desktopScale(""), 1);
    EXPECT_EQ(desktopScale("1"), 1);
    EXPECT_EQ(desktopScale("2"), 2);
    EXPECT_EQ(desktopScale("4"), 4);
    EXPECT_EQ(desktopScale("7"), 4);
    EXPECT_EQ(desktopScale("99999999999999999999"), 4);
    EXPECT_EQ(desktopScale("0"), 1);
    EXPECT_EQ(desktopScale("1.5"), 1);
    EXPECT_EQ(desktopScale("-2"), 1);
    EXPECT_EQ(desktopScale("x"), 1);
}

struct ProgramRun {
    int exitCode = -1;
    std::string out, err;
};

std::string slurp(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// The real program, in an empty folder, with SDL's audio going to a file and no
// display it could open a window on.
ProgramRun runProgram(const std::vector<const char*>& arguments, const std::filesystem::path& folder)
{
    std::string command = "cd " + quoted(folder.string()) + " && env -u DISPLAY -u WAYLAND_DISPLAY " +
                          "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=sound.raw " + quoted(MUSICDISK_PROGRAM);
    for (const char* a : arguments)
        command += " " + quoted(a);
    command += " > out.txt 2> err.txt";
    ProgramRun run;
    int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = slurp(folder / "out.txt");
    run.err = slurp(folder / "err.txt");
    return run;
}

TEST(CommandLine, TheProgramAnswersWithoutOpeningAnything)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("md_cli_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (const BadLine& bad : BAD_LINES) {
        ProgramRun run = runProgram(bad.arguments, folder);
        EXPECT_EQ(run.exitCode, EXIT_BAD_COMMAND_LINE) << joined(bad.arguments);
        EXPECT_EQ(run.err, std::string(bad.message) + "\n") << joined(bad.arguments);
        EXPECT_EQ(run.out, "") << joined(bad.arguments);
    }
    std::filesystem::create_directories(folder / "empty");
    ProgramRun noDisk = runProgram({"--disk", "empty"}, folder);
    EXPECT_EQ(noDisk.exitCode, EXIT_BAD_COMMAND_LINE);
    EXPECT_EQ(noDisk.err, "musicdisk: no disk in 'empty': it holds no data/disk.cfg (see 'musicdisk --help')\n");
    ProgramRun noFolder = runProgram({"--disk", "nowhere"}, folder);
    EXPECT_EQ(noFolder.exitCode, EXIT_BAD_COMMAND_LINE);
    EXPECT_EQ(noFolder.err, "musicdisk: no folder 'nowhere' (see 'musicdisk --help')\n");

    ProgramRun help = runProgram({"--help"}, folder);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out, usageText());
    EXPECT_EQ(help.err, "");
    ProgramRun version = runProgram({"--version"}, folder);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, versionText());

    EXPECT_FALSE(std::filesystem::exists(folder / "sound.raw")) << "a sound device was opened";
    std::filesystem::remove_all(folder);
}

} // namespace
