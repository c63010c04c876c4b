#include "tests/platform/hostile/hostile_disk.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/application.h"
#include "app/window.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "disk/track_loading.h"
#include "gui/gui_renderer.h"
#include "platform/audio.h"
#include "platform/gpu.h"
#include "platform/sdl/real_platform.h"
#include "platform/sdl/sdl_os.h"
#include "scenes/about_scene.h"
#include "tests/support/still_clock_os.h"
#include "tests/support/test_media.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace hostile {

namespace {

constexpr uint32_t FRAME_MILLISECONDS = 40;
// Frames a run may take after its last key before it counts as hung: 12 s of
// program time, several times what a fade and a hand-over need.
constexpr uint32_t FRAMES_AFTER_LAST_KEY = 300;
// Frames granted after the close message of a hung run before giving up on it.
constexpr uint32_t FRAMES_AFTER_CLOSE = 100;

DiskSeen diskNow()
{
    DiskSeen seen;
    seen.trackCount = musicLibrary.trackCount;
    seen.titles = musicLibrary.titles;
    for (audio::Handle channel : musicLibrary.channels)
        seen.loaded.push_back(channel != 0);
    seen.scrollBytes = musicLibrary.scrollText.size();
    return seen;
}

// The real window system with a recording message box, a clock that moves one
// frame per pump and scripted key presses.
class ScriptedOs : public StillClockOs {
public:
    ScriptedOs(os::Os* real, const std::vector<ScriptedKey>& keys, const std::function<void(uint32_t)>& onFrame)
        : StillClockOs(real), onFrame(onFrame)
    {
        uint32_t lastKey = 0;
        for (const ScriptedKey& k : keys) {
            script.push_back({k.frame, os::WM_KEYDOWN, k.key});
            script.push_back({k.frame + k.holdFrames, os::WM_KEYUP, k.key});
            lastKey = std::max(lastKey, k.frame + k.holdFrames);
        }
        std::stable_sort(script.begin(), script.end(), [](const Step& a, const Step& b) { return a.frame < b.frame; });
        closeFrame = lastKey + FRAMES_AFTER_LAST_KEY;
    }

    RunResult result;

    uint32_t tickCount() override { return ticks; }
    int messageBox(os::WindowHandle, const char* text, const char*, uint32_t) override
    {
        result.messages.push_back(text ? text : "");
        return os::IDOK;
    }
    void postQuitMessage(int exitCode) override
    {
        result.quitRequested = true;
        StillClockOs::postQuitMessage(exitCode);
    }

    // The main loop pumps once per frame until this returns false: the scripted
    // messages of the frame come first, then the real ones; the false ends the
    // frame.
    bool peekMessage(os::Message* message) override
    {
        if (!frameStarted)
            startFrame();
        if (!pending.empty()) {
            *message = pending.front();
            pending.pop_front();
            return true;
        }
        if (StillClockOs::peekMessage(message))
            return true;
        if (frame == 0)
            result.disk = diskNow();
        if (onFrame)
            onFrame(frame);
        frameStarted = false;
        ++frame;
        result.frames = frame;
        ticks += FRAME_MILLISECONDS;
        return false;
    }

private:
    struct Step {
        uint32_t frame;
        uint32_t message;
        uint32_t key;
    };

    void startFrame()
    {
        frameStarted = true;
        while (next < script.size() && script[next].frame <= frame) {
            pending.push_back({mainWindow, script[next].message, script[next].key, 0});
            ++next;
        }
        if (frame == closeFrame) {
            result.hung = true;
            pending.push_back({mainWindow, os::WM_CLOSE, 0, 0});
        }
        if (frame > closeFrame + FRAMES_AFTER_CLOSE) {
            std::fprintf(stderr, "hostile: the program ignores its close message; giving up\n");
            std::abort();
        }
    }

