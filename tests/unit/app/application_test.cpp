// The main loop against the fake platform and stand-in scenes.
//
// In order: start-up and one frame's steps; frame pacing, a hidden window and the
// timer; scene requests and cross-fades; the loop's end; device loss and recovery;
// the pump's quit, a failed begin, no device; a scene asked back, a long frame; the
// frame cap; a whole run with its shutdown order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "app/window.h"
#include "gui/gui_renderer.h"
#include "platform/fake/fake_platform.h"
#include "stand_in_scenes.h"

namespace {

struct ApplicationTest : ::testing::Test {
    fake::FakePlatform platform;
    Application& app = Application::instance();
    int frame = 0;
    // Runs at the start of each frame's message pump, after the timer has advanced;
    // messages it posts are taken in the same pump.
    std::function<void(int frame)> eachFrame;

    ApplicationTest()
    {
        app.createScenes = standInScenes;
        // Each frame's own work takes 20 ms of simulated time, so no pause is
        // needed and frame k sees elapsed = 0.02 (k - 1) s.
        platform.os.onPump = [this] {
            platform.os.ticks += 20;
            ++frame;
            if (eachFrame)
                eachFrame(frame);
        };
    }
    ~ApplicationTest() override
    {
        app.createScenes = createDiskScenes;
        // A test that failed half-way leaves the singletons behind: clear them.
        FrameTimer::destroy();
        InputState::destroy();
        RenderDevice::destroy();
        GuiRenderer::destroy();
        spriteBatch = nullptr;
        app.running = false;
    }

    // Calls logged from the first one starting with `from` on, up to (not including)
    // the next one starting with `to`.
    std::vector<std::string> between(const std::string& from, const std::string& to, size_t start = 0)
    {
        std::vector<std::string>& calls = platform.log().calls;
        long first = platform.log().find(from, start);
        long last = platform.log().find(to, size_t(first + 1));
        if (first < 0)
            return {};
        return {calls.begin() + first, last < 0 ? calls.end() : calls.begin() + last};
    }

