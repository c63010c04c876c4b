// command_line: what `musicdisk [--disk DIR] [--scale N] [--help] [--version]`
// asks for, read without touching anything, so main() can answer a bad command
// line before any window or sound device exists.
//
//   parseCommandLine(argc, argv)  the action and the options; a bad line gives
//                                 Action::Fail and one line naming the problem
//                                 (exit code 2).
//   usageText(), versionText()    what --help and --version print.
//   desktopScale(GDK_SCALE)       the scale a desktop asks for: a whole number
//                                 from 1 (larger ones are taken as 4), else 1.
#pragma once
#include <string>

#include "platform/product.h"

constexpr const char* PROGRAM_NAME = product::PROGRAM;
constexpr int MIN_SCALE = 1;
constexpr int MAX_SCALE = 4;
constexpr int EXIT_BAD_COMMAND_LINE = 2;

struct CommandLine {
    enum class Action { Run, Help, Version, Fail };
    Action action = Action::Run;
    std::string disk;   // --disk DIR; empty: look in the usual places
    int scale = 0;      // --scale N; 0: what the desktop asks for
    std::string error;  // Action::Fail: the line to print
};

CommandLine parseCommandLine(int argc, const char* const* argv);
std::string usageText();
std::string versionText();
int desktopScale(const char* gdkScale);

// "musicdisk: PROBLEM (see 'musicdisk --help')": the form of every command-line error.
std::string commandLineError(const std::string& problem);
