// check_disk: checks a disk folder the way the program reads it and lists every
// problem with its place.
//
// A disk is the folder the program runs from: it holds data/ with disk.cfg, the
// music folder music/, the effect gui.fx, the font font.png and the artwork
// velta.png (disk/disk_files.h). The data folder itself may be given as well (a
// folder that holds disk.cfg). The content file is read with the program's own
// reader, every track is loaded by the real audio service through the program's own
// loadTrack (disk/track_loading.h), and the effect and both textures are created by
// the real graphics service on a hidden window; the images' sizes are read from their
// headers.
//
//   DiskReport report = checkDisk("path/to/disk");
//   for (const DiskFinding& finding : report.findings)
//       std::puts(formatFinding(finding).c_str());
//   std::puts(formatSummary(report).c_str());
//
// With the browser option the disk is checked for the browser build as well, which
// decodes streams itself and plays only Ogg Vorbis and WAV (modules all play): a
// stream in any other format is a problem.
//
// A problem makes the disk misbehave: a message box at start-up, a track without
// sound, a missing picture, font or effect. A warning is something that works but is
// probably not what the disk maker meant (characters the font cannot draw, a count
// line with extra words, files in the music folder that no record names).
//
// checkDisk sets SDL_AUDIODRIVER=dummy (checking needs no sound card) and, without
// an X display and unless already set, SDL_VIDEODRIVER=offscreen. Once started, SDL's
// video subsystem stays up until the process ends.
#pragma once
#include <string>
#include <vector>

enum class Severity {
    Problem,
    Warning,
};

struct DiskFinding {
    Severity severity;
    std::string file;  // as the program names it: "data/disk.cfg", "data/music/x.xm"
    int line;          // 1-based line of the file, 0 when the finding is about the whole file
    std::string text;
};

struct DiskReport {
    std::vector<DiskFinding> findings;  // content file first, in line order; then the other files
    int problems = 0;
    int warnings = 0;
};

struct DiskCheckOptions {
    bool loadTracks = true;    // load every track with the audio service
    bool loadGraphics = true;  // create the effect and the textures with the graphics service
    bool browser = false;      // the browser build plays the disk: streams must be Ogg Vorbis or WAV
};

DiskReport checkDisk(const std::string& folder, const DiskCheckOptions& options = {});

// "data/disk.cfg:7: text"; a warning reads "data/disk.cfg:7: warning: text".
std::string formatFinding(const DiskFinding& finding);
// "2 problems, 1 warning"
std::string formatSummary(const DiskReport& report);