    void quitAtFrame(int n)
    {
        eachFrame = [this, n](int f) {
            if (f == n)
                platform.os.post(mainWindow, os::WM_CLOSE);
        };
    }
};

std::vector<std::string> withoutTicks(const std::vector<std::string>& calls)
{
    std::vector<std::string> out;
    for (const std::string& call : calls)
        if (call != "os.tickCount")
            out.push_back(call);
    return out;
}

TEST_F(ApplicationTest, StartUpCreatesWindowDeviceRendererScenesThenEntersTheLogo)
{
    quitAtFrame(1);
    app.run();
    std::vector<std::string>& calls = platform.log().calls;
    long window = platform.log().find("os.createWindow");
    long device = platform.log().find("gpu.createDevice");
    long shown = platform.log().find("os.showWindow 1");
    long effect = platform.log().find("gpu.createEffectFromFile data/gui.fx");
    long font = platform.log().find("gpu.createTextureFromFile data/font.png");
    long enter = platform.log().find("scene.1.enter");
    ASSERT_GE(window, 0);
    EXPECT_LT(window, device);
    EXPECT_LT(device, shown);
    EXPECT_LT(shown, effect);
    EXPECT_LT(effect, font);
    EXPECT_LT(font, enter);
    EXPECT_EQ(calls[size_t(window)], "os.createWindow 0 musicdisk Quorvatelle 3 0x80880000 10 100 820 320");
    EXPECT_EQ(platform.log().count("scene.1.enter"), 1u);
    EXPECT_EQ(platform.log().count("scene.0.enter"), 0u);
}

TEST_F(ApplicationTest, OneFrameRunsItsStepsInOrder)
{
    quitAtFrame(2);
    app.run();
    // The second frame, from its first scene update to its present.
    std::vector<std::string> frame2 = withoutTicks(between("scene.1.update", "gpu.present",
                                                           size_t(platform.log().find("gpu.present") + 1)));
    // Drawn before the sleep, presented after the pump (if the window is still shown).
    std::vector<std::string> expected = {
        "scene.1.update", "os.isIconic", "os.isWindowVisible", "gpu.beginScene", "gpu.clear 0 null 3 0x0 1 0",
        "gpu.endScene", "os.peekMessage", "os.translateMessage 0x10", "os.dispatchMessage 0x10", "os.peekMessage",
        "os.setNowPlaying 0/0 stopped 0", "os.isIconic", "os.isWindowVisible",
    };
    EXPECT_EQ(frame2, expected);
    // The frame in which WM_CLOSE arrived is still drawn, and no further frame starts.
    EXPECT_EQ(platform.log().count("gpu.present"), 2u);
    EXPECT_EQ(platform.log().count("scene.1.update"), 2u);
}

TEST_F(ApplicationTest, FramesStartOnATwentyMillisecondGridThatMovesWithALateFrame)
{
    // Each frame's work (the time from its sleep to the next one) is scripted at
    // its pump: short, exact, late, short, very late (a stall), then short ones.
    // The clock wraps past 2^32 during the third frame.
    const std::vector<uint32_t> work = {5, 20, 25, 5, 1000, 5, 19, 0, 3};
    platform.os.ticks = 0xFFFFFFFFu - 30;
    std::vector<uint32_t> sleeps, starts;
    uint32_t slept = 0;
    platform.os.onSleep = [&](uint32_t milliseconds) { slept += milliseconds; };
    platform.os.onPump = [&] {
        starts.push_back(FrameTimer::instance().lastTick);
        sleeps.push_back(slept);
        slept = 0;
        platform.os.ticks += work[sleeps.size() - 1];
        if (sleeps.size() == work.size())
            platform.os.post(mainWindow, os::WM_CLOSE);
    };
    app.run();
    // The first frame starts at once; after a short frame the loop sleeps what is
    // left of 20 ms, after an exact or late one not at all, and the frame after a
    // late one is again 20 ms after it.
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{0, 15, 0, 0, 15, 0, 15, 1, 20}));
    std::vector<uint32_t> intervals;
    for (size_t i = 1; i < starts.size(); ++i)
        intervals.push_back(starts[i] - starts[i - 1]);
    EXPECT_EQ(intervals, (std::vector<uint32_t>{20, 20, 25, 20, 1000, 20, 20, 20}));
}

TEST_F(ApplicationTest, FramesRunOnAtTheSamePaceWhileAMinimisedOrHiddenWindowIsNotDrawn)
{
    // One quad a frame. The window is minimised in frame 10 and restored in frame
    // 20, then hidden in frame 30 and shown again in frame 40.
    app.createScenes = [] {
        SceneList scenes = standInScenes();
        standIns[1]->onUpdate = [](StandInScene&) {
            spriteBatch->submit(DrawItem{1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, nullptr, 1});
        };
        return scenes;
    };
    std::vector<int> drawn, updated;
    std::vector<uint32_t> starts;
    size_t items = 0;
    size_t seen = 0;
    // What the previous frame did, seen at this frame's pump (a frame draws after it).
    auto look = [&](int previous) {
        std::vector<std::string>& calls = platform.log().calls;
        for (; seen < calls.size(); ++seen) {
            if (calls[seen] == "gpu.present")
                drawn.push_back(previous);
            if (calls[seen] == "scene.1.update")
                updated.push_back(previous + 1);
        }
    };
    eachFrame = [&](int f) {
        look(f - 1);
        starts.push_back(FrameTimer::instance().lastTick);
        items = std::max(items, spriteBatch->items.size());
        if (f == 10)
            platform.os.showWindow(mainWindow, os::SW_MINIMIZE);
        if (f == 20)
            platform.os.showWindow(mainWindow, os::SW_SHOWNORMAL);
        fake::fakeWindow(mainWindow)->visible = f < 30 || f >= 40;
        if (f == 45)
            platform.os.post(mainWindow, os::WM_CLOSE);
    };
    app.run();
    look(45);
    std::vector<int> expected, all;
    for (int f = 1; f <= 45; ++f) {
        all.push_back(f);
        if (f < 10 || (f >= 20 && f < 30) || f >= 40)
            expected.push_back(f);
    }
    EXPECT_EQ(drawn, expected) << "the frame whose pump shows the window again is presented";
    // Frames 10 and 30 were drawn before their pump hid the window, and not presented.
    EXPECT_EQ(platform.log().count("gpu.beginScene"), expected.size() + 2);
    EXPECT_EQ(platform.log().count("gpu.clear"), expected.size() + 2);
    EXPECT_EQ(platform.log().count("gpu.lockVertexBuffer"), expected.size() + 2);
    EXPECT_EQ(updated, all);
    for (size_t i = 1; i < starts.size(); ++i)
        EXPECT_EQ(starts[i] - starts[i - 1], 20u) << "frame " << i + 1;
    EXPECT_EQ(items, 1u) << "the quads of a frame not drawn are dropped";
}

