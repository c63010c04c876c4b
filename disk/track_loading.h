// track_loading: how a record of the content file becomes a channel of the audio
// service. Start-up loads every track through here and the disk checker loads them
// the same way, so the checker judges a track as the program plays it.
#pragma once
#include <string>
#include <vector>

#include "disk/disk_config.h"
#include "platform/audio.h"

// The path the audio service is given for a record's file line: the file in the
// music folder of dataFolder, joined with backslashes, as the content file's names
// were written for (the service reads them as separators).
std::string trackPath(const std::string& dataFolder, const std::string& fileLine);

// Loads the file at path as a module or a stream with the program's flags; 0 when
// the service refuses it or the type is Unsupported.
audio::Handle loadTrack(audio::Audio& service, TrackType type, const std::string& path);

// The content file's modules, each with the path and flags loadTrack gives the
// service for it: start-up has the audio service load them while the window opens.
std::vector<audio::ModuleFile> moduleFiles(const char* contentFile, const std::string& dataFolder);
