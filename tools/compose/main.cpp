// compose: writes the bundled disk's music, or tiny cuts of it for tests, and
// measures tracks the way the disk's equalizer sees them.
//
//   compose OUTDIR [NAME...]        write the disk's tracks (all, or those named)
//   compose --tiny OUTDIR           write tiny.mod, tiny.xm and tiny.ogg (3 s each)
//   compose --tones OUTDIR SECONDS  write tone_a.wav, tone_b.wav and tone_c.wav:
//                                   steady sines of 440, 660 and 990 Hz
//   compose --analyse FILE...       print duration, peak, RMS and the low FFT bins
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/compose/analyse.h"
#include "tools/compose/disk_music.h"
#include "tools/compose/tones.h"

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: compose OUTDIR [NAME...]\n"
                 "       compose --tiny OUTDIR\n"
                 "       compose --tones OUTDIR SECONDS\n"
                 "       compose --analyse FILE...\n");
    return 2;
}

void printStats(const std::string& path, const compose::TrackStats& stats)
{
    std::printf("%s\n  duration %.2f s  peak %.3f  rms %.3f\n", path.c_str(), stats.seconds, stats.peak, stats.rms);
    std::printf("  bin    ");
    for (int b = 0; b < compose::EQUALIZER_BINS; ++b)
        std::printf("%6d", b);
    std::printf("\n  median ");
    for (float value : stats.binMedian)
        std::printf("%6.3f", value);
    std::printf("\n  p90    ");
    for (float value : stats.binP90)
        std::printf("%6.3f", value);
    std::printf("\n");
}

int analyse(int count, char** paths)
{
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        compose::TrackStats stats;
        std::string error;
        if (compose::analyseFile(paths[i], &stats, &error)) {
            printStats(paths[i], stats);
        } else {
            std::fprintf(stderr, "compose: %s\n", error.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}

int writeTones(const std::string& folder, const char* seconds)
{
    std::string error;
    std::vector<std::string> written;
    if (!compose::writeToneTracks(folder, std::atof(seconds), &written, &error)) {
        std::fprintf(stderr, "compose: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& path : written)
        std::printf("wrote %s\n", path.c_str());
    return 0;
}

int write(const std::string& folder, bool tiny, const std::vector<std::string>& names)
{
    std::string error;
    std::vector<std::string> written;
    if (!compose::writeDiskMusic(folder, tiny, names, &written, &error)) {
        std::fprintf(stderr, "compose: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& path : written)
        std::printf("wrote %s\n", path.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    if (std::strcmp(argv[1], "--analyse") == 0)
        return argc > 2 ? analyse(argc - 2, argv + 2) : usage();
    if (std::strcmp(argv[1], "--tones") == 0)
        return argc == 4 ? writeTones(argv[2], argv[3]) : usage();
    if (std::strcmp(argv[1], "--tiny") == 0)
        return argc == 3 ? write(argv[2], true, {}) : usage();
    if (argv[1][0] == '-')
        return usage();
    return write(argv[1], false, std::vector<std::string>(argv + 2, argv + argc));
}
