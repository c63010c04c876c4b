// Stand-in scenes for driving the main loop: each logs its calls to the shared call
// log ("scene.N.enter", "scene.N.update", "scene.N.leave", "scene.N.destroyed")
// and fades like a visible scene; a test scripts what an update does.
#pragma once
#include <functional>
#include <string>

#include "app/application.h"
#include "app/frame_timer.h"
#include "platform/fake/call_log.h"

struct StandInScene : Scene {
    int number;
    SceneFade fade = {};
    std::function<void(StandInScene&)> onUpdate;

    explicit StandInScene(int number) : number(number) {}
    ~StandInScene() override { log("destroyed"); }
    void log(const char* what) const
    {
        fake::callLog().add("scene." + std::to_string(number) + "." + what);
    }
    void enter() override
    {
        log("enter");
        startFadeIn(*this, fade);
    }
    void leave() override
    {
        log("leave");
        startFadeOut(fade);
    }
    void update() override
    {
        log("update");
        stepFade(*this, fade, FrameTimer::instance().delta);
        if (onUpdate)
            onUpdate(*this);
    }
};

// The scenes the next run() creates; filled by standInScenes().
inline StandInScene* standIns[SCENE_COUNT];

inline SceneList standInScenes()
{
    SceneList scenes;
    for (uint32_t i = 0; i < SCENE_COUNT; ++i) {
        auto scene = std::make_unique<StandInScene>(int(i));
        standIns[i] = scene.get();
        scenes[i] = std::move(scene);
    }
    return scenes;
}
