#include "scenes/closing.h"

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
}
