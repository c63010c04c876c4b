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
#include "scenes/artwork_atlas.h"
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
constexpr ButtonLook sameLook(AtlasPicture picture)
{
    const AtlasRect& r = ATLAS_RECTS[picture];
    return ButtonLook{{r.u0, r.v0, r.u1, r.v1}, {r.u0, r.v0, r.u1, r.v1}, {r.u0, r.v0, r.u1, r.v1}};
}

constexpr ButtonLook STOP_LOOK = sameLook(ATLAS_STOP_BUTTON);
constexpr ButtonLook PLAY_LOOK = sameLook(ATLAS_PLAY_BUTTON);
constexpr ButtonLook PAUSE_LOOK = sameLook(ATLAS_PAUSE_BUTTON);
constexpr ButtonLook PREVIOUS_LOOK = sameLook(ATLAS_PREVIOUS_BUTTON);
constexpr ButtonLook NEXT_LOOK = sameLook(ATLAS_NEXT_BUTTON);
constexpr ButtonLook INFO_LOOK = sameLook(ATLAS_INFO_BUTTON);
constexpr ButtonLook ABOUT_LOOK = sameLook(ATLAS_ABOUT_BUTTON);
constexpr ButtonLook EXIT_LOOK = sameLook(ATLAS_EXIT_BUTTON);
constexpr ButtonLook VOLUME_UP_LOOK = sameLook(ATLAS_VOLUME_UP_BUTTON);
constexpr ButtonLook VOLUME_DOWN_LOOK = sameLook(ATLAS_VOLUME_DOWN_BUTTON);
constexpr ButtonLook MINIMISE_LOOK = sameLook(ATLAS_MINIMISE_BUTTON);
constexpr ButtonLook CLOSE_LOOK = sameLook(ATLAS_CLOSE_BUTTON);

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
    const AtlasRect& background = ATLAS_RECTS[ATLAS_BACKGROUND];
    drawQuad(skinTexture, -1.0f, -1.0f, 2.0f, 2.0f, background.u0, background.v0, background.u1, background.v1, 1.0f,
             1.0f, 1.0f, fade.alpha);
    musicLibrary.handleTransportKeys();

    if (released('A'))
        Application::instance().requestScene(ABOUT_SCENE);
    if (released('I'))
        Application::instance().requestScene(INFO_SCENE);
    if (released('E'))
        equalizerOn = !equalizerOn;

    const AtlasRect& banner = ATLAS_RECTS[ATLAS_TITLE_BANNER];
    drawQuad(skinTexture, -0.635f, 0.3f, 1.6f, 0.6f, banner.u0, banner.v0, banner.u1, banner.v1, 1.0f, 1.0f, 1.0f,
             fade.alpha);
    const AtlasRect& panel = ATLAS_RECTS[ATLAS_PLAYER_PANEL];
    drawQuadAtDepth(skinTexture, 0.264f, -0.904f, 0.7f, 1.4f, panel.u0, panel.v0, panel.u1, panel.v1, 1.0f, 1.0f, 1.0f,
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
    const AtlasRect& ornament = ATLAS_RECTS[ATLAS_TRANSPORT_ORNAMENT];
    drawQuadAtDepth(skinTexture, 0.667f, -0.4423f, 0.0474f, 0.135f, ornament.u0, ornament.v0, ornament.u1, ornament.v1,
                    1.0f, 1.0f, 1.0f, fade.alpha, 0.59f);
    const AtlasRect& pip = ATLAS_RECTS[ATLAS_VOLUME_PIP];
    for (int32_t i = 0; i < musicLibrary.volumeLevel; ++i)
        drawQuadAtDepth(skinTexture, 0.276f + 0.015f * float(i), -0.875f, 0.013f, 0.09f, pip.u0, pip.v0, pip.u1, pip.v1,
                        1.0f, 1.0f, 1.0f, fade.alpha, 0.6f);
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
    const AtlasRect& strip = ATLAS_RECTS[ATLAS_TITLE_STRIP];
    drawQuad(skinTexture, -0.464f, -0.57f, 0.73f, 0.25f, strip.u0, strip.v0, strip.u1, strip.v1, 1.0f, 1.0f, 1.0f,
             fade.alpha);
    if (hasTitle) {
        float& scroll = musicLibrary.titleScroll[track];
        drawTextWindow(musicLibrary.titles[track].c_str(), -0.435f, -0.495f, TITLE_TEXT_SIZE, TITLE_WINDOW_WIDTH,
                       scroll, Colour{1.0f, 1.0f, 1.0f, fade.alpha});
        if (musicLibrary.titleWidths[track] < scroll)
            scroll = TITLE_WRAP_OFFSET;
    }
    const AtlasRect& frame = ATLAS_RECTS[ATLAS_TITLE_STRIP_FRAME];
    drawQuadAtDepth(skinTexture, -0.464f, -0.57f, 0.73f, 0.25f, frame.u0, frame.v0, frame.u1, frame.v1, 1.0f, 1.0f,
                    1.0f, fade.alpha, 0.85f);
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
    const AtlasRect& picture = ATLAS_RECTS[ATLAS_MAIN_BUBBLE];
    for (MainBubble& b : bubbles) {
        b.x += delta * b.speed * 0.01f;
        drawQuadAtDepth(skinTexture, b.x, b.y, b.size, b.size * aspect, picture.u0, picture.v0, picture.u1, picture.v1,
                        1.0f, 1.0f, 1.0f, fade.alpha, 0.1f);
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
