#include "scenes/closing.h"

#include "app/application.h"
#include "disk/music_library.h"
#include "platform/audio.h"

void stepFadeWithMusic(Scene& scene, SceneFade& fade, const ClosingState& state, float delta)
{
    bool wasFadingOut = fade.fadingOut;
    stepFade(scene, fade, delta);
    if (wasFadingOut && state.closing)
        musicLibrary.fadeMusicWithScene(fade.alpha, scene.active, state.savedVolume);
}

void startClosing(Scene& scene, ClosingState& state)
{
    if (state.closing)
        return;
    scene.leave();
    state.closing = true;
    state.savedVolume = audio::audio().getVolume();
    // The program now ends: no screen may be entered any more, and a screen still
    // fading in (the player's buttons work while it fades out) fades out with it.
    Application& app = Application::instance();
    app.closing = true;
    Scene& current = *app.scenes[app.currentScene];
    if (&current != &scene && current.active)
        current.leave();
}