TEST_F(ApplicationTest, TimerDeltaSurvivesTickCountWrapAround)
{
    platform.os.ticks = 0xFFFFFFF0u;
    FrameTimer& timer = FrameTimer::instance();
    platform.os.ticks = 0x00000010u;
    timer.advance();
    EXPECT_FLOAT_EQ(timer.delta, 0.032f);
    EXPECT_FLOAT_EQ(timer.elapsed, 0.032f);
    FrameTimer::destroy();
}

TEST_F(ApplicationTest, RequestsSwitchAtTheStartOfTheNextFrameAndCrossFade)
{
    app.createScenes = [] {
        SceneList scenes = standInScenes();
        standIns[1]->onUpdate = [](StandInScene& s) {
            // Ask for scene 2 in the first frame after the logo is fully shown.
            if (!s.fade.fadingIn && !s.fade.fadingOut && s.active)
                Application::instance().requestScene(2);
        };
        return scenes;
    };
    eachFrame = [&](int f) {
        if (f > 200)
            platform.os.post(mainWindow, os::WM_CLOSE);
    };
    app.run();
    long request = platform.log().find("scene.1.leave");
    long enter = platform.log().find("scene.2.enter");
    ASSERT_GE(request, 0);
    ASSERT_GT(enter, request);
    // The enter comes after this frame's pump, before the next frame's updates.
    long nextUpdate = platform.log().find("scene.", size_t(enter + 1));
    EXPECT_EQ(platform.log().calls[size_t(nextUpdate)], "scene.1.update");
    EXPECT_EQ(platform.log().calls[size_t(platform.log().find("scene.", size_t(nextUpdate + 1)))],
              "scene.2.update");
    // Logo updates for one second of 20 ms frames after its leave, then no more.
    size_t logoUpdatesAfterLeave = 0;
    for (size_t i = size_t(request); i < platform.log().calls.size(); ++i)
        logoUpdatesAfterLeave += platform.log().calls[i] == "scene.1.update";
    EXPECT_NEAR(double(logoUpdatesAfterLeave), 50.0, 1.0);
}

TEST_F(ApplicationTest, TwoRequestsInOneFrameKeepTheLastAndLeaveTwice)
{
    app.createScenes = [] {
        SceneList scenes = standInScenes();
        standIns[1]->onUpdate = [](StandInScene& s) {
            if (Application::instance().requestedScene == 1 && !s.fade.fadingIn) {
                Application::instance().requestScene(4);
                s.fade.alpha = 0.5f;
                Application::instance().requestScene(5);
                // A request for the current scene changes nothing, even now.
                Application::instance().requestScene(1);
            }
        };
        return scenes;
    };
    quitAtFrame(60);
    app.run();
    EXPECT_EQ(platform.log().count("scene.1.leave"), 2u);
    EXPECT_EQ(platform.log().count("scene.4.enter"), 0u);
    EXPECT_EQ(platform.log().count("scene.5.enter"), 1u);
}

