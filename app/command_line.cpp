#include "app/command_line.h"

#include "app/visible_text.h"

#ifndef MUSICDISK_VERSION
#error "MUSICDISK_VERSION comes from the project's version in CMakeLists.txt"
#endif

std::string commandLineError(const std::string& problem)
{
    return std::string(PROGRAM_NAME) + ": " + problem + " (see '" + PROGRAM_NAME + " --help')";
}

static CommandLine failure(const std::string& problem)
{
    CommandLine line;
    line.action = CommandLine::Action::Fail;
    line.error = commandLineError(problem);
    return line;
}

// Only the plain digits 1 to 4: no sign, no spaces, no "2.0".
static int parseScale(const std::string& text)
{
    if (text.size() != 1 || text[0] < '0' + MIN_SCALE || text[0] > '0' + MAX_SCALE)
        return 0;
    return text[0] - '0';
}

CommandLine parseCommandLine(int argc, const char* const* argv)
{
    CommandLine line;
    bool diskGiven = false, scaleGiven = false, help = false, version = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i] ? argv[i] : "";
        std::string name = argument, value;
        bool inlineValue = false;
        if (argument.rfind("--", 0) == 0) {
            size_t equals = argument.find('=');
            if (equals != std::string::npos) {
                name = argument.substr(0, equals);
                value = argument.substr(equals + 1);
                inlineValue = true;
            }
        }
        if (name == "--help" || name == "-h" || name == "--version") {
            if (inlineValue)
                return failure("option '" + name + "' takes no value");
            (name == "--version" ? version : help) = true;
        } else if (name == "--disk" || name == "--scale") {
            bool& given = name == "--disk" ? diskGiven : scaleGiven;
            if (given)
                return failure("option '" + name + "' is given twice");
            given = true;
            if (!inlineValue) {
                if (i + 1 >= argc || !argv[i + 1])
                    return failure("option '" + name + "' needs a value");
                value = argv[++i];
            }
            if (name == "--disk") {
                if (value.empty())
                    return failure("option '--disk' needs a folder");
                line.disk = value;
            } else {
                line.scale = parseScale(value);
                if (line.scale == 0)
                    return failure("option '--scale' takes a whole number from 1 to 4, not '" + shownPath(value) + "'");
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            return failure("unknown option '" + shownPath(argument) + "'");
        } else {
            return failure("unexpected argument '" + shownPath(argument) + "'");
        }
    }
    if (help)
        line.action = CommandLine::Action::Help;
    else if (version)
        line.action = CommandLine::Action::Version;
    return line;
}

std::string usageText()
{
    return "Usage: musicdisk [--disk DIR] [--scale N] [--help] [--version]\n"
           "Plays a music disk: its tracks inside animated screens.\n"
           "\n"
           "  --disk DIR   play the disk in DIR (the folder that holds data/, or data/ itself)\n"
           "  --scale N    draw the window N times as large, N from 1 to 4\n"
           "               (default: GDK_SCALE, else 1; lowered when it does not fit the screen)\n"
           "  --help       print this help and exit\n"
           "  --version    print the version and exit\n"
           "\n"
           "Without --disk the disk is the working folder's when it holds data/disk.cfg,\n"
           "else the one installed with the program.\n";
}

std::string versionText() { return std::string(PROGRAM_NAME) + " " + MUSICDISK_VERSION + "\n"; }

int desktopScale(const char* gdkScale)
{
    if (!gdkScale || !*gdkScale)
        return MIN_SCALE;
    int scale = 0;
    for (const char* c = gdkScale; *c; ++c) {
        if (*c < '0' || *c > '9')
            return MIN_SCALE;
        scale = scale < 100 ? scale * 10 + (*c - '0') : scale;
    }
    if (scale < MIN_SCALE)
        return MIN_SCALE;
    return scale > MAX_SCALE ? MAX_SCALE : scale;
}
