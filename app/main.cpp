// The program's entry point: installs the real platform services and runs the
// disk. It takes no arguments and always ends with exit code 0.
#include <memory>

#include "app/application.h"
#include "disk/global_initialization.h"
#include "gui/gui_renderer.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_gpu.h"
#include "platform/sdl/sdl_os.h"

int main()
{
    std::unique_ptr<os::Os> system(createSdlOs());
    // The atlases decode on worker threads while the window opens.
    std::unique_ptr<gpu::Gpu> graphics(createSdlGpu({FONT_FILE, ARTWORK_FILE}));
    std::unique_ptr<audio::Audio> music(createSdlAudio());
    os::installOs(system.get());
    gpu::installGpu(graphics.get());
    audio::installAudio(music.get());

    Application::instance().run();

    audio::installAudio(nullptr);
    gpu::installGpu(nullptr);
    os::installOs(nullptr);
    return 0;
}