TEST_F(ApplicationTest, LastSceneFadingOutGetsOneMoreFrameThenTheLoopEnds)
{
    app.createScenes = [] {
        SceneList scenes = standInScenes();
        standIns[1]->onUpdate = [](StandInScene& s) {
            if (!s.fade.fadingIn && !s.fade.fadingOut && s.active)
                s.leave();
        };
        return scenes;
    };
    app.run();
    // The update that reached alpha 0 is followed by one frame without updates.
    std::vector<std::string>& calls = platform.log().calls;
    long lastUpdate = -1;
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i] == "scene.1.update")
            lastUpdate = long(i);
    std::vector<std::string> after;
    for (size_t i = size_t(lastUpdate + 1); i < calls.size(); ++i)
        if (calls[i] == "gpu.present" || calls[i].starts_with("scene.1.update"))
            after.push_back(calls[i]);
    EXPECT_EQ(after, (std::vector<std::string>{"gpu.present", "gpu.present"}));
    EXPECT_FALSE(app.running);
}

TEST_F(ApplicationTest, FailedPresentResetsTheDeviceInTheNextFrame)
{
    eachFrame = [this](int f) {
        if (f == 2) {
            platform.gpu.failures["present"] = gpu::DEVICELOST;
            platform.gpu.failures["testCooperativeLevel"] = gpu::DEVICENOTRESET;
        }
        if (f == 3)
            platform.gpu.failures.clear();
        if (f == 4)
            platform.os.post(mainWindow, os::WM_CLOSE);
    };
    // Give the batch buffers to refuse the reset with: one quad per frame.
    app.createScenes = [] {
        SceneList scenes = standInScenes();
        standIns[1]->onUpdate = [](StandInScene&) { spriteBatch->submit(DrawItem{1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, nullptr, 1}); };
        return scenes;
    };
    app.run();
    long reset = platform.log().find("gpu.reset");
    ASSERT_GE(reset, 0);
    long poll = platform.log().find("gpu.testCooperativeLevel");
    EXPECT_LT(poll, reset);
    // The buffers were given up before the reset, so the device accepted it.
    EXPECT_EQ(platform.gpu.resetParameters.windowed, 1);
    EXPECT_EQ(platform.gpu.resetParameters.autoDepthStencilFormat, gpu::FMT_D24X8);
    EXPECT_EQ(platform.gpu.resetParameters.backBufferWidth, 0u);
    // After the reset the same frame re-creates declaration and effect, then draws.
    EXPECT_LT(reset, platform.log().find("gpu.createVertexDeclaration", size_t(reset)));
    EXPECT_GE(platform.log().find("gpu.createVertexBuffer", size_t(reset)), 0) << "buffers re-created";
    EXPECT_EQ(platform.log().count("gpu.reset"), 1u);
}

TEST_F(ApplicationTest, LostDeviceThatCannotBeResetIsPolledWhileMessagesArePumped)
{
    eachFrame = [this](int f) {
        if (f == 1) {
            platform.gpu.failures["present"] = gpu::DEVICELOST;
            platform.gpu.failures["testCooperativeLevel"] = gpu::DEVICELOST;
        }
    };
    int waits = 0;
    platform.os.onSleep = [&](uint32_t milliseconds) {
        if (milliseconds == 100 && ++waits == 4)
            platform.os.post(mainWindow, os::WM_CLOSE);
    };
    app.run();
    EXPECT_EQ(platform.log().count("os.sleep 100"), 4u);
    EXPECT_EQ(platform.log().count("gpu.reset"), 0u);
    EXPECT_EQ(platform.log().count("gpu.beginScene"), 1u) << "nothing is drawn while the device is lost";
}

