// Scene: one screen of the disk. The Application owns six of them, numbered in
// creation order, and calls update() on every active one once per frame, in number
// order; so during a cross-fade the lower-numbered scene submits its drawing first.
//
// The visible scenes fade: enter() starts a one-second fade-in, leave() a
// one-second fade-out from full opacity, and the fade step that opens every update
// moves alpha by the frame's delta and deactivates the scene when it reaches 0.
#pragma once

class Scene {
public:
    bool active = false;

    virtual ~Scene() = default;
    virtual void enter() {}
    virtual void update() = 0;
    virtual void leave() {}
    // Ending the program from the outside (the desktop's media controls): the
    // screen fades out with the music as its Escape does on the player. A screen
    // that cannot end the program ignores it.
    virtual void close() {}
    // Two spare operations every scene class keeps; nothing calls them.
    virtual void spare1() {}
    virtual void spare2() {}
};

struct SceneFade {
    float alpha;
    bool fadingIn;
    bool fadingOut;
};

// enter(): alpha 0, fading in, active.
void startFadeIn(Scene& scene, SceneFade& fade);
// leave(): fading out from alpha 1, whatever alpha was.
void startFadeOut(SceneFade& fade);
// The fade step: alpha moves by delta; a fade-out reaching 0 deactivates the scene.
void stepFade(Scene& scene, SceneFade& fade, float delta);
