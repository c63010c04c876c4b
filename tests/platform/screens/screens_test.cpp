// The five screens rendered by the real graphics service (offscreen SDL video,
// Mesa's software OpenGL) from the bundled disk, compared with committed
// reference images.
//
// Everything is real except the clock: the window system service is wrapped so
// that its tick count stands still, which fixes the frame timer and the bubble
// seeds, and each screen is drawn from a set timer state. The equalizer shows a
// fixed spectrum rather than whatever the music plays at that moment.
//
// MUSICDISK_UPDATE_REFERENCES=1 writes the references instead of comparing
// (tests/platform/screens/update_references.sh). A mismatch writes the frame to
// the temporary folder as NAME.actual.png.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "gui/font.h"
#include "gui/gui_renderer.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_gpu.h"
#include "platform/sdl/sdl_os.h"
#include "scenes/about_scene.h"
#include "scenes/equalizer.h"
#include "scenes/main_scene.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb_image.h>
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

const char* const REFERENCE_FOLDER = "tests/platform/screens/reference/";
constexpr uint32_t FIXED_TICKS = 100000;

// The real window system with a clock that stands still.
class StillClockOs : public os::Os {
public:
    explicit StillClockOs(os::Os* real) : real(real) {}
    uint32_t tickCount() override { return FIXED_TICKS; }
    void sleep(uint32_t) override {}
    int messageBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t type) override
    {
        return real->messageBox(owner, text, caption, type);
    }
    uint16_t registerClass(const os::WindowClass& windowClass) override { return real->registerClass(windowClass); }
    bool unregisterClass(const char* className) override { return real->unregisterClass(className); }
    os::WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x,
                                  int y, int width, int height) override
    {
        return real->createWindow(exStyle, className, title, style, x, y, width, height);
    }
    bool showWindow(os::WindowHandle window, int command) override { return real->showWindow(window, command); }
    bool updateWindow(os::WindowHandle window) override { return real->updateWindow(window); }
    bool isIconic(os::WindowHandle window) override { return real->isIconic(window); }
    bool isWindowVisible(os::WindowHandle window) override { return real->isWindowVisible(window); }
    bool cursorPosition(os::Point* point) override { return real->cursorPosition(point); }
    bool peekMessage(os::Message* message) override { return real->peekMessage(message); }
    bool translateMessage(const os::Message& message) override { return real->translateMessage(message); }
    os::LResult dispatchMessage(const os::Message& message) override { return real->dispatchMessage(message); }
    os::LResult sendMessage(os::WindowHandle window, uint32_t message, os::WParam wParam,
                            os::LParam lParam) override
    {
        return real->sendMessage(window, message, wParam, lParam);
    }
    os::LResult defaultWindowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam,
                                       os::LParam lParam) override
    {
        return real->defaultWindowProcedure(window, message, wParam, lParam);
    }
    void postQuitMessage(int exitCode) override { real->postQuitMessage(exitCode); }

private:
    os::Os* real;
};

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

bool updatingReferences()
{
    const char* update = std::getenv("MUSICDISK_UPDATE_REFERENCES");
    return update && *update && std::string(update) != "0";
}

Image loadPng(const std::string& path)
{
    Image image;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &image.width, &image.height, &channels, 4);
    if (pixels) {
        image.rgba.assign(pixels, pixels + size_t(image.width) * size_t(image.height) * 4);
        stbi_image_free(pixels);
    }
    return image;
}

bool writePng(const std::string& path, const Image& image)
{
    return stbi_write_png(path.c_str(), image.width, image.height, 4, image.rgba.data(), image.width * 4) != 0;
}

// Within tolerance: the mean absolute difference of every channel is below 2, and
// fewer than 0.5 % of the pixels differ by more than 32 in any channel (so a few
// edge pixels rasterised differently do not fail the test, a moved quad does).
::testing::AssertionResult similar(const Image& actual, const Image& expected)
{
    if (actual.width != expected.width || actual.height != expected.height)
        return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height << ", expected "
                                             << expected.width << "x" << expected.height;
    size_t pixels = size_t(actual.width) * size_t(actual.height);
    double sums[4] = {};
    size_t differing = 0;
    for (size_t p = 0; p < pixels; ++p) {
        int worst = 0;
        for (int c = 0; c < 4; ++c) {
            int d = std::abs(int(actual.rgba[p * 4 + c]) - int(expected.rgba[p * 4 + c]));
            sums[c] += d;
            worst = std::max(worst, d);
        }
        differing += worst > 32 ? 1 : 0;
    }
    double fraction = double(differing) / double(pixels);
    bool meansOk = true;
    for (double sum : sums)
        meansOk = meansOk && sum / double(pixels) < 2.0;
    if (meansOk && fraction < 0.005)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "mean differences " << sums[0] / double(pixels) << " "
                                         << sums[1] / double(pixels) << " " << sums[2] / double(pixels) << " "
                                         << sums[3] / double(pixels) << ", " << fraction * 100.0
                                         << " % of pixels off by more than 32";
}