// A lost device that answers OK when polled is drawn on again in the same frame,
// without the wait and without a reset: nothing is left to reset, and a device
// that never reports "not reset" would otherwise never be drawn on again.
TEST_F(ApplicationTest, LostDeviceThatAnswersOkDrawsAgainAtOnce)
{
    eachFrame = [this](int f) {
        if (f == 1)
            platform.gpu.failures["present"] = gpu::DEVICELOST;
        if (f == 2)
            platform.gpu.failures.clear();
        if (f == 3)
            platform.os.post(mainWindow, os::WM_CLOSE);
    };
    app.run();
    EXPECT_EQ(platform.log().count("gpu.testCooperativeLevel"), 1u);
    EXPECT_EQ(platform.log().count("os.sleep 100"), 0u);
    EXPECT_EQ(platform.log().count("gpu.reset"), 0u);
    EXPECT_EQ(platform.log().count("gpu.present"), 3u) << "every frame drawn";
}

// A quit message without a window reaches only the pump; the pump still empties
// the queue, and the frame is drawn.
TEST_F(ApplicationTest, QuitTakenByThePumpEndsTheLoopAfterThatFrame)
{
    eachFrame = [this](int f) {
        if (f == 2) {
            platform.os.post(nullptr, os::WM_QUIT);
            platform.os.post(mainWindow, os::WM_KEYDOWN, 'A');
        }
        if (f == 10)
            platform.os.post(mainWindow, os::WM_CLOSE);  // only if the quit was missed
    };
    app.run();
    EXPECT_EQ(frame, 2);
    EXPECT_EQ(platform.log().count("gpu.present"), 2u);
    long quit = platform.log().find("os.dispatchMessage 0x12");
    ASSERT_GE(quit, 0);
    EXPECT_GE(platform.log().find("os.dispatchMessage 0x100", size_t(quit)), 0);
}

TEST_F(ApplicationTest, FailedBeginSceneSkipsTheFrameWithoutMarkingTheDeviceLost)
{
    eachFrame = [this](int f) {
        if (f == 1)
            platform.gpu.failures["beginScene"] = gpu::E_FAIL;
        if (f == 2)
            platform.gpu.failures.clear();
        if (f == 3)
            platform.os.post(mainWindow, os::WM_CLOSE);
    };
    app.run();
    EXPECT_EQ(platform.log().count("gpu.beginScene"), 3u);
    EXPECT_EQ(platform.log().count("gpu.clear"), 2u);
    EXPECT_EQ(platform.log().count("gpu.present"), 2u);
    EXPECT_EQ(platform.log().count("gpu.testCooperativeLevel"), 0u);
}

TEST_F(ApplicationTest, WithoutADeviceScenesStillUpdateAndMessagesArePumped)
{
    platform.gpu.failCreate = true;
    quitAtFrame(3);
    app.run();
    EXPECT_EQ(platform.log().count("scene.1.update"), 3u);
    EXPECT_EQ(platform.log().count("os.dispatchMessage 0x10"), 1u);
    EXPECT_EQ(platform.log().count("gpu.beginScene"), 0u);
    EXPECT_EQ(platform.log().count("gpu.testCooperativeLevel"), 0u);
}

// Asked back while it fades out, a scene fades in again from 0 and stays active.
TEST_F(ApplicationTest, ASceneAskedBackDuringItsFadeOutFadesInAgain)
{
    app.createScenes = [] {
        SceneList scenes = standInScenes();
        standIns[1]->onUpdate = [](StandInScene& s) {
            if (!s.fade.fadingIn && !s.fade.fadingOut && Application::instance().currentScene == 1)
                Application::instance().requestScene(2);
        };
        standIns[2]->onUpdate = [](StandInScene& s) {
            if (s.fade.alpha >= 0.5f && s.fade.fadingIn)
                Application::instance().requestScene(1);
        };
        return scenes;
    };
    eachFrame = [this](int f) {
        if (f == 100) {
            // About 20 frames after the logo was asked back: it fades in from 0.
            EXPECT_TRUE(standIns[1]->active);
            EXPECT_TRUE(standIns[1]->fade.fadingIn);
            EXPECT_FALSE(standIns[1]->fade.fadingOut);
            EXPECT_GT(standIns[1]->fade.alpha, 0.3f);
            EXPECT_LT(standIns[1]->fade.alpha, 0.6f);
            platform.os.post(mainWindow, os::WM_CLOSE);
        }
    };
    app.run();
    EXPECT_EQ(platform.log().count("scene.1.enter"), 2u);
}

