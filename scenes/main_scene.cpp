#include "scenes/main_scene.h"

#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "gui/button.h"
#include "gui/draw.h"
#include "platform/os.h"
#include "scenes/c_random.h"

bool equalizerOn = false;

namespace {

constexpr float TITLE_TEXT_SIZE = 0.03f;
constexpr float TITLE_WINDOW_WIDTH = 0.7f;
constexpr float TITLE_WRAP_OFFSET = -1.5f;  // the title re-enters from the strip's right end
constexpr float TITLE_SPEED_STEP = 0.2f;    // per second of keypad + or - held
constexpr float RAND_SCALE = float(C_RAND_MAX);

// The player screen's buttons show no hover or press feedback: one rectangle for all
// three looks.
constexpr ButtonLook sameLook(float u0, float v0, float u1, float v1)
{
    return ButtonLook{{u0, v0, u1, v1}, {u0, v0, u1, v1}, {u0, v0, u1, v1}};
}

constexpr ButtonLook STOP_LOOK = sameLook(562.0f / 1024, 715.0f / 1024, 593.0f / 1024, 744.0f / 1024);
constexpr ButtonLook PLAY_LOOK = sameLook(593.0f / 1024, 715.0f / 1024, 0.61105f, 744.0f / 1024);
constexpr ButtonLook PAUSE_LOOK = sameLook(585.0f / 1024, 744.0f / 1024, 602.0f / 1024, 762.0f / 1024);
constexpr ButtonLook PREVIOUS_LOOK = sameLook(562.0f / 1024, 744.0f / 1024, 585.0f / 1024, 780.0f / 1024);
constexpr ButtonLook NEXT_LOOK = sameLook(602.0f / 1024, 744.0f / 1024, 0.61135f, 780.0f / 1024);
constexpr ButtonLook INFO_LOOK = sameLook(0.488f, 0.318f, 0.5195f, 0.329f);
constexpr ButtonLook ABOUT_LOOK = sameLook(0.432f, 0.318f, 0.475f, 0.329f);
constexpr ButtonLook EXIT_LOOK = sameLook(0.388f, 0.318f, 0.416f, 0.329f);
constexpr ButtonLook VOLUME_UP_LOOK = sameLook(0.00098f, 0.9863f, 0.0166f, 1.0f);
constexpr ButtonLook VOLUME_DOWN_LOOK = sameLook(0.0176f, 0.9863f, 0.03222f, 1.0f);
constexpr ButtonLook MINIMISE_LOOK = sameLook(0.3477f, 0.3164f, 0.366f, 0.331f);
constexpr ButtonLook CLOSE_LOOK = sameLook(0.366f, 0.3164f, 0.383f, 0.331f);

bool button(int32_t id, float x, float y, float w, float h, const ButtonLook& look, float alpha)
{
    return doButton(id, skinTexture, ScreenPoint{x, y}, ScreenPoint{w, h}, look, Colour{1.0f, 1.0f, 1.0f, alpha});
}

bool released(uint32_t key) { return InputState::instance().keyReleased(uint8_t(key)); }

} // namespace

std::vector<MainBubble> makeMainBubbles(uint32_t seed)
{
    std::vector<MainBubble> bubbles(MAIN_BUBBLE_COUNT);
    for (uint32_t i = 0; i < MAIN_BUBBLE_COUNT; ++i) {
        MainBubble& b = bubbles[i];
        b.x = float(reseededRandom(i, seed)) / RAND_SCALE * 3.0f - 1.5f;
        b.y = float(reseededRandom(i, seed)) / RAND_SCALE * 0.4f - 1.5f;
        b.speed = float(reseededRandom(i, seed)) * 4.0f / RAND_SCALE + 0.3f;
        b.size = float(reseededRandom(i, seed)) / RAND_SCALE * 0.15f + 0.3f;
    }
    return bubbles;
}

