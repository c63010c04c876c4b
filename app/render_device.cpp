#include "app/render_device.h"

#include <memory>

#include "app/message_box.h"
#include "app/window.h"

static std::unique_ptr<RenderDevice> renderDevice;

RenderDevice& RenderDevice::instance()
{
    if (!renderDevice) {
        renderDevice.reset(new RenderDevice());
        renderDevice->width = 820;
        renderDevice->height = 320;
        renderDevice->windowHandle = createMainWindow(renderDevice->width, renderDevice->height);
        renderDevice->createDevice();
    }
    return *renderDevice;
}

void RenderDevice::destroy() { renderDevice.reset(); }

bool RenderDevice::exists() { return renderDevice != nullptr; }

static gpu::PresentParameters windowedParameters()
{
    gpu::PresentParameters p = {};
    p.backBufferWidth = 0;
    p.backBufferHeight = 0;
    p.backBufferFormat = gpu::FMT_X8R8G8B8;
    p.backBufferCount = 1;
    p.multiSampleType = gpu::MULTISAMPLE_NONE;
    p.multiSampleQuality = 0;
    p.swapEffect = gpu::SWAPEFFECT_DISCARD;
    p.deviceWindow = nullptr;
    p.windowed = 1;
    p.enableAutoDepthStencil = 1;
    p.autoDepthStencilFormat = gpu::FMT_D24X8;
    p.flags = 0;
    p.fullScreenRefreshRateInHz = 0;
    p.presentationInterval = gpu::PRESENT_INTERVAL_DEFAULT;
    return p;
}

void RenderDevice::createDevice()
{
    gpu::Gpu& g = gpu::gpu();
    direct3d = g.create(gpu::SDK_VERSION);
    if (!direct3d) {
        // Without the graphics object there can be no device: the program runs on
        // without drawing, like any frame without a device, and can still be closed.
        showMessage("Please install the correct version of Direct3D 9", windowHandle);
    } else {
        gpu::DeviceCaps caps = {};
        if (gpu::failed(g.getDeviceCaps(direct3d, gpu::ADAPTER_DEFAULT, gpu::DEVTYPE_HAL, &caps)))
            showMessage("Failed to query device capabilities", windowHandle);
        presentParameters = windowedParameters();
        gpu::PresentParameters parameters = presentParameters;
        if (gpu::failed(g.createDevice(direct3d, gpu::ADAPTER_DEFAULT, gpu::DEVTYPE_HAL, windowHandle,
                                       gpu::CREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device))) {
            device = nullptr;
            showMessage("Failed to create Direct3D Device", windowHandle);
        }
    }
    os::os().showWindow(windowHandle, os::SW_SHOWNORMAL);
    os::os().updateWindow(windowHandle);
}

void RenderDevice::release()
{
    if (device) {
        gpu::gpu().release(device);
        device = nullptr;
    }
    if (direct3d) {
        gpu::gpu().release(direct3d);
        direct3d = nullptr;
    }
    unregisterMainWindowClass();
}
