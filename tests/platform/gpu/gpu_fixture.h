// The fixture of the graphics service tests: a hidden 820 x 320 SDL window on the
// offscreen video driver with Mesa's software renderer, the real service, a device
// made with the program's presentation parameters, and helpers that draw quads the
// way the GUI renderer does (declaration, dynamic vertex buffer locked with
// discard, 16- or 32-bit index buffer, data/gui.fx, texture_0) and read pixels back.
#pragma once
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu.h"

struct Quad {
    float x, y, width, height;  // screen units, y up
    float depth;
    float r, g, b, a;
    gpu::Texture* texture;
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
    bool counterClockwise = false;  // emit the two triangles in the other winding
    bool mipmapped = true;          // false: drawn after setMipmapping(device, 0, false)
};

struct Pixel {
    int r, g, b, a;
};

class GpuTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static gpu::PresentParameters programParameters();
    // Image files the service is told to decode ahead; called by SetUp before the
    // service exists (the temporary folder already does).
    virtual std::vector<std::string> imagesToDecodeAhead() { return {}; }

    // A texture from a file: a failure must leave no object; a texture is released
    // with the fixture.
    gpu::Result loadTexture(const std::string& path, gpu::Texture** out = nullptr);

    // Clears to black, draws the quads in order in one scene and reads the frame back.
    void drawFrame(const std::vector<Quad>& quads, bool index32 = false);
    gpu::Result drawQuads(const std::vector<Quad>& quads, bool index32);
    void readBack();
    // The pixel under screen point (x, y), in screen units.
    Pixel at(float x, float y) const;

    // Files written into a fresh temporary folder; images in the format the name's
    // extension says (png, bmp, tga, jpg).
    std::string writeImage(const std::string& name, int width, int height, const std::vector<uint8_t>& rgba);
    std::string writeBytes(const std::string& name, const std::string& bytes);
    std::string tempPath(const std::string& name) const;

    gpu::Gpu* service = nullptr;
    SDL_Window* window = nullptr;
    gpu::Direct3D* direct3d = nullptr;
    gpu::Device* device = nullptr;
    gpu::VertexDeclaration* declaration = nullptr;
    gpu::Effect* effect = nullptr;
    gpu::TechniqueHandle technique = nullptr;
    std::vector<gpu::VertexBuffer*> vertexBuffers;
    std::vector<gpu::IndexBuffer*> indexBuffers;
    std::vector<gpu::Texture*> textures;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> frame;
    std::string folder;
};

::testing::AssertionResult near(Pixel actual, Pixel expected, int tolerance = 3);
std::vector<uint8_t> solid(int width, int height, Pixel colour);
// Just the signature and header chunk of a PNG: what stb_image reads to learn the size.
std::string pngHeader(uint32_t width, uint32_t height);
void paint(std::vector<uint8_t>* rgba, int width, int x, int y, Pixel colour);
