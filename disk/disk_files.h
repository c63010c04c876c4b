// disk_files: the names of the files a disk holds, as the program opens them from
// the disk folder (its working directory while it runs) and as messages name them.
// The program's loaders, the disk lookup and the disk checker all take them from
// here, so that they read the same disk.
//
// The disk folder holds data/; the data folder holds the content file, the music
// folder (the content file names each track's file relative to it), the effect, the
// font and the artwork. The checker also accepts the data folder itself, so each
// name is also wanted inside it: inDataFolder(DISK_CONTENT_FILE) is "disk.cfg".
#pragma once
#include <string>

inline constexpr const char* DISK_DATA_FOLDER = "data";
inline constexpr const char* DISK_CONTENT_FILE = "data/disk.cfg";
inline constexpr const char* DISK_MUSIC_FOLDER = "data/music";
inline constexpr const char* EFFECT_FILE = "data/gui.fx";
inline constexpr const char* FONT_FILE = "data/font.png";
inline constexpr const char* ARTWORK_FILE = "data/velta.png";

// One of the names above without its "data/".
constexpr const char* inDataFolder(const char* path)
{
    return path + std::char_traits<char>::length(DISK_DATA_FOLDER) + 1;
}
