// Application: owns the six scenes and runs the program's one main loop.
//
// run() creates the window and device, the GUI renderer and the scenes, enters the
// logo scene and then runs one frame per pass: recover a lost device, switch to a
// requested scene (closing it instead when a quit was requested), update the
// active scenes in number order, draw, sleep until the frame's 20 ms deadline, roll
// the input over, advance the timer, pump window messages, tell the os service what
// the music is doing, and present. While the window is minimised or hidden the
// frame is neither drawn nor presented, and everything else runs on at the same
// pace; a window shown again by the pump gets its frame drawn there and then. The loop ends after
// the frame in which `running` was cleared (a close or quit message, or a frame
// that found no active scene); then everything is torn down in a fixed order:
// scenes, timer, input, device, renderer.
#pragma once
#include <cstdint>

#include "app/scene.h"
#include "scenes/scene_list.h"

enum class FrameDrawing { Drawn, Hidden, Skipped };

struct Application {
    bool running = false;
    SceneList scenes;
    uint32_t currentScene = 0;
    uint32_t requestedScene = 0;
    // Set when a screen starts the closing (the quit with a music fade). From then
    // on the program ends: screen requests are ignored, so no screen is entered
    // that would outlive the fade.
    bool closingStarted = false;
    // Where run() gets its scenes; tests put stand-ins here.
    SceneList (*createScenes)() = createDiskScenes;

    static Application& instance();

    void run();
    // Asks for another scene: the current one starts fading out now, the new one is
    // entered at the start of the next frame. Asking for the current scene does
    // nothing, and so does any request once the closing has started.
    void requestScene(uint32_t scene);
    // Ends the program the way Escape on the player does: the screen shown at the
    // start of the next frame fades out with the music. For remote control.
    void requestQuit();
    // Whether the program is on its way out: a quit was asked for, or a screen has
    // started closing. Remote commands are ignored from then on.
    bool quitting() const { return quitRequested || closingStarted; }

private:
    bool deviceLost = false;
    bool quitRequested = false;
    uint32_t frameDeadline = 0;  // tick at which the next frame starts

    void startUp();
    void runFrame();
    void recoverDevice();
    void switchScene();
    bool updateScenes();
    void paceFrame();
    void pumpMessages();
    bool windowHidden();
    FrameDrawing drawFrame();
    void presentFrame();
    void shutDown();
};

constexpr uint32_t LOGO_SCENE = 1;
constexpr uint32_t INTRO_SCENE = 2;
constexpr uint32_t MAIN_SCENE = 3;
constexpr uint32_t ABOUT_SCENE = 4;
constexpr uint32_t INFO_SCENE = 5;
