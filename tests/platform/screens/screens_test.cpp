// The five screens rendered by the real graphics service (offscreen SDL video,
// Mesa's software OpenGL) from the bundled disk, compared with committed
// reference images.
//
// Everything is real except the clock: the window system service is wrapped so
// that its tick count stands still (tests/support/still_clock_os.h), which fixes
// the frame timer and the bubble seeds, and each screen is drawn from a set timer
// state. The equalizer shows a fixed spectrum rather than whatever the music
// plays at that moment.
//
// MUSICDISK_UPDATE_REFERENCES=1 writes the references instead of comparing
// (tests/platform/screens/update_references.sh). A mismatch writes the frame to
// the temporary folder as NAME.actual.png.
//
// Built for the browser (build-web/tests/platform_screens.js), the same tests run
// in a page on WebGL 2, with the disk and the references preloaded into the
// program's file system; tests/web/e2e.mjs opens it.
//
// MUSICDISK_SCREEN_SCALE=2 draws the screens at window scale 2 on the X display
// in DISPLAY (tests/e2e/scale.sh runs it under an Xvfb large enough): each frame
// must be twice as large, rasterised at that size rather than a doubled scale-1
// picture, and halved it must match the same references. Each screen prints its
// figures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "gui/font.h"
#include "gui/gui_renderer.h"
#include "gui/sprite_batch.h"
#include "platform/sdl/real_platform.h"
#include "platform/sdl/sdl_gpu.h"
#include "platform/sdl/sdl_os.h"
#include "scenes/about_scene.h"
#include "scenes/equalizer.h"
#include "scenes/main_scene.h"
#include "tests/support/images.h"
#include "tests/support/still_clock_os.h"

namespace {

const char* const REFERENCE_FOLDER = "tests/platform/screens/reference/";

constexpr int CLIENT_WIDTH = 818, CLIENT_HEIGHT = 318;

int screenScale()
{
    const char* scale = std::getenv("MUSICDISK_SCREEN_SCALE");
    return scale && std::string(scale) == "2" ? 2 : 1;
}

// The share of the 2 x 2 blocks of a scale-2 frame whose pixels are not all of
// one colour (any channel apart by more than 8): 0 for a doubled scale-1 picture.
double unevenBlocks(const Image& frame)
{
    size_t uneven = 0, blocks = 0;
    for (int y = 0; y + 1 < frame.height; y += 2)
        for (int x = 0; x + 1 < frame.width; x += 2, ++blocks) {
            const uint8_t* first = &frame.rgba[(size_t(y) * frame.width + x) * 4];
            bool even = true;
            for (int dy = 0; dy < 2 && even; ++dy)
                for (int dx = 0; dx < 2 && even; ++dx)
                    for (int c = 0; c < 3 && even; ++c)
                        even = std::abs(int(frame.rgba[(size_t(y + dy) * frame.width + x + dx) * 4 + c]) -
                                        int(first[c])) <= 8;
            uneven += even ? 0 : 1;
        }
    return blocks ? double(uneven) / double(blocks) : 0.0;
}

bool updatingReferences()
{
    const char* update = std::getenv("MUSICDISK_UPDATE_REFERENCES");
    return update && *update && std::string(update) != "0";
}

class ScreensTest : public ::testing::Test {
protected:
    // The program's start-up, once for all screens, without the main loop. Each
    // test updates only its own screen, so the screens do not disturb each other.
    static void SetUpTestSuite()
    {
#ifndef __EMSCRIPTEN__
        // In the browser the window is the page's canvas and the sound Web Audio.
        if (screenScale() == 1)
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
#endif
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        // The window system service is never deleted: deleting it stops SDL video,
        // which unloads Mesa's driver, and the leak checker then reports the
        // driver's own allocations, whose owners were unloaded with it.
        static os::Os* realOs = createSdlOs(screenScale());
        platform = new RealPlatform({.scale = screenScale(), .decodeAhead = {}, .loadAhead = {}, .sharedOs = realOs});
        platform->wrap(std::make_unique<StillClockOs>(realOs), nullptr, nullptr);
        RenderDevice::instance();
        GuiRenderer::instance();
        scenes = new SceneList(createDiskScenes());
    }

