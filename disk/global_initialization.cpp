#include "disk/global_initialization.h"

#include <algorithm>
#include <string>

#include "app/message_box.h"
#include "app/render_device.h"
#include "disk/disk_config.h"
#include "disk/music_library.h"
#include "disk/track_loading.h"
#include "gui/draw.h"
#include "platform/audio.h"

gpu::Texture* skinTexture = nullptr;

constexpr float TITLE_TEXT_SIZE = 0.03f;
constexpr float TITLE_START_SCROLL = -0.4f;
constexpr float SCROLL_TEXT_SIZE = 0.033f;
constexpr float SCROLL_TEXT_WRAP = 0.75f;
constexpr float START_TITLE_SCROLL_SPEED = 0.07f;
constexpr int32_t MAX_VOLUME_LEVEL = 10;

static void loadSkin()
{
    skinTexture = nullptr;
    gpu::Device* device = RenderDevice::exists() ? RenderDevice::instance().device : nullptr;
    if (!device)
        return;
    if (gpu::failed(gpu::gpu().createTextureFromFile(device, ARTWORK_FILE, &skinTexture)))
        skinTexture = nullptr;
}

// Failures are reported only while `report` is set.
static audio::Handle loadReportedTrack(const std::string& typeLine, const std::string& fileLine, bool report)
{
    const TrackType type = trackTypeOf(typeLine);
    if (type == TrackType::Unsupported && report)
        showMessage("Unsupported song type");
    const audio::Handle channel = loadTrack(audio::audio(), type, trackPath(DISK_DATA_FOLDER, fileLine));
    if (channel == 0 && report)
        showMessage("Failed to load music file. Sorry.");
    return channel;
}

GlobalInitializationScene::GlobalInitializationScene()
{
    active = false;
    loadSkin();

    DiskConfig config;
    config.open(DISK_CONTENT_FILE);
    MusicLibrary& library = musicLibrary;
    library.allocateTracks(config.readTrackCount());
    library.currentTrack = 0;

    audio::Audio& a = audio::audio();
    if ((a.getVersion() >> 16) != audio::VERSION_2_3)
        showMessage("An incorrect version of BASS.DLL was loaded");
    a.init(-1, 44100, 0, nullptr, nullptr);

    int32_t failedTracks = 0;
    for (size_t i = 0; i < size_t(library.trackCount); ++i) {
        const std::string typeLine = config.readLine();
        const std::string fileLine = config.readLine();
        library.channels[i] = loadReportedTrack(typeLine, fileLine, failedTracks < MAX_REPORTED_TRACK_FAILURES);
        if (library.channels[i] == 0)
            ++failedTracks;
        library.titles[i] = config.readLine();
        library.titleWidths[i] = measureText(library.titles[i].c_str(), TITLE_TEXT_SIZE);
        library.titleScroll[i] = TITLE_START_SCROLL;
    }

    library.scrollText = config.readScrollText();
    library.scrollTextHeight = measureTextBoxHeight(library.scrollText.c_str(), SCROLL_TEXT_SIZE, SCROLL_TEXT_WRAP);

    if (library.hasTracks())
        a.channelPlay(library.currentChannel(), false);
    // A failed query reports 0xFFFFFFFF; the level must stay within its ten steps.
    library.volumeLevel = int32_t(std::min<uint32_t>(a.getVolume() / 10, MAX_VOLUME_LEVEL));
    library.titleScrollSpeed = START_TITLE_SCROLL_SPEED;
    // Without tracks nothing can sound.
    library.isPlaying = library.hasTracks();
}

GlobalInitializationScene::~GlobalInitializationScene()
{
    audio::Audio& a = audio::audio();
    const size_t count = std::min(size_t(std::max(musicLibrary.trackCount, 0)), musicLibrary.channels.size());
    for (size_t i = 0; i < count; ++i)
        a.musicFree(musicLibrary.channels[i]);
    if (skinTexture) {
        gpu::gpu().release(skinTexture);
        skinTexture = nullptr;
    }
    a.free();
}
