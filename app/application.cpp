#include "app/application.h"

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "disk/music_library.h"
#include "gui/gui_renderer.h"
#include "platform/os.h"

// The frame length the loop aims at, as the single-precision value it compares
// and subtracts with.
static constexpr float FRAME_SECONDS = 0.02f;
// How long to wait before polling a lost device that cannot be reset yet.
static constexpr uint32_t LOST_DEVICE_WAIT_MS = 100;

Application& Application::instance()
{
    static Application application;
    return application;
}

void Application::requestScene(uint32_t scene)
{
    if (closing || scene == currentScene)
        return;
    requestedScene = scene;
    scenes[currentScene]->leave();
}

void Application::requestQuit() { quitRequested = true; }

bool Application::closing() const
{
    if (quitRequested)
        return true;
    for (const std::unique_ptr<Scene>& scene : scenes)
        if (scene && scene->closing())
            return true;
    return false;
}

void Application::run()
{
    startUp();
    while (running)
        runFrame();
    shutDown();
}

void Application::startUp()
{
    RenderDevice::instance();
    running = true;
    GuiRenderer::instance();
    SceneList created = createScenes();
    for (uint32_t i = 0; i < SCENE_COUNT; ++i)
        scenes[i] = std::move(created[i]);
    scenes[LOGO_SCENE]->enter();
    currentScene = LOGO_SCENE;
    requestedScene = LOGO_SCENE;
    closing = false;
    deviceLost = false;
    quitRequested = false;
}

void Application::runFrame()
{
    if (deviceLost)
        recoverDevice();
    switchScene();
    // After the switch, so a quit asked for while a screen hands over closes the
    // screen that is now shown, not the one on its way out.
    if (quitRequested) {
        quitRequested = false;
        scenes[currentScene]->close();
    }
    bool anyActive = updateScenes();
    paceFrame();
    if (!anyActive)
        running = false;
    InputState::instance().rollOver();
    FrameTimer::instance().advance();
    pumpMessages();
    musicLibrary.publishNowPlaying();
    draw();
}

// A device that reports it can be reset is reset with a copy of the stored
// parameters (the reset may write into its argument). One that cannot be reset yet
// is polled again next frame after a short wait; meanwhile frames run without
// drawing, so the window stays responsive and can be closed.
void Application::recoverDevice()
{
    RenderDevice& renderDevice = RenderDevice::instance();
    gpu::Gpu& g = gpu::gpu();
    gpu::Result level = g.testCooperativeLevel(renderDevice.device);
    if (level == gpu::DEVICENOTRESET) {
        spriteBatch->releaseDefaultPoolObjects();
        gpu::PresentParameters parameters = renderDevice.presentParameters;
        g.reset(renderDevice.device, &parameters);
        spriteBatch->restoreDeviceObjects();
        deviceLost = false;
    } else if (level == gpu::OK) {
        // The device is usable again and needs no reset (its loss passed without
        // costing its resources): draw at once, without the wait. Waiting here
        // for a "not reset" that never comes would never draw again.
        deviceLost = false;
    } else {
        os::os().sleep(LOST_DEVICE_WAIT_MS);
    }
}

void Application::switchScene()
{
    if (requestedScene == currentScene)
        return;
    scenes[requestedScene]->enter();
    currentScene = requestedScene;
}

bool Application::updateScenes()
{
    bool anyActive = false;
    for (std::unique_ptr<Scene>& scene : scenes) {
        if (scene && scene->active) {
            scene->update();
            anyActive = true;
        }
    }
    return anyActive;
}

// The pause depends on the previous frame's measured length: 19 ms after a frame
// of 0 ms (the float 0.02 is a little below 0.02), nothing from 20 ms on.
void Application::paceFrame()
{
    float delta = FrameTimer::instance().delta;
    if (delta < FRAME_SECONDS)
        os::os().sleep(uint32_t((double(FRAME_SECONDS) - double(delta)) * 1000.0));
}

void Application::pumpMessages()
{
    os::Os& system = os::os();
    os::Message message;
    while (system.peekMessage(&message)) {
        if (message.message == os::WM_QUIT)
            running = false;
        system.translateMessage(message);
        system.dispatchMessage(message);
    }
}

void Application::draw()
{
    RenderDevice& renderDevice = RenderDevice::instance();
    // Quads of a frame that is not drawn are dropped, so the list cannot grow
    // while there is no device or it is lost.
    if (!renderDevice.device || deviceLost) {
        spriteBatch->discardFrame();
        return;
    }
    gpu::Gpu& g = gpu::gpu();
    if (gpu::failed(g.beginScene(renderDevice.device))) {
        spriteBatch->discardFrame();
        return;
    }
    g.clear(renderDevice.device, 0, nullptr, gpu::CLEAR_TARGET | gpu::CLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    GuiRenderer::instance().render();
    g.endScene(renderDevice.device);
    if (gpu::failed(g.present(renderDevice.device)))
        deviceLost = true;
}

void Application::shutDown()
{
    for (std::unique_ptr<Scene>& scene : scenes)
        scene.reset();
    FrameTimer::destroy();
    InputState::destroy();
    RenderDevice::instance().release();
    RenderDevice::destroy();
    GuiRenderer::instance().shutdown();
    GuiRenderer::destroy();
}
