// disk_location: which folder's data/ the program plays. It only looks at the
// file system (for data/disk.cfg); main() then makes the chosen folder the
// working directory, so the system reads its data/... paths from there.
//
// In this order: the --disk folder (or the data/ folder inside one); the working
// folder when it holds data/disk.cfg; the disk installed beside the program,
// ../share/musicdisk from the folder of the executable, so an installed tree
// works wherever it is unpacked; last, the working folder when it holds a data/
// folder without its content file (a damaged disk keeps its own messages).
//
// The messages show paths on one line, long ones shortened (app/visible_text.h),
// and say of a folder that cannot be read why, rather than that it holds no disk.
#pragma once
#include <string>

constexpr const char* INSTALLED_DISK = "../share/musicdisk";
constexpr int EXIT_NO_DISK = 1;

struct DiskLocation {
    enum class Outcome { Found, BadOption, NotFound };
    Outcome outcome = Outcome::NotFound;
    std::string folder;  // Found: the folder that holds data/
    std::string error;   // otherwise: the message (BadOption: one line, exit 2)
};

// diskOption: the --disk value or empty; executable: the program's own path
// (from /proc/self/exe), empty when unknown.
DiskLocation findDisk(const std::string& diskOption, const std::string& workingFolder,
                      const std::string& executable);
