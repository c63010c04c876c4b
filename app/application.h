// Application: owns the six scenes and runs the program's one main loop.
//
// run() creates the window and device, the GUI renderer and the scenes, enters the
// logo scene and then runs one frame per pass: recover a lost device, switch to a
// requested scene, update the active scenes in number order, pace the frame to
// about 20 ms, roll the input over, advance the timer, pump window messages and
// draw. The loop ends after the frame in which `running` was cleared (a close or
// quit message, or a frame that found no active scene); then everything is torn
// down in a fixed order: scenes, timer, input, device, renderer.
#pragma once
#include <cstdint>

#include "app/scene.h"
#include "scenes/scene_list.h"

struct Application {
    bool running = false;
    SceneList scenes;
    uint32_t currentScene = 0;
    uint32_t requestedScene = 0;
    // Where run() gets its scenes; tests put stand-ins here.
    SceneList (*createScenes)() = createDiskScenes;

    static Application& instance();

    void run();
    // Asks for another scene: the current one starts fading out now, the new one is
    // entered at the start of the next frame. Asking for the current scene does
    // nothing.
    void requestScene(uint32_t scene);

private:
    bool deviceLost = false;

    void startUp();
    void runFrame();
    void recoverDevice();
    void switchScene();
    bool updateScenes();
    void paceFrame();
    void pumpMessages();
    void draw();
    void shutDown();
};

constexpr uint32_t LOGO_SCENE = 1;
constexpr uint32_t INTRO_SCENE = 2;
constexpr uint32_t MAIN_SCENE = 3;
constexpr uint32_t ABOUT_SCENE = 4;
constexpr uint32_t INFO_SCENE = 5;