    static void TearDownTestSuite()
    {
        delete scenes;  // scene 0 first: frees the tracks and the atlas
        scenes = nullptr;
        FrameTimer::destroy();
        InputState::destroy();
        RenderDevice::instance().release();
        RenderDevice::destroy();
        GuiRenderer::instance().shutdown();
        GuiRenderer::destroy();
        delete platform;
        platform = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(RenderDevice::instance().device, nullptr);
        ASSERT_NE(skinTexture, nullptr) << "data/velta.png";
        ASSERT_NE(fontTexture, nullptr) << "data/font.png";
        ASSERT_GT(musicLibrary.trackCount, 0) << "data/disk.cfg";
    }

    // Enters scene n as the only current scene and runs one update of delta seconds
    // at the given time since start-up (a delta of 1 completes the fade-in).
    void show(uint32_t n, float elapsed, float delta = 1.0f)
    {
        Application& app = Application::instance();
        app.scenes = std::move(*scenes);
        app.currentScene = n;
        app.requestedScene = n;
        FrameTimer& timer = FrameTimer::instance();
        timer.elapsed = elapsed;
        timer.delta = delta;
        app.scenes[n]->enter();
        spriteBatch->discardFrame();
        app.scenes[n]->update();
        *scenes = std::move(app.scenes);
    }

    // One more update of the screen shown, delta seconds later.
    void step(uint32_t n, float delta)
    {
        Application& app = Application::instance();
        app.scenes = std::move(*scenes);
        FrameTimer& timer = FrameTimer::instance();
        timer.elapsed += delta;
        timer.delta = delta;
        app.scenes[n]->update();
        *scenes = std::move(app.scenes);
    }

    // Draws the submitted quads as the main loop does and reads the frame back.
    Image render()
    {
        gpu::Device* device = RenderDevice::instance().device;
        Image image;
        EXPECT_EQ(gpu::gpu().beginScene(device), gpu::OK);
        gpu::gpu().clear(device, 0, nullptr, 3, 0x00000000, 1.0f, 0);
        GuiRenderer::instance().render();
        gpu::gpu().endScene(device);
        EXPECT_TRUE(sdlReadBackBuffer(device, &image.width, &image.height, &image.rgba));
        gpu::gpu().present(device);
        return image;
    }

    void compareWithReference(const std::string& name, const Image& drawn)
    {
        ASSERT_FALSE(drawn.rgba.empty());
        std::string path = std::string(REFERENCE_FOLDER) + name + ".png";
        Image frame = drawn;
        if (screenScale() == 2) {
            ASSERT_EQ(drawn.width, 2 * CLIENT_WIDTH) << "the frame is not drawn at scale 2";
            ASSERT_EQ(drawn.height, 2 * CLIENT_HEIGHT);
            double uneven = unevenBlocks(drawn);
            EXPECT_GT(uneven, 0.005) << name << ": the frame looks like a doubled scale-1 picture";
            frame = halved(drawn);
            ImageDifference difference = compareImages(frame, loadPng(path));
            std::printf("scale 2 %s: %d x %d, halved against the reference: %s; %.1f %% of 2 x 2 blocks hold more "
                        "than one colour\n",
                        name.c_str(), drawn.width, drawn.height, difference.describe().c_str(), uneven * 100.0);
            writePng((std::filesystem::temp_directory_path() / (name + ".scale2.png")).string(), drawn);
        } else if (updatingReferences()) {
            ASSERT_TRUE(writePng(path, frame)) << path;
            return;
        }
        Image reference = loadPng(path);
        ASSERT_FALSE(reference.rgba.empty()) << "no reference " << path << "; run update_references.sh";
        ImageDifference difference = compareImages(frame, reference);
        std::printf("%s against the reference: %s\n", name.c_str(), difference.describe().c_str());
        if (!difference.withinTolerance()) {
            std::string actualPath = (std::filesystem::temp_directory_path() / (name + ".actual.png")).string();
            writePng(actualPath, frame);
            ADD_FAILURE() << name << ": " << difference.describe() << " (frame written to " << actualPath << ")";
        }
    }

