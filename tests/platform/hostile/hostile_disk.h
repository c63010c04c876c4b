// hostile_disk: runs the whole program on a disk of hostile content, with the real
// window, graphics and audio services (offscreen SDL video, Mesa's software
// OpenGL, SDL's dummy audio output).
//
// A test builds a disk in a temporary folder (a copy of the bundled data/ that it
// then breaks), and runDisk() plays it through Application::run() the way main()
// does, with a new graphics and audio service each time and one window system
// service for the whole process. Only two things are not real: the window
// system's message boxes are recorded instead of shown, and its clock moves 40 ms
// per frame, so a run takes as many frames as a person's would but no waiting. A script of key presses
// drives the run: Escape three times (skip the logo, skip the intro, quit the
// player), or whatever keys a test asks for. A run that has not ended long after
// its last key is closed and reported as hung.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/os.h"

namespace hostile {

// One key pressed in `frame` and released `holdFrames` frames later.
struct ScriptedKey {
    uint32_t frame;
    uint32_t key;
    uint32_t holdFrames = 2;
};

// Escape in the logo, in the intro and in the player, each after its fade-in.
std::vector<ScriptedKey> escapeThreeTimes();

// What the disk held once started (read in the first frame).
struct DiskSeen {
    int32_t trackCount = -1;
    std::vector<std::string> titles;
    std::vector<bool> loaded;  // per track: has a channel
    size_t scrollBytes = 0;
};

struct RunResult {
    std::vector<std::string> messages;  // message box texts, in order
    DiskSeen disk;
    uint32_t frames = 0;                // frames run
    bool hung = false;                  // closed by the test after the frame limit
    bool quitRequested = false;         // something posted a quit message
};

// The bundled disk, copied into a fresh folder that becomes the working directory
// for the test; everything is removed afterwards.
class HostileDisk : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Paths are relative to the disk folder, e.g. "data/gui.fx".
    void writeFile(const std::string& path, const std::string& bytes);
    void writeRandomBytes(const std::string& path, size_t size, uint32_t seed);
    void truncateFile(const std::string& path, size_t keepBytes);
    void removePath(const std::string& path);
    std::string readFile(const std::string& path);

    // Runs the program on the disk. onFrame, if given, is called once per frame
    // while the window messages are pumped (the frame's quads are submitted, not
    // drawn yet).
    RunResult runDisk(const std::vector<ScriptedKey>& keys = escapeThreeTimes(),
                      const std::function<void(uint32_t frame)>& onFrame = {});

    // Runs the disk with Escape three times and expects it to show exactly these
    // messages, neither crash nor hang, and end through the keys.
    void expectRunsAndQuits(const std::vector<std::string>& messages);

    std::string folder;
    std::string sourceRoot;
};

// A PNG of the given size: real pixels from stb_image_write (a grey gradient).
std::string pngOfSize(int width, int height);
// Only a PNG's signature and header chunk, claiming a size, with a tiny image
// chunk and the end chunk: enough for a reader to learn the size and refuse it.
std::string pngHeaderClaiming(uint32_t width, uint32_t height);

} // namespace hostile
