// make_fuzz_seeds: writes the small media files of the audio target's seed
// corpus into a folder: a short MOD and XM, and a fraction of a second of sine in
// each sampled format the engine reads.
//
//   make_fuzz_seeds fuzz/corpus/fuzz_audio_load
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/test_media.h"
#include "tools/compose/module_writer.h"

namespace {

// Two channels, one 16-row pattern, a looped square and a decaying sine.
compose::Song tinySong()
{
    compose::Song song;
    song.title = "seed";
    song.channels = 2;
    song.speed = 3;
    for (int i = 0; i < 2; ++i) {
        compose::Instrument instrument;
        instrument.name = i == 0 ? "square" : "sine";
        compose::Sample& sample = instrument.sample;
        sample.name = instrument.name;
        for (int f = 0; f < 64; ++f)
            sample.data.push_back(i == 0 ? (f < 32 ? 0.5f : -0.5f)
                                         : float(std::sin(f * 2 * M_PI / 32) * std::exp(-f / 48.0)));
        sample.loopLength = i == 0 ? 64 : 0;
        sample.sixteenBit = i == 1;
        instrument.volumeEnvelope.points = {{0, 64}, {8, 32}, {32, 0}};
        song.instruments.push_back(instrument);
    }
    compose::Pattern pattern = compose::makePattern(16, 2);
    for (int row = 0; row < 16; row += 4) {
        compose::cellAt(pattern, row, 0) = compose::Cell{uint8_t(60 + row), 1, 48, 0, 0};
        compose::cellAt(pattern, row + 2, 1) = compose::Cell{uint8_t(72 - row), 2, compose::VOLUME_NONE,
                                                             compose::FX_VIBRATO, 0x34};
    }
    compose::cellAt(pattern, 15, 1).note = compose::NOTE_OFF;
    song.patterns.push_back(pattern);
    song.orders = {0};
    return song;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = writeTestMod((folder + "/seed.mod").c_str(), 0.5);
    std::vector<uint8_t> xm;
    std::string error;
    ok = ok && compose::writeXm(tinySong(), &xm, &error) && writeBytes(folder + "/seed.xm", xm);
    ok = ok && writeSineFile((folder + "/seed16.wav").c_str(), SoundFormat::Wav16, 440, 22050, 1, 0.02);
    ok = ok && writeSineFile((folder + "/seedfloat.wav").c_str(), SoundFormat::WavFloat, 440, 44100, 2, 0.01);
    ok = ok && writeSineFile((folder + "/seed.aiff").c_str(), SoundFormat::Aiff16, 440, 11025, 1, 0.03);
    ok = ok && writeSineFile((folder + "/seed.flac").c_str(), SoundFormat::Flac, 440, 8000, 1, 0.1);
    ok = ok && writeSineFile((folder + "/seed.ogg").c_str(), SoundFormat::OggVorbis, 440, 8000, 1, 0.2);
    ok = ok && writeSineFile((folder + "/seed.opus").c_str(), SoundFormat::Opus, 440, 8000, 1, 0.1);
    ok = ok && writeSineFile((folder + "/seed.mp3").c_str(), SoundFormat::Mp3, 440, 8000, 1, 0.1);
    if (!ok) {
        std::fprintf(stderr, "make_fuzz_seeds: cannot write the seeds into %s %s\n", folder.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