// One frame longer than a second completes a fade in one step, either way.
TEST(SceneFade, AFrameLongerThanASecondCompletesTheFade)
{
    StandInScene scene(1);
    SceneFade& fade = scene.fade;
    startFadeIn(scene, fade);
    stepFade(scene, fade, 1.5f);
    EXPECT_EQ(fade.alpha, 1.0f);
    EXPECT_FALSE(fade.fadingIn);
    EXPECT_TRUE(scene.active);
    startFadeOut(fade);
    stepFade(scene, fade, 1.5f);
    EXPECT_EQ(fade.alpha, 0.0f);
    EXPECT_FALSE(fade.fadingOut);
    EXPECT_FALSE(scene.active);
}

// The frame cap of the fake window system: a loop that never ends fails fast.
TEST_F(ApplicationTest, ALoopThatNeverEndsIsStoppedByTheFrameCap)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    platform.os.pumpLimit = 30;
    EXPECT_DEATH_IF_SUPPORTED(app.run(), "pumped messages 30 times without ending");
}

TEST_F(ApplicationTest, WholeRunSwitchesOnScheduleAndShutsDownInOrder)
{
    // Logo hands over at 3 s, intro at 6 s (timer seconds), the player quits at 8 s.
    app.createScenes = [] {
        SceneList scenes = standInScenes();
        FrameTimer::instance();
        auto handOver = [](float at, uint32_t next) {
            return [at, next](StandInScene& s) {
                if (!s.fade.fadingOut && s.active && FrameTimer::instance().elapsed > at)
                    Application::instance().requestScene(next);
            };
        };
        standIns[1]->onUpdate = handOver(3.0f, 2);
        standIns[2]->onUpdate = handOver(6.0f, 3);
        standIns[3]->onUpdate = [](StandInScene& s) {
            if (!s.fade.fadingOut && FrameTimer::instance().elapsed > 8.0f)
                s.leave();
        };
        return scenes;
    };
    std::vector<std::pair<int, std::string>> switches;
    size_t seen = 0;
    eachFrame = [&](int f) {
        std::vector<std::string>& calls = platform.log().calls;
        for (; seen < calls.size(); ++seen)
            if (calls[seen].ends_with(".enter"))
                switches.push_back({f, calls[seen]});
    };
    app.run();
    // 20 ms frames; the first frame sees elapsed 0, frame k sees (k - 1) * 0.02 s.
    // Elapsed first exceeds 3.0 in frame 152; the intro is entered in frame 153.
    ASSERT_EQ(switches.size(), 3u);
    EXPECT_EQ(switches[0], std::make_pair(1, std::string("scene.1.enter")));
    EXPECT_EQ(switches[1].second, "scene.2.enter");
    EXPECT_NEAR(switches[1].first, 153, 1);
    EXPECT_EQ(switches[2].second, "scene.3.enter");
    EXPECT_NEAR(switches[2].first, 303, 1);
    std::vector<std::string> teardown = withoutTicks(between("scene.0.destroyed", "no such call"));
    std::vector<std::string> expected = {
        "scene.0.destroyed", "scene.1.destroyed", "scene.2.destroyed", "scene.3.destroyed",
        "scene.4.destroyed", "scene.5.destroyed", "gpu.release device 2", "gpu.release direct3d 1",
        "os.unregisterClass musicdisk", "gpu.release texture 5", "gpu.release declaration 3",
        "gpu.release effect 4"};
    EXPECT_EQ(teardown, expected);
    EXPECT_FALSE(RenderDevice::exists());
    EXPECT_EQ(spriteBatch, nullptr);
}

} // namespace
