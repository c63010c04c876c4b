// musicdisk-check: checks a disk the way the program reads it.
//
//   musicdisk-check [DISK_FOLDER]
//
// DISK_FOLDER is the folder that holds data/ (default: the current folder), or the
// data folder itself. Prints one line per problem or warning, then a summary line.
// Exit code: 0 without problems (warnings allowed), 1 with problems, 2 for a usage
// error.
#include <cstdio>
#include <cstring>

#include "check_disk.h"

int main(int argc, char** argv)
{
    if (argc > 2 || (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fprintf(stderr,
                     "usage: musicdisk-check [DISK_FOLDER]\n"
                     "Checks the disk in DISK_FOLDER (the folder that holds data/, or data/ itself;\n"
                     "default: the current folder) and lists every problem and warning.\n");
        return 2;
    }
    const DiskReport report = checkDisk(argc == 2 ? argv[1] : ".");
    for (const DiskFinding& finding : report.findings)
        std::printf("%s\n", formatFinding(finding).c_str());
    std::printf("%s\n", formatSummary(report).c_str());
    return report.problems == 0 ? 0 : 1;
}
