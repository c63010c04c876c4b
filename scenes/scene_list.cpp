#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "platform/os.h"

namespace {

// Stands in for the disk's screens until they exist: a blank screen that fades in
// and fades out on Escape, ending the program.
class BlankScene : public Scene {
public:
    void enter() override { startFadeIn(*this, fade); }
    void leave() override { startFadeOut(fade); }
    void update() override
    {
        stepFade(*this, fade, FrameTimer::instance().delta);
        if (!fade.fadingOut && InputState::instance().keyReleased(os::VK_ESCAPE))
            leave();
    }

private:
    SceneFade fade = {};
};

} // namespace

SceneList createDiskScenes()
{
    SceneList scenes;
    for (auto& scene : scenes)
        scene = std::make_unique<BlankScene>();
    return scenes;
}
