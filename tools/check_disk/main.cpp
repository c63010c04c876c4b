// musicdisk-check: checks a disk the way the program reads it.
//
//   musicdisk-check [--browser] [DISK_FOLDER]
//
// DISK_FOLDER is the folder that holds data/ (default: the current folder), or the
// data folder itself. --browser checks as well that the browser build can play every
// track. Prints one line per problem or warning, then a summary line. Exit code: 0
// without problems (warnings allowed), 1 with problems, 2 for a usage error.
#include <cstdio>
#include <cstring>

#include "check_disk.h"

int main(int argc, char** argv)
{
    DiskCheckOptions options;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--browser") == 0) {
        options.browser = true;
        first = 2;
    }
    const int folders = argc - first;
    if (folders > 1 || (folders == 1 && argv[first][0] == '-')) {
        std::fprintf(stderr,
                     "usage: musicdisk-check [--browser] [DISK_FOLDER]\n"
                     "Checks the disk in DISK_FOLDER (the folder that holds data/, or data/ itself;\n"
                     "default: the current folder) and lists every problem and warning.\n"
                     "--browser: also what the browser build cannot play.\n");
        return 2;
    }
    const DiskReport report = checkDisk(folders == 1 ? argv[first] : ".", options);
    for (const DiskFinding& finding : report.findings)
        std::printf("%s\n", formatFinding(finding).c_str());
    std::printf("%s\n", formatSummary(report).c_str());
    return report.problems == 0 ? 0 : 1;
}
