#include "gui/gui_renderer.h"

#include <memory>

#include "app/message_box.h"
#include "app/render_device.h"
#include "gui/font.h"

static std::unique_ptr<GuiRenderer> renderer;

static void loadFont(gpu::Device* device)
{
    if (!device)
        return;
    if (gpu::failed(gpu::gpu().createTextureFromFile(device, FONT_FILE, &fontTexture))) {
        fontTexture = nullptr;
        showMessage("Failed to create default font");
        os::os().postQuitMessage(0);
    }
}

GuiRenderer& GuiRenderer::instance()
{
    if (!renderer) {
        renderer.reset(new GuiRenderer());
        gpu::Device* device = RenderDevice::instance().device;
        renderer->batch = new SpriteBatch(device);
        renderer->batch->screenWidth = float(RenderDevice::instance().width);
        renderer->batch->screenHeight = float(RenderDevice::instance().height);
        spriteBatch = renderer->batch;
        loadFont(device);
    }
    return *renderer;
}

void GuiRenderer::destroy() { renderer.reset(); }

void GuiRenderer::shutdown()
{
    if (fontTexture) {
        gpu::gpu().release(fontTexture);
        fontTexture = nullptr;
    }
    batch->release();
    delete batch;
    batch = nullptr;
    spriteBatch = nullptr;
}