    static inline RealPlatform* platform = nullptr;
    static inline SceneList* scenes = nullptr;
};

TEST_F(ScreensTest, Logo)
{
    show(LOGO_SCENE, 1.5f);
    compareWithReference("logo", render());
}

TEST_F(ScreensTest, Intro)
{
    show(INTRO_SCENE, 4.5f);
    compareWithReference("intro", render());
}

TEST_F(ScreensTest, Player)
{
    // A falling spectrum, drawn as it stands: no fetch in this frame.
    for (int c = 0; c < EQUALIZER_COLUMNS; ++c)
        spectrum[c] = float(EQUALIZER_COLUMNS - c) / float(EQUALIZER_COLUMNS) * 0.16f;
    lastSpectrumTime = 8.0f;
    musicLibrary.titleScroll[size_t(musicLibrary.currentTrack)] = -0.3f;
    musicLibrary.volumeLevel = 7;
    show(MAIN_SCENE, 8.0f);
    compareWithReference("player", render());
}

// The player frame after frame, the equalizer's cells lighting and fading, each
// frame drawn twice from the same quads: with every shortcut the sprite batch takes
// (the layer cache, quads at alpha 0 left out) and whole. The two must be the same
// to the pixel, and the cache must have been built and reused on the way.
TEST_F(ScreensTest, PlayerDrawnWithEveryShortcutIsTheSameToThePixel)
{
    musicLibrary.titleScroll[size_t(musicLibrary.currentTrack)] = -0.3f;
    musicLibrary.isPlaying = true;
    show(MAIN_SCENE, 20.0f);
    int uses[3] = {};
    for (int frame = 0; frame < 40; ++frame) {
        // A spectrum that changes every frame, never fetched: columns rise and fall.
        for (int c = 0; c < EQUALIZER_COLUMNS; ++c)
            spectrum[c] = float((c * 7 + frame * 3) % 13) / SPECTRUM_SCALE;
        lastSpectrumTime = FrameTimer::instance().elapsed + 0.02f;
        step(MAIN_SCENE, 0.02f);
        const std::vector<DrawItem> items = spriteBatch->items;
        const Image quick = render();
        ++uses[int(spriteBatch->layers.use)];
        spriteBatch->items = items;
        spriteBatch->layers.enabled = false;
        spriteBatch->skipInvisible = false;
        const Image whole = render();
        spriteBatch->layers.enabled = true;
        spriteBatch->skipInvisible = true;
        ASSERT_EQ(quick.width, whole.width);
        ASSERT_EQ(quick.height, whole.height);
        size_t differing = 0;
        for (size_t i = 0; i < whole.rgba.size(); i += 4)
            differing += std::memcmp(&quick.rgba[i], &whole.rgba[i], 4) != 0;
        EXPECT_EQ(differing, 0u) << "frame " << frame << ", " << (uses[2] ? "reused" : "built or none");
    }
    EXPECT_GE(uses[int(LayerUse::Build)], 1);
    EXPECT_GE(uses[int(LayerUse::Reuse)], 5);
}

TEST_F(ScreensTest, About)
{
    aboutScrollOffset = 0.3f;
    aboutScrollSpeed = -0.08f;
    show(ABOUT_SCENE, 9.0f);
    compareWithReference("about", render());
}

TEST_F(ScreensTest, Information)
{
    show(INFO_SCENE, 9.0f);
    compareWithReference("info", render());
}

}  // namespace
