// scene_fixture: the disk's five screens on the fake platform, driven frame by
// frame without the main loop.
//
// The fixture owns the Application's scene list (scene 0 is a blank stand-in, so
// no disk is loaded), a fake device and renderer, the artwork atlas as a fake
// texture, and a music library of three loaded tracks. frame() runs what the main
// loop runs around the scene updates: the scene switch, the updates in number
// order and the input roll-over; each frame starts with an empty draw list, so
// after it spriteBatch->items holds exactly that frame's quads.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "gui/button.h"
#include "gui/font.h"
#include "gui/gui_renderer.h"
#include "platform/fake/fake_platform.h"
#include "scenes/about_scene.h"
#include "scenes/equalizer.h"
#include "scenes/info_scene.h"
#include "scenes/logo_scenes.h"
#include "scenes/main_scene.h"

struct BlankScene : Scene {
    void update() override {}
};

// The real screens 1 to 5 behind a blank scene 0.
inline SceneList scenesWithoutDisk()
{
    SceneList scenes;
    scenes[0] = std::make_unique<BlankScene>();
    scenes[LOGO_SCENE] = std::make_unique<KavScene>();
    scenes[INTRO_SCENE] = std::make_unique<IntroScene>();
    scenes[MAIN_SCENE] = std::make_unique<MainScene>();
    scenes[ABOUT_SCENE] = std::make_unique<AboutScene>();
    scenes[INFO_SCENE] = std::make_unique<InfoScene>();
    return scenes;
}

// Resets every process-wide value the screens and their helpers keep.
inline void resetSceneGlobals()
{
    FrameTimer::destroy();
    InputState::destroy();
    if (RenderDevice::exists())
        RenderDevice::instance().release();
    RenderDevice::destroy();
    if (spriteBatch)
        GuiRenderer::instance().shutdown();
    GuiRenderer::destroy();
    skinTexture = nullptr;
    musicLibrary = MusicLibrary{};
    hotWidget = 0;
    activeWidget = 0;
    equalizerOn = false;
    lastSpectrumTime = 0.0f;
    std::fill(std::begin(spectrum), std::end(spectrum), 0.0f);
    aboutScrollOffset = 0.3f;
    aboutScrollSpeed = -0.08f;
    Application& app = Application::instance();
    app.scenes = {};
    app.currentScene = 0;
    app.requestedScene = 0;
    app.running = false;
    app.closing = false;
    app.createScenes = createDiskScenes;
}

struct SceneFixture : ::testing::Test {
    fake::FakePlatform platform;
    Application& app = Application::instance();
    InputState& input = InputState::instance();
    KavScene* logo = nullptr;
    IntroScene* intro = nullptr;
    MainScene* player = nullptr;
    AboutScene* about = nullptr;
    InfoScene* info = nullptr;

    // The previous test's destructor has reset the process-wide state.
    SceneFixture()
    {
        RenderDevice::instance();
        GuiRenderer::instance();
        platform.gpu.createTextureFromFile(RenderDevice::instance().device, "data/velta.png", &skinTexture);
        loadTracks({"First Light", "Harbour", "Chip Tune"});
        app.scenes = scenesWithoutDisk();
        logo = static_cast<KavScene*>(app.scenes[LOGO_SCENE].get());
        intro = static_cast<IntroScene*>(app.scenes[INTRO_SCENE].get());
        player = static_cast<MainScene*>(app.scenes[MAIN_SCENE].get());
        about = static_cast<AboutScene*>(app.scenes[ABOUT_SCENE].get());
        info = static_cast<InfoScene*>(app.scenes[INFO_SCENE].get());
        platform.log().clear();
    }
    ~SceneFixture() override { resetSceneGlobals(); }

    // Tracks loaded on the fake audio service, track 0 playing, volume 40.
    void loadTracks(const std::vector<std::string>& titles)
    {
        platform.audio.init(-1, 44100, 0, nullptr, nullptr);
        musicLibrary.allocateTracks(int32_t(titles.size()));
        for (size_t i = 0; i < titles.size(); ++i) {
            std::string path = "data\\music\\" + std::to_string(i) + ".xm";
            musicLibrary.channels[i] = platform.audio.musicLoad(false, path.c_str(), 0, 0, 0xA300, 0);
            musicLibrary.titles[i] = titles[i];
            musicLibrary.titleWidths[i] = measureText(titles[i].c_str(), 0.03f);
            musicLibrary.titleScroll[i] = -0.4f;
        }
        if (!titles.empty())
            platform.audio.channelPlay(musicLibrary.channels[0], false);
        platform.audio.volume = 40;
        musicLibrary.volumeLevel = 4;
        musicLibrary.titleScrollSpeed = 0.07f;
        musicLibrary.isPlaying = true;
    }

    // Makes scene n the current one and enters it, as the main loop would.
    void show(uint32_t n)
    {
        app.currentScene = n;
        app.requestedScene = n;
        app.scenes[n]->enter();
    }

    // One frame that lasts delta seconds (as the updates see it).
    void frame(float delta = 0.02f)
    {
        FrameTimer& timer = FrameTimer::instance();
        timer.delta = delta;
        timer.elapsed += delta;
        if (app.requestedScene != app.currentScene) {
            app.scenes[app.requestedScene]->enter();
            app.currentScene = app.requestedScene;
        }
        spriteBatch->items.clear();
        for (auto& scene : app.scenes)
            if (scene->active)
                scene->update();
        input.rollOver();
    }
    void frames(int count, float delta = 0.02f)
    {
        for (int i = 0; i < count; ++i)
            frame(delta);
    }

    // A key pressed in one frame and let go before the next: acts in the second.
    void tap(uint32_t key, float delta = 0.02f)
    {
        input.keys[key] = 1;
        frame(delta);
        input.keys[key] = 0;
        frame(delta);
    }

    // The mouse over a point in screen units.
    void moveMouse(float x, float y)
    {
        const RenderDevice& device = RenderDevice::instance();
        input.mouseX = int32_t((x * 0.5f + 0.5f) * float(device.width));
        input.mouseY = int32_t((0.5f - y * 0.5f) * float(device.height));
    }
    // Hover, press, release over a point: the click completes in the third frame.
    void click(float x, float y)
    {
        moveMouse(x, y);
        frame();
        input.leftButton = true;
        frame();
        input.leftButton = false;
        frame();
    }

    bool isActive(uint32_t n) const { return app.scenes[n]->active; }
    std::vector<DrawItem>& items() { return spriteBatch->items; }
};

// An item's geometry, for comparing with layout tables.
struct Quad {
    float x, y, w, h, u0, v0, u1, v1, depth;
};

inline void expectQuad(const DrawItem& item, const Quad& q, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_FLOAT_EQ(item.x, q.x);
    EXPECT_FLOAT_EQ(item.y, q.y);
    EXPECT_FLOAT_EQ(item.width, q.w);
    EXPECT_FLOAT_EQ(item.height, q.h);
    EXPECT_FLOAT_EQ(item.u0, q.u0);
    EXPECT_FLOAT_EQ(item.v0, q.v0);
    EXPECT_FLOAT_EQ(item.u1, q.u1);
    EXPECT_FLOAT_EQ(item.v1, q.v1);
    EXPECT_FLOAT_EQ(item.depth, q.depth);
}
