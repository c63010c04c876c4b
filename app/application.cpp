#include "app/application.h"

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "disk/music_library.h"
#include "gui/gui_renderer.h"
#include "platform/os.h"

// The frame length the loop aims at.
static constexpr uint32_t FRAME_MS = 20;
// How long to wait before polling a lost device that cannot be reset yet.
static constexpr uint32_t LOST_DEVICE_WAIT_MS = 100;

Application& Application::instance()
{
    static Application application;
    return application;
}

void Application::requestScene(uint32_t scene)
{
    if (closingStarted || scene == currentScene)
        return;
    requestedScene = scene;
    scenes[currentScene]->leave();
}

void Application::requestQuit() { quitRequested = true; }

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
    closingStarted = false;
    deviceLost = false;
    quitRequested = false;
    // The first frame is due at once.
    frameDeadline = os::os().tickCount() - FRAME_MS;
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
    // The frame's quads are known once the scenes are updated: the driver draws
    // them while the loop sleeps, and the present comes on the deadline, so a
    // frame's drawing time does not move its present.
    FrameDrawing drawing = drawFrame();
    paceFrame();
    if (!anyActive)
        running = false;
    InputState::instance().rollOver();
    FrameTimer::instance().advance();
    pumpMessages();
    musicLibrary.publishNowPlaying();
    // A window the pump just showed again gets this frame at once.
    if (drawing == FrameDrawing::Hidden)
        drawing = drawFrame();
    if (drawing == FrameDrawing::Drawn)
        presentFrame();
    else
        spriteBatch->discardFrame();
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

// Frames start on a 20 ms grid: the next one starts 20 ms after the previous
// one's deadline, or now if that has passed. A late frame is followed at once,
// and the grid moves with it, so a stall brings no burst of catch-up frames.
// Ticks are compared as a signed difference, so the grid survives their wrap.
void Application::paceFrame()
{
    os::Os& system = os::os();
    const uint32_t now = system.tickCount();
    frameDeadline += FRAME_MS;
    if (int32_t(frameDeadline - now) < 0)
        frameDeadline = now;
    if (frameDeadline != now)
        system.sleep(frameDeadline - now);
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

bool Application::windowHidden()
{
    os::Os& system = os::os();
    const os::WindowHandle window = RenderDevice::instance().windowHandle;
    return system.isIconic(window) || !system.isWindowVisible(window);
}

// Draws the frame's quads unless there is no device, it is lost, or no one can see
// the window; quads not drawn stay submitted until the frame drops them.
FrameDrawing Application::drawFrame()
{
    RenderDevice& renderDevice = RenderDevice::instance();
    if (!renderDevice.device || deviceLost)
        return FrameDrawing::Skipped;
    if (windowHidden())
        return FrameDrawing::Hidden;
    gpu::Gpu& g = gpu::gpu();
    if (gpu::failed(g.beginScene(renderDevice.device)))
        return FrameDrawing::Skipped;
    g.clear(renderDevice.device, 0, nullptr, gpu::CLEAR_TARGET | gpu::CLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    GuiRenderer::instance().render();
    g.endScene(renderDevice.device);
    return FrameDrawing::Drawn;
}

// A window hidden since the frame was drawn is not presented to.
void Application::presentFrame()
{
    RenderDevice& renderDevice = RenderDevice::instance();
    if (windowHidden())
        return;
    if (gpu::failed(gpu::gpu().present(renderDevice.device)))
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
