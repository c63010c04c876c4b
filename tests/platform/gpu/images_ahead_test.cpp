// Image files the service decodes ahead on worker threads: asking for their
// textures later gives what decoding on demand gives, the same picture and the
// same failures, even when a file was rewritten in between.
#include "gpu_fixture.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const Pixel ORANGE = {240, 120, 30, 255};
const Pixel RED = {220, 20, 20, 255};
const Pixel BLUE = {20, 40, 230, 255};

// Broken files, each written twice: "ahead_NAME" is decoded ahead, "plain_NAME"
// only on demand. Empty contents stand for no file at all.
struct BrokenFile {
    const char* name;
    std::string bytes;
};

class ImagesAhead : public GpuTest {
protected:
    std::vector<BrokenFile> broken()
    {
        std::string png = readBytes(writeImage("whole.png", 32, 32, solid(32, 32, {1, 2, 3, 255})));
        return {{"empty.png", ""},
                {"missing.png", ""},
                {"text.png", "this is not an image at all, just words"},
                {"truncated.png", png.substr(0, png.size() / 2)},
                {"wide.png", pngHeader(100000, 1)}};
    }

    std::vector<std::string> imagesToDecodeAhead() override
    {
        std::vector<std::string> paths = {writeImage("orange.png", 37, 19, solid(37, 19, ORANGE)),
                                          writeImage("rewritten.png", 16, 16, solid(16, 16, RED)),
                                          tempPath("never_asked_for.png")};
        writeImage("never_asked_for.png", 512, 512, solid(512, 512, BLUE));
        writeImage("plain_orange.png", 37, 19, solid(37, 19, ORANGE));
        for (const BrokenFile& file : broken()) {
            paths.push_back(tempPath(std::string("ahead_") + file.name));
            if (std::string(file.name) != "missing.png") {
                writeBytes(std::string("ahead_") + file.name, file.bytes);
                writeBytes(std::string("plain_") + file.name, file.bytes);
            }
        }
        return paths;
    }

    static std::string readBytes(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }

    // The texture drawn over a large square and squeezed into 6 x 6 pixels (its
    // smallest mip levels): the two centre pixels.
    std::pair<Pixel, Pixel> drawn(gpu::Texture* texture)
    {
        drawFrame({{-0.5f, -0.5f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, texture},
                   {0.6f, 0.6f, 6.0f / 410, 6.0f / 160, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, texture}});
        return {at(0.0f, 0.0f), at(0.6f + 3.0f / 410, 0.6f + 3.0f / 160)};
    }
};

TEST_F(ImagesAhead, TextureDrawsAsOneDecodedOnDemand)
{
    gpu::Texture* ahead = nullptr;
    gpu::Texture* plain = nullptr;
    ASSERT_EQ(loadTexture(tempPath("orange.png"), &ahead), gpu::OK);
    ASSERT_EQ(loadTexture(tempPath("plain_orange.png"), &plain), gpu::OK);
    auto [aheadLarge, aheadSmall] = drawn(ahead);
    auto [plainLarge, plainSmall] = drawn(plain);
    EXPECT_TRUE(near(aheadLarge, ORANGE));
    EXPECT_TRUE(near(aheadSmall, ORANGE));
    EXPECT_TRUE(near(aheadLarge, plainLarge, 0));
    EXPECT_TRUE(near(aheadSmall, plainSmall, 0));
    // An image is handed out once: asking again decodes the file again.
    ASSERT_EQ(loadTexture(tempPath("orange.png"), &ahead), gpu::OK);
    EXPECT_TRUE(near(drawn(ahead).first, ORANGE));
}

// The same size and the same file length, so only the bytes tell the versions
// apart; whether the worker read the old or the new file, the new one is drawn.
TEST_F(ImagesAhead, FileRewrittenAfterwardsIsDecodedAgain)
{
    usleep(100000);  // most likely the worker has read the red version by now
    writeImage("rewritten.png", 16, 16, solid(16, 16, BLUE));
    gpu::Texture* texture = nullptr;
    ASSERT_EQ(loadTexture(tempPath("rewritten.png"), &texture), gpu::OK);
    EXPECT_TRUE(near(drawn(texture).first, BLUE));
}

TEST_F(ImagesAhead, BrokenFilesFailAsTheyDoOnDemand)
{
    for (const BrokenFile& file : broken()) {
        SCOPED_TRACE(file.name);
        gpu::Result ahead = loadTexture(tempPath(std::string("ahead_") + file.name));
        gpu::Result plain = loadTexture(tempPath(std::string("plain_") + file.name));
        EXPECT_TRUE(gpu::failed(ahead));
        EXPECT_EQ(ahead, plain);
    }
    EXPECT_EQ(loadTexture(tempPath("ahead_wide.png")), gpu::NOTAVAILABLE);
}

} // namespace
