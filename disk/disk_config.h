// DiskConfig: reader of the disk's content file, data/disk.cfg.
//
// The file is plain 8-bit text: the track count on the first non-blank line, then
// three lines per track (type, file name, title), then the free scroll text. Start-up
// reads it front to back in that order, loading each track between its file line
// and its title line:
//
//   DiskConfig config;
//   config.open("data/disk.cfg");
//   int32_t count = config.readTrackCount();
//   for (int32_t i = 0; i < count; ++i) {
//       std::string type = config.readLine(), file = config.readLine();
//       ... load trackTypeOf(type) from file ...
//       std::string title = config.readLine();
//   }
//   std::string scroll = config.readScrollText();
//
// Reading is forgiving, never failing loudly: a missing or unreadable file, or a
// count that is not a number, gives zero tracks and an empty scroll text; lines past
// the end of the file read as empty. CR LF line ends read as LF.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class TrackType {
    Unsupported,
    Module,  // "mod": a tracker module
    Stream,  // "stream": a sampled audio file
};

// The exact, case-sensitive keyword of a whole type line; anything else (a trailing
// blank, other letter case) is Unsupported.
TrackType trackTypeOf(std::string_view typeLine);

// No real disk comes near this many tracks; a larger count is cut to it.
constexpr int32_t MAX_DISK_TRACKS = 1000;
// How many wholly missing records (past the end of the file) a count may still ask
// for. Each is loaded as an empty record and reported, like any short file.
constexpr int32_t MISSING_RECORDS_KEPT = 3;
// Bytes beyond this are not read: far more than any content file holds.
constexpr size_t MAX_DISK_CONFIG_BYTES = size_t(64) << 20;

struct DiskConfig {
    std::string text;     // the file's bytes, CR LF already read as LF
    size_t position = 0;  // first unread byte of text
    bool failed = true;   // nothing (more) to read: missing file or bad count

    // Reads the whole file; false (and nothing to read) if it is missing or unreadable.
    bool open(const char* path);
    // Formatted integer read of the count, then the rest of its line is dropped.
    // Returns 0 for a negative count or a failed read (which also ends all reading),
    // and bounds a large count by the records the file can still supply.
    int32_t readTrackCount();
    // The next line without its line end; empty once the file is exhausted.
    std::string readLine();
    // Every remaining line, each followed by one line feed.
    std::string readScrollText();
};
