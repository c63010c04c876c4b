// The program's entry point: reads the command line, finds the disk, makes its
// folder the working directory and runs the system there on the real platform
// services.
//
// Exit codes: 0 after a normal run, --help or --version; 1 when no disk is found
// (said on stderr and in a message box) or there is no display (one line on
// stderr, no sound); 2 for a bad command line (one line on stderr, nothing
// opened).
//
// SIGPIPE is ignored: when a launcher or terminal has closed standard error, a
// message line fails to be written, nothing worse.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/application.h"
#include "app/command_line.h"
#include "app/message_box.h"
#include "app/visible_text.h"
#include "app/window.h"
#include "disk/disk_location.h"
#include "disk/global_initialization.h"
#include "disk/track_loading.h"
#include "gui/gui_renderer.h"
#include "platform/sdl/real_platform.h"
#include "platform/sdl/sdl_os.h"

constexpr int EXIT_NO_DISPLAY = 1;

static std::string executablePath()
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

static std::string workingFolder()
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::current_path(error);
    return error ? std::string(".") : path.string();
}

int main(int argc, char** argv)
{
    signal(SIGPIPE, SIG_IGN);
    const CommandLine line = parseCommandLine(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fputs(usageText().c_str(), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::fputs(versionText().c_str(), stdout);
        return 0;
    case CommandLine::Action::Fail:
        std::fprintf(stderr, "%s\n", line.error.c_str());
        return EXIT_BAD_COMMAND_LINE;
    case CommandLine::Action::Run:
        break;
    }

    const DiskLocation disk = findDisk(line.disk, workingFolder(), executablePath());
    if (disk.outcome == DiskLocation::Outcome::BadOption) {
        std::fprintf(stderr, "%s\n", disk.error.c_str());
        return EXIT_BAD_COMMAND_LINE;
    }
    if (disk.outcome == DiskLocation::Outcome::NotFound || chdir(disk.folder.c_str()) != 0) {
        const int reason = errno;
        std::string text = disk.outcome == DiskLocation::Outcome::NotFound
            ? disk.error
            : "Cannot open the disk folder " + shownPath(disk.folder) + ": " + std::strerror(reason);
        std::fprintf(stderr, "%s\n", text.c_str());
        RealPlatform platform;
        showMessage(text.c_str());
        return EXIT_NO_DISK;
    }

    const int scale = line.scale ? line.scale : desktopScale(std::getenv("GDK_SCALE"));
    // The atlases decode and the modules load on worker threads while the window opens.
    RealPlatform platform({scale, {FONT_FILE, ARTWORK_FILE}, moduleFiles(DISK_CONTENT_FILE, DISK_DATA_FOLDER)});
    // Video starts before the window and the music, so without a display the
    // program ends having played nothing.
    const std::string display = startSdlVideo(platform.os, WINDOW_CLASS_NAME);
    if (!display.empty()) {
        std::fprintf(stderr, "musicdisk: no display to show the window on: %s\n", display.c_str());
        return EXIT_NO_DISPLAY;
    }
    Application::instance().run();
    return 0;
}