    std::function<void(uint32_t)> onFrame;
    std::vector<Step> script;
    size_t next = 0;
    std::deque<os::Message> pending;
    uint32_t frame = 0;
    uint32_t closeFrame = 0;
    uint32_t ticks = 100000;
    bool frameStarted = false;
};

void putBigEndian32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(char((value >> shift) & 0xFF));
}

uint32_t crc32(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendChunk(std::string& png, const char* type, const std::string& data)
{
    putBigEndian32(png, uint32_t(data.size()));
    std::string typed = std::string(type, 4) + data;
    png += typed;
    putBigEndian32(png, crc32(typed));
}

} // namespace

std::vector<ScriptedKey> escapeThreeTimes()
{
    return {{5, os::VK_ESCAPE}, {25, os::VK_ESCAPE}, {45, os::VK_ESCAPE}};
}

void HostileDisk::SetUp()
{
    // Before anything starts SDL: nothing may appear on a developer's display, and
    // no sound may come out.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    sourceRoot = std::filesystem::current_path().string();
    char name[] = "/tmp/hostile_disk_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder = name;
    std::filesystem::copy(sourceRoot + "/data", folder + "/data", std::filesystem::copy_options::recursive);
    std::filesystem::current_path(folder);
}

void HostileDisk::TearDown()
{
    std::filesystem::current_path(sourceRoot);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    std::filesystem::remove_all(folder);
}

void HostileDisk::writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    ASSERT_TRUE(file.good()) << path;
}

void HostileDisk::writeRandomBytes(const std::string& path, size_t size, uint32_t seed)
{
    ASSERT_TRUE(writeRandomFile(path.c_str(), size, seed)) << path;
}

void HostileDisk::truncateFile(const std::string& path, size_t keepBytes)
{
    std::filesystem::resize_file(path, keepBytes);
}

void HostileDisk::removePath(const std::string& path) { std::filesystem::remove_all(path); }

std::string HostileDisk::readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

RunResult HostileDisk::runDisk(const std::vector<ScriptedKey>& keys, const std::function<void(uint32_t)>& onFrame)
{
    // The process-wide state a previous run in this process may have left behind.
    musicLibrary = MusicLibrary{};
    aboutScrollOffset = 0.3f;
    aboutScrollSpeed = -0.08f;

    // One window system service for the whole process, never deleted: deleting it
    // stops SDL video, which unloads Mesa's driver, and the leak checker then
    // reports the driver's own allocations, whose owners went with it.
    static os::Os* realOs = createSdlOs();
    RealPlatform platform({.scale = 1,
                           .decodeAhead = {FONT_FILE, ARTWORK_FILE},
                           .loadAhead = moduleFiles(DISK_CONTENT_FILE, DISK_DATA_FOLDER),
                           .sharedOs = realOs});
    auto scripted = std::make_unique<ScriptedOs>(realOs, keys, onFrame);
    const RunResult& result = scripted->result;
    platform.wrap(std::move(scripted), nullptr, nullptr);

    Application& application = Application::instance();
    application.createScenes = createDiskScenes;
    application.run();
    return result;
}

void HostileDisk::expectRunsAndQuits(const std::vector<std::string>& messages)
{
    const RunResult run = runDisk();
    EXPECT_EQ(run.messages, messages);
    EXPECT_FALSE(run.hung) << "the program did not end after Escape";
    EXPECT_FALSE(run.quitRequested);
    // It ended through the last Escape, not before it.
    EXPECT_GT(run.frames, escapeThreeTimes().back().frame);
}

std::string pngOfSize(int width, int height)
{
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i % 4 == 3 ? 255 : (i / 4) % 251);
    int length = 0;
    unsigned char* png = stbi_write_png_to_mem(pixels.data(), width * 4, width, height, 4, &length);
    std::string bytes(reinterpret_cast<const char*>(png), size_t(length));
    STBIW_FREE(png);
    return bytes;
}

std::string pngHeaderClaiming(uint32_t width, uint32_t height)
{
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    putBigEndian32(header, width);
    putBigEndian32(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, deflate, no interlace
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
    appendChunk(png, "IEND", "");
    return png;
}

} // namespace hostile
