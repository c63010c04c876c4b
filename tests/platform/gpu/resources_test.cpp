// Textures and effects from files: the formats that load, and the files that must
// fail cleanly (a negative code and no object).
#include "gpu_fixture.h"
#include "platform/sdl/gpu_internal.h"

#include <fstream>
#include <sstream>

namespace {

class Resources : public GpuTest {
protected:
    gpu::Result loadEffect(const std::string& text, gpu::Effect** out = nullptr)
    {
        gpu::Effect* loaded = reinterpret_cast<gpu::Effect*>(1);
        gpu::Result result = service->createEffectFromFile(device, writeBytes("test.fx", text).c_str(), &loaded);
        if (gpu::failed(result)) {
            EXPECT_EQ(loaded, nullptr);
        }
        if (out)
            *out = loaded;
        else if (!gpu::failed(result))
            service->release(loaded);
        return result;
    }
};

std::string littleEndian(uint32_t v, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; i++)
        out += char(v >> (8 * i));
    return out;
}


std::string bmpHeader(uint32_t width, uint32_t height)
{
    return "BM" + littleEndian(54, 4) + littleEndian(0, 4) + littleEndian(54, 4) + littleEndian(40, 4) +
           littleEndian(width, 4) + littleEndian(height, 4) + littleEndian(1, 2) + littleEndian(32, 2) +
           std::string(24, '\0');
}

const char* const goodShaders = R"(
        vertex_shader {{{
            layout(location = 0) in vec3 position;
            out vec2 uv;
            void main() { uv = position.xy; gl_Position = vec4(position, 1.0); }
        }}}
        pixel_shader {{{
            uniform sampler2D texture_0;
            in vec2 uv;
            out vec4 pixel;
            void main() { pixel = texture(texture_0, uv); }
        }}})";

TEST_F(Resources, EveryImageFormatLoads)
{
    std::vector<uint8_t> rgba = solid(8, 4, {10, 200, 30, 255});
    for (const char* name : {"a.png", "a.bmp", "a.tga", "a.jpg"})
        EXPECT_EQ(loadTexture(writeImage(name, 8, 4, rgba)), gpu::OK) << name;
    EXPECT_EQ(loadTexture("data/font.png"), gpu::OK);
}