MainScene::MainScene()
{
    // The seed is the timer's whole seconds (0 at start-up, as this screen creates
    // the timer); the guard keeps the conversion defined for any timer value.
    float elapsed = FrameTimer::instance().elapsed;
    uint32_t seed = elapsed > 0.0f && elapsed < 4.0e9f ? uint32_t(elapsed) : 0u;
    bubbles = makeMainBubbles(seed);
    equalizerOn = true;
}

void MainScene::update()
{
    stepFadeWithMusic(*this, fade, closingState, FrameTimer::instance().delta);

    // The background goes in between the end-of-track check and the keys.
    musicLibrary.advanceAtTrackEnd();
    drawQuad(skinTexture, -1.0f, -1.0f, 2.0f, 2.0f, 0.0f, 0.0f, 0.7979f, 0.3105f, 1.0f, 1.0f, 1.0f, fade.alpha);
    musicLibrary.handleTransportKeys();

    if (released('A'))
        Application::instance().requestScene(ABOUT_SCENE);
    if (released('I'))
        Application::instance().requestScene(INFO_SCENE);
    if (released('E'))
        equalizerOn = !equalizerOn;

    drawQuad(skinTexture, -0.635f, 0.3f, 1.6f, 0.6f, 0.0f, 0.3906f, 0.6152f, 0.4746f, 1.0f, 1.0f, 1.0f, fade.alpha);
    drawQuadAtDepth(skinTexture, 0.264f, -0.904f, 0.7f, 1.4f, 0.0f, 0.7129f, 0.2588f, 0.9179f, 1.0f, 1.0f, 1.0f,
                    fade.alpha, 0.61f);
    drawTransport();
    drawVolume();
    updateTitle();
    if (musicLibrary.hasTracks() && musicLibrary.isPlaying && equalizerOn)
        runEqualizer(equalizerLevels, musicLibrary.currentChannel(), fade.alpha);
    drawMenu();
    updateBubbles();
    drawWindowButtons();
}

void MainScene::drawTransport()
{
    if (button(BUTTON_STOP, 0.6f, -0.18f, 0.09f, 0.08f, STOP_LOOK, fade.alpha))
        musicLibrary.stopAndRewind();
    if (button(BUTTON_PLAY, 0.69f, -0.18f, 0.09f, 0.08f, PLAY_LOOK, fade.alpha))
        musicLibrary.play();
    if (button(BUTTON_PAUSE, 0.667f, -0.311f, 0.0475f, 0.052f, PAUSE_LOOK, fade.alpha))
        musicLibrary.togglePause();
    if (button(BUTTON_PREVIOUS, 0.6f, -0.438f, 0.067f, 0.1f, PREVIOUS_LOOK, fade.alpha))
        musicLibrary.previousTrack();
    if (button(BUTTON_NEXT, 0.7146f, -0.438f, 0.067f, 0.1f, NEXT_LOOK, fade.alpha))
        musicLibrary.nextTrack();
}

// The ornament between Previous and Next, then one pip per volume step.
void MainScene::drawVolume()
{
    drawQuadAtDepth(skinTexture, 0.667f, -0.4423f, 0.0474f, 0.135f, 585.0f / 1024, 762.0f / 1024, 602.0f / 1024,
                    0.76202f, 1.0f, 1.0f, 1.0f, fade.alpha, 0.59f);
    for (int32_t i = 0; i < musicLibrary.volumeLevel; ++i)
        drawQuadAtDepth(skinTexture, 0.276f + 0.015f * float(i), -0.875f, 0.013f, 0.09f, 0.0332f, 0.9863f,
                        0.03809f, 1.0f, 1.0f, 1.0f, 1.0f, fade.alpha, 0.6f);
}

