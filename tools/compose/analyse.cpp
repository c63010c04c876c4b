#include "tools/compose/analyse.h"

#include "tools/compose/wave.h"

#include <kiss_fftr.h>
#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace compose {
namespace {

constexpr int FFT_SIZE = 512;
constexpr size_t MAX_FILE_BYTES = 64u << 20;
constexpr double MAX_RENDER_SECONDS = 30 * 60;  // a module that never ends is cut here

void collectLog(const char* message, void* user)
{
    if (message && user)
        static_cast<std::vector<std::string>*>(user)->push_back(message);
}

bool hasModuleExtension(const std::string& path)
{
    size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == "mod" || ext == "xm" || ext == "s3m" || ext == "it" || ext == "mptm";
}

float percentile(std::vector<float> values, double fraction)
{
    if (values.empty())
        return 0;
    size_t index = std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5));
    std::nth_element(values.begin(), values.begin() + long(index), values.end());
    return values[index];
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (data.size() + got > MAX_FILE_BYTES) {
            *error = path + " is too large";
            return false;
        }
        data.insert(data.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) {
        *error = "cannot read " + path;
        return false;
    }
    *bytes = std::move(data);
    return true;
}

bool renderModule(const std::vector<uint8_t>& file, std::vector<float>* stereo, std::vector<std::string>* warnings,
                  std::string* error)
{
    int code = 0;
    const char* message = nullptr;
    openmpt_module* module =
        openmpt_module_create_from_memory2(file.data(), file.size(), warnings ? collectLog : openmpt_log_func_silent,
                                           warnings, openmpt_error_func_ignore, nullptr, &code, &message, nullptr);
    if (!module) {
        *error = std::string("libopenmpt cannot load the module") + (message ? ": " + std::string(message) : "");
        openmpt_free_string(message);
        return false;
    }
    openmpt_free_string(message);
    std::vector<float> out;
    float block[2 * 1024];
    const size_t maxFrames = size_t(MAX_RENDER_SECONDS * ANALYSIS_RATE);
    size_t frames;
    while ((frames = openmpt_module_read_interleaved_float_stereo(module, ANALYSIS_RATE, 1024, block)) > 0 &&
           out.size() / 2 < maxFrames)
        out.insert(out.end(), block, block + 2 * frames);
    openmpt_module_destroy(module);
    *stereo = std::move(out);
    return true;
}

bool decodeSampled(const std::string& path, std::vector<float>* stereo, int* rate, std::string* error)
{
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        *error = "libsndfile cannot open " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels < 1 || info.channels > 8 || info.samplerate < 1000) {
        sf_close(file);
        *error = path + " has an unusable channel count or rate";
        return false;
    }
    std::vector<float> out;
    std::vector<float> block(size_t(4096 * info.channels));
    sf_count_t frames;
    while ((frames = sf_readf_float(file, block.data(), 4096)) > 0) {
        for (sf_count_t i = 0; i < frames; ++i) {
            const float* frame = &block[size_t(i * info.channels)];
            out.push_back(frame[0]);
            out.push_back(info.channels > 1 ? frame[1] : frame[0]);
        }
        if (out.size() / 2 > size_t(MAX_RENDER_SECONDS * info.samplerate))
            break;
    }
    sf_close(file);
    *stereo = std::move(out);
    *rate = info.samplerate;
    return true;
}

std::vector<float> spectrum512(const float* mono)
{
    std::unique_ptr<kiss_fftr_state, void (*)(void*)> config(kiss_fftr_alloc(FFT_SIZE, 0, nullptr, nullptr),
                                                             kiss_fftr_free);
    kiss_fft_scalar windowed[FFT_SIZE];
    kiss_fft_cpx bins[FFT_SIZE / 2 + 1];
    for (int i = 0; i < FFT_SIZE; ++i) {
        double hann = 0.5 - 0.5 * std::cos(2.0 * PI * i / FFT_SIZE);
        windowed[i] = float(mono[i] * hann);
    }
    kiss_fftr(config.get(), windowed, bins);
    // A sine of amplitude 1 on bin k gives |X[k]| = N/4 under a Hann window.
    std::vector<float> magnitudes(FFT_SIZE / 2);
    for (int k = 0; k < FFT_SIZE / 2; ++k)
        magnitudes[size_t(k)] = std::hypot(bins[k].r, bins[k].i) * (2.0f / FFT_SIZE);
    return magnitudes;
}

TrackStats measureTrack(const std::vector<float>& stereo, int rate)
{
    TrackStats stats;
    const size_t frames = stereo.size() / 2;
    stats.seconds = double(frames) / rate;
    double sumSquares = 0;
    std::vector<float> mono(frames);
    for (size_t i = 0; i < frames; ++i) {
        float left = stereo[2 * i], right = stereo[2 * i + 1];
        stats.peak = std::max({stats.peak, std::fabs(left), std::fabs(right)});
        sumSquares += double(left) * left + double(right) * right;
        mono[i] = 0.5f * (left + right);
    }
    stats.rms = frames ? float(std::sqrt(sumSquares / double(2 * frames))) : 0.0f;

    const size_t hop = size_t(rate) * 40 / 1000;
    std::vector<float> history[EQUALIZER_BINS];
    for (size_t start = 0; start + FFT_SIZE <= frames; start += hop) {
        std::vector<float> magnitudes = spectrum512(&mono[start]);
        for (int b = 0; b < EQUALIZER_BINS; ++b)
            history[b].push_back(magnitudes[size_t(b)]);
    }
    for (int b = 0; b < EQUALIZER_BINS; ++b) {
        stats.binMedian[b] = percentile(history[b], 0.5);
        stats.binP90[b] = percentile(history[b], 0.9);
    }
    return stats;
}

bool analyseFile(const std::string& path, TrackStats* stats, std::string* error)
{
    std::vector<float> stereo;
    int rate = ANALYSIS_RATE;
    if (hasModuleExtension(path)) {
        std::vector<uint8_t> bytes;
        if (!readWholeFile(path, &bytes, error) || !renderModule(bytes, &stereo, nullptr, error))
            return false;
    } else if (!decodeSampled(path, &stereo, &rate, error)) {
        return false;
    }
    *stats = measureTrack(stereo, rate);
    return true;
}

}  // namespace compose