class ScreensTest : public ::testing::Test {
protected:
    // The program's start-up, once for all screens, without the main loop. Each
    // test updates only its own screen, so the screens do not disturb each other.
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        // The window system service is never deleted: deleting it stops SDL video,
        // which unloads Mesa's driver, and the leak checker then reports the
        // driver's own allocations, whose owners were unloaded with it.
        static os::Os* realOs = createSdlOs();
        clockOs = new StillClockOs(realOs);
        graphics = createSdlGpu();
        music = createSdlAudio();
        os::installOs(clockOs);
        gpu::installGpu(graphics);
        audio::installAudio(music);
        RenderDevice::instance();
        GuiRenderer::instance();
        scenes = new SceneList(createDiskScenes());
    }

    static void TearDownTestSuite()
    {
        delete scenes;  // scene 0 first: frees the tracks and the atlas
        scenes = nullptr;
        FrameTimer::destroy();
        InputState::destroy();
        RenderDevice::instance().release();
        RenderDevice::destroy();
        GuiRenderer::instance().shutdown();
        GuiRenderer::destroy();
        audio::installAudio(nullptr);
        gpu::installGpu(nullptr);
        os::installOs(nullptr);
        delete music;
        delete graphics;
        delete clockOs;
    }

    void SetUp() override
    {
        ASSERT_NE(RenderDevice::instance().device, nullptr);
        ASSERT_NE(skinTexture, nullptr) << "data/velta.png";
        ASSERT_NE(fontTexture, nullptr) << "data/font.png";
        ASSERT_GT(musicLibrary.trackCount, 0) << "data/disk.cfg";
    }

    // Enters scene n as the only current scene and runs one update of delta seconds
    // at the given time since start-up (a delta of 1 completes the fade-in).
    void show(uint32_t n, float elapsed, float delta = 1.0f)
    {
        Application& app = Application::instance();
        app.scenes = std::move(*scenes);
        app.currentScene = n;
        app.requestedScene = n;
        FrameTimer& timer = FrameTimer::instance();
        timer.elapsed = elapsed;
        timer.delta = delta;
        app.scenes[n]->enter();
        spriteBatch->discardFrame();
        app.scenes[n]->update();
        *scenes = std::move(app.scenes);
    }

    // Draws the submitted quads as the main loop does and reads the frame back.
    Image render()
    {
        gpu::Device* device = RenderDevice::instance().device;
        Image image;
        EXPECT_EQ(gpu::gpu().beginScene(device), gpu::OK);
        gpu::gpu().clear(device, 0, nullptr, 3, 0x00000000, 1.0f, 0);
        GuiRenderer::instance().render();
        gpu::gpu().endScene(device);
        EXPECT_TRUE(sdlReadBackBuffer(device, &image.width, &image.height, &image.rgba));
        gpu::gpu().present(device);
        return image;
    }

    void compareWithReference(const std::string& name, const Image& frame)
    {
        ASSERT_FALSE(frame.rgba.empty());
        std::string path = std::string(REFERENCE_FOLDER) + name + ".png";
        if (updatingReferences()) {
            ASSERT_TRUE(writePng(path, frame)) << path;
            return;
        }
        Image reference = loadPng(path);
        ASSERT_FALSE(reference.rgba.empty()) << "no reference " << path << "; run update_references.sh";
        ::testing::AssertionResult result = similar(frame, reference);
        if (!result) {
            std::string actualPath = (std::filesystem::temp_directory_path() / (name + ".actual.png")).string();
            writePng(actualPath, frame);
            ADD_FAILURE() << name << ": " << result.message() << " (frame written to " << actualPath << ")";
        }
    }

    static inline StillClockOs* clockOs = nullptr;
    static inline gpu::Gpu* graphics = nullptr;
    static inline audio::Audio* music = nullptr;
    static inline SceneList* scenes = nullptr;
};

TEST_F(ScreensTest, Logo)
{
    show(LOGO_SCENE, 1.5f);
    compareWithReference("logo", render());
}

TEST_F(ScreensTest, Intro)
{
    show(INTRO_SCENE, 4.5f);
    compareWithReference("intro", render());
}

TEST_F(ScreensTest, Player)
{
    // A falling spectrum, drawn as it stands: no fetch in this frame.
    for (int c = 0; c < EQUALIZER_COLUMNS; ++c)
        spectrum[c] = float(EQUALIZER_COLUMNS - c) / float(EQUALIZER_COLUMNS) * 0.16f;
    lastSpectrumTime = 8.0f;
    musicLibrary.titleScroll[size_t(musicLibrary.currentTrack)] = -0.3f;
    musicLibrary.volumeLevel = 7;
    show(MAIN_SCENE, 8.0f);
    compareWithReference("player", render());
}

TEST_F(ScreensTest, About)
{
    aboutScrollOffset = 0.3f;
    aboutScrollSpeed = -0.08f;
    show(ABOUT_SCENE, 9.0f);
    compareWithReference("about", render());
}

TEST_F(ScreensTest, Information)
{
    show(INFO_SCENE, 9.0f);
    compareWithReference("info", render());
}

} // namespace