// Keypad + and - change the scroll speed while held (without limit, so the title
// can run backwards); each track keeps its own scroll position.
void MainScene::updateTitle()
{
    const InputState& input = InputState::instance();
    float delta = FrameTimer::instance().delta;
    if (input.keyHeld(uint8_t(os::VK_ADD)))
        musicLibrary.titleScrollSpeed += delta * TITLE_SPEED_STEP;
    if (input.keyHeld(uint8_t(os::VK_SUBTRACT)))
        musicLibrary.titleScrollSpeed -= delta * TITLE_SPEED_STEP;

    bool hasTitle = musicLibrary.hasTracks();
    size_t track = size_t(musicLibrary.currentTrack);
    if (hasTitle)
        musicLibrary.titleScroll[track] += delta * musicLibrary.titleScrollSpeed;
    drawQuad(skinTexture, -0.464f, -0.57f, 0.73f, 0.25f, 0.0f, 0.3145f, 0.32f, 0.3496f, 1.0f, 1.0f, 1.0f, fade.alpha);
    if (hasTitle) {
        float& scroll = musicLibrary.titleScroll[track];
        drawTextWindow(musicLibrary.titles[track].c_str(), -0.435f, -0.495f, TITLE_TEXT_SIZE, TITLE_WINDOW_WIDTH,
                       scroll, Colour{1.0f, 1.0f, 1.0f, fade.alpha});
        if (musicLibrary.titleWidths[track] < scroll)
            scroll = TITLE_WRAP_OFFSET;
    }
    drawQuadAtDepth(skinTexture, -0.464f, -0.57f, 0.73f, 0.25f, 0.68f, 0.3145f, 1.0f, 0.3496f, 1.0f, 1.0f, 1.0f,
                    fade.alpha, 0.85f);
}

// Info, About and Exit, then the volume buttons.
void MainScene::drawMenu()
{
    if (button(BUTTON_INFO, 0.28f, -0.395f, 0.09f, 0.033f, INFO_LOOK, fade.alpha))
        Application::instance().requestScene(INFO_SCENE);
    if (button(BUTTON_ABOUT, 0.28f, -0.535f, 0.13f, 0.033f, ABOUT_LOOK, fade.alpha))
        Application::instance().requestScene(ABOUT_SCENE);
    if (button(BUTTON_EXIT, 0.28f, -0.68f, 0.09f, 0.033f, EXIT_LOOK, fade.alpha))
        startClosing(*this, closingState);
    if (button(BUTTON_VOLUME_UP, 0.473f, -0.87f, 0.04f, 0.032f, VOLUME_UP_LOOK, fade.alpha))
        musicLibrary.volumeUp();
    if (button(BUTTON_VOLUME_DOWN, 0.43f, -0.87f, 0.04f, 0.032f, VOLUME_DOWN_LOOK, fade.alpha))
        musicLibrary.volumeDown();
}

// A bubble that has drifted off the right edge re-enters at the left one.
void MainScene::updateBubbles()
{
    float delta = FrameTimer::instance().delta;
    float aspect = RenderDevice::instance().aspect();
    for (MainBubble& b : bubbles) {
        b.x += delta * b.speed * 0.01f;
        drawQuadAtDepth(skinTexture, b.x, b.y, b.size, b.size * aspect, 0.875f, 0.875f, 0.99f, 0.99f, 1.0f, 1.0f,
                        1.0f, fade.alpha, 0.1f);
        if (b.x - b.size > 1.0f)
            b.x = -1.0f - b.size;
    }
}

void MainScene::drawWindowButtons()
{
    if (button(BUTTON_MINIMISE, 0.862f, 0.77f, 0.05f, 0.046f, MINIMISE_LOOK, fade.alpha))
        os::os().showWindow(RenderDevice::instance().windowHandle, os::SW_MINIMIZE);
    bool closeClicked = button(BUTTON_CLOSE, 0.912f, 0.77f, 0.05f, 0.046f, CLOSE_LOOK, fade.alpha);
    if (closeClicked || released(os::VK_ESCAPE))
        startClosing(*this, closingState);
}
