// RenderDevice: owns the main window and the graphics device everything is drawn on.
//
// Created by the main loop before anything else: it creates the window, then the
// graphics object and a windowed device whose back buffer is the client area, and
// only then shows the window. It keeps the presentation parameters so that the main
// loop can reset the device with a copy of them after a loss. `width` and `height`
// are the window's outer size, which every screen uses as its pixel size.
#pragma once
#include "platform/gpu.h"
#include "platform/os.h"

struct RenderDevice {
    os::WindowHandle windowHandle = nullptr;
    gpu::Direct3D* direct3d = nullptr;
    gpu::Device* device = nullptr;
    gpu::PresentParameters presentParameters = {};
    int32_t width = 0;
    int32_t height = 0;

    static RenderDevice& instance();
    static void destroy();
    static bool exists();

    void createDevice();
    void release();
    float aspect() const { return float(width) / float(height); }
};
