#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "tools/compose/analyse.h"
#include "tools/compose/ogg_writer.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

std::vector<float> chord(size_t frames)
{
    std::vector<float> stereo(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / 44100;
        stereo[2 * i] = float(0.3 * std::sin(2 * PI * 220 * t) + 0.2 * std::sin(2 * PI * 330 * t));
        stereo[2 * i + 1] = float(0.3 * std::sin(2 * PI * 277 * t));
    }
    return stereo;
}

uint32_t serialOfPageAt(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint32_t(bytes[at + 14]) | uint32_t(bytes[at + 15]) << 8 | uint32_t(bytes[at + 16]) << 16 |
        uint32_t(bytes[at + 17]) << 24;
}

TEST(OggWriter, EncodingIsReproducibleAndDecodes)
{
    std::vector<float> audio = chord(44100);
    std::vector<uint8_t> first, second;
    std::string error;
    ASSERT_TRUE(encodeOggVorbis(audio, 44100, 0.4, &first, &error)) << error;
    ASSERT_TRUE(encodeOggVorbis(audio, 44100, 0.4, &second, &error)) << error;
    EXPECT_EQ(first, second);

    // Every page carries the fixed serial; libvorbisfile checks each page's CRC
    // when decoding, so a wrong checksum would lose audio.
    size_t pages = 0;
    for (size_t at = 0; at + 27 < first.size(); ++pages) {
        EXPECT_EQ(serialOfPageAt(first, at), serialOfPageAt(first, 0));
        size_t segments = first[at + 26], body = 0;
        for (size_t i = 0; i < segments; ++i)
            body += first[at + 27 + i];
        at += 27 + segments + body;
    }
    EXPECT_GE(pages, 3u);

    std::string path = ::testing::TempDir() + "chord.ogg";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(first.data(), 1, first.size(), file);
    std::fclose(file);
    std::vector<float> decoded;
    int rate = 0;
    ASSERT_TRUE(decodeSampled(path, &decoded, &rate, &error)) << error;
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(decoded.size(), audio.size());
    TrackStats stats = measureTrack(decoded, rate);
    EXPECT_NEAR(stats.peak, 0.5f, 0.05f);
}

TEST(OggWriter, SerialRewriteRefusesWhatIsNotOgg)
{
    std::vector<uint8_t> empty;
    EXPECT_FALSE(setOggSerial(empty, 1));
    std::vector<uint8_t> text(100, 'x');
    EXPECT_FALSE(setOggSerial(text, 1));

    std::vector<uint8_t> encoded;
    std::string error;
    ASSERT_TRUE(encodeOggVorbis(chord(4410), 44100, 0.4, &encoded, &error)) << error;
    std::vector<uint8_t> cut(encoded.begin(), encoded.end() - 10);
    EXPECT_FALSE(setOggSerial(cut, 1));
    std::vector<uint8_t> headerOnly(encoded.begin(), encoded.begin() + 20);
    EXPECT_FALSE(setOggSerial(headerOnly, 1));
    EXPECT_TRUE(setOggSerial(encoded, 0x12345678));
    EXPECT_EQ(serialOfPageAt(encoded, 0), 0x12345678u);
}

}  // namespace
}  // namespace compose