// A released texture gives its OpenGL texture back at once, mip chain and all.
TEST_F(Resources, AReleasedTextureIsGoneFromOpenGl)
{
    gpu::Texture* texture = nullptr;
    ASSERT_EQ(loadTexture(writeImage("a.png", 64, 32, solid(64, 32, {1, 2, 3, 255})), &texture), gpu::OK);
    GLuint name = texture->name;
    ASSERT_TRUE(glIsTexture(name));
    textures.erase(std::find(textures.begin(), textures.end(), texture));
    service->release(texture);
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(Resources, BadImageFilesFailCleanly)
{
    std::string png;
    {
        std::ifstream file(writeImage("whole.png", 32, 32, solid(32, 32, {1, 2, 3, 255})), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        png = bytes.str();
    }
    EXPECT_TRUE(gpu::failed(loadTexture(tempPath("missing.png"))));
    EXPECT_TRUE(gpu::failed(loadTexture(folder)));  // a folder, not a file
    EXPECT_TRUE(gpu::failed(loadTexture(writeBytes("empty.png", ""))));
    EXPECT_TRUE(gpu::failed(loadTexture(writeBytes("truncated.png", png.substr(0, png.size() / 2)))));
    EXPECT_TRUE(gpu::failed(loadTexture(writeBytes("header.png", png.substr(0, 40)))));
    EXPECT_TRUE(gpu::failed(loadTexture(writeBytes("text.png", "this is not an image at all, just words"))));
    std::string flipped = png;
    for (size_t i = 60; i < flipped.size(); i += 7)
        flipped[i] = char(~flipped[i]);
    EXPECT_TRUE(gpu::failed(loadTexture(writeBytes("corrupt.png", flipped))));
}

TEST_F(Resources, ImagesLargerThanTheDeviceTakesAreRefusedBeforeDecoding)
{
    gpu::DeviceCaps caps = {};
    ASSERT_EQ(service->getDeviceCaps(direct3d, gpu::ADAPTER_DEFAULT, gpu::DEVTYPE_HAL, &caps), gpu::OK);
    // Headers alone: decoding would fail later, but the size check must come first.
    EXPECT_EQ(loadTexture(writeBytes("wide.png", pngHeader(caps.maxTextureWidth + 1, 1))), gpu::NOTAVAILABLE);
    EXPECT_EQ(loadTexture(writeBytes("tall.bmp", bmpHeader(1, caps.maxTextureHeight + 1))), gpu::NOTAVAILABLE);
    EXPECT_EQ(loadTexture(writeBytes("huge.bmp", bmpHeader(16384, 16384))), gpu::NOTAVAILABLE);
}

TEST_F(Resources, BadEffectFilesFailCleanly)
{
    gpu::Effect* loaded = reinterpret_cast<gpu::Effect*>(1);
    EXPECT_TRUE(gpu::failed(service->createEffectFromFile(device, tempPath("missing.fx").c_str(), &loaded)));
    EXPECT_EQ(loaded, nullptr);
    EXPECT_TRUE(gpu::failed(loadEffect("")));
    EXPECT_TRUE(gpu::failed(loadEffect(std::string("texture texture_0;\0technique", 28))));
    EXPECT_TRUE(gpu::failed(loadEffect("texture texture_0;\ntechnique GUI { pass P0 { blend = maybe; } }")));

    std::string compileError = std::string("texture texture_0; technique GUI { pass P0 {") + goodShaders + " } }";
    compileError.replace(compileError.find("texture(texture_0, uv)"), 22, "undefined_function(uv)");
    EXPECT_TRUE(gpu::failed(loadEffect(compileError)));

    std::string linkError = std::string("texture texture_0; technique GUI { pass P0 {") + goodShaders + " } }";
    linkError.replace(linkError.find("void main() { pixel"), 11, "void entry()");
    EXPECT_TRUE(gpu::failed(loadEffect(linkError)));

    EXPECT_EQ(loadEffect(std::string("texture texture_0; technique GUI { pass P0 {") + goodShaders + " } }"), gpu::OK);
}

TEST_F(Resources, TechniquesPassesAndParametersAreFoundByName)
{
    EXPECT_EQ(service->getTechniqueByName(effect, "Missing"), nullptr);
    EXPECT_EQ(service->getTechniqueByName(effect, "gui"), nullptr);
    EXPECT_TRUE(gpu::failed(service->setTechnique(effect, nullptr)));
    EXPECT_EQ(service->setTexture(effect, "texture_1", nullptr), gpu::INVALIDCALL);

    gpu::Effect* two = nullptr;
    std::string text = std::string("texture texture_0;\ntechnique Empty { }\ntechnique Two {\n pass A {") +
                       goodShaders + "\n }\n pass B {" + goodShaders + "\n }\n}";
    ASSERT_EQ(loadEffect(text, &two), gpu::OK);
    uint32_t passes = 99;
    ASSERT_EQ(service->begin(two, &passes, 0), gpu::OK);  // the first technique is current
    EXPECT_EQ(passes, 0u);
    EXPECT_TRUE(gpu::failed(service->beginPass(two, 0)));
    EXPECT_EQ(service->end(two), gpu::OK);

    EXPECT_TRUE(gpu::failed(service->setTechnique(two, technique)));  // another effect's handle
    ASSERT_EQ(service->setTechnique(two, service->getTechniqueByName(two, "Two")), gpu::OK);
    ASSERT_EQ(service->begin(two, &passes, 0), gpu::OK);
    EXPECT_EQ(passes, 2u);
    EXPECT_TRUE(gpu::failed(service->begin(two, &passes, 0)));
    EXPECT_EQ(service->beginPass(two, 1), gpu::OK);
    EXPECT_TRUE(gpu::failed(service->beginPass(two, 0)));  // the pass is still open
    EXPECT_EQ(service->endPass(two), gpu::OK);
    EXPECT_TRUE(gpu::failed(service->beginPass(two, 2)));
    EXPECT_EQ(service->end(two), gpu::OK);
    EXPECT_TRUE(gpu::failed(service->end(two)));
    service->release(two);
}

} // namespace
