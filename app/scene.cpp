#include "app/scene.h"

void startFadeIn(Scene& scene, SceneFade& fade)
{
    fade.alpha = 0.0f;
    fade.fadingOut = false;
    fade.fadingIn = true;
    scene.active = true;
}

void startFadeOut(SceneFade& fade)
{
    fade.fadingOut = true;
    fade.alpha = 1.0f;
    fade.fadingIn = false;
}

void stepFade(Scene& scene, SceneFade& fade, float delta)
{
    if (fade.fadingIn) {
        fade.alpha += delta;
        if (fade.alpha >= 1.0f) {
            fade.alpha = 1.0f;
            fade.fadingIn = false;
        }
    }
    if (fade.fadingOut) {
        fade.alpha -= delta;
        if (fade.alpha <= 0.0f) {
            fade.alpha = 0.0f;
            fade.fadingOut = false;
            scene.active = false;
        }
    }
}
