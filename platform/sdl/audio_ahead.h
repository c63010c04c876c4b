// audio_ahead: modules loaded on a worker thread before the system asks for them.
//
// Parsing a module and decoding its first blocks is most of loading it. main()
// knows the disk's modules before the window opens, and opening the window keeps
// one core busy loading the OpenGL driver for a couple of hundred milliseconds: a
// worker loads the modules meanwhile, one after another, and musicLoad takes each
// when it is asked for it. What musicLoad reports is the same either way: a module
// is handed out only for the same path and flags, while its file holds the bytes it
// was loaded from; anything else is loaded then, as if nothing had been done ahead.
// Without threads (the browser) nothing is loaded ahead.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio.h"

namespace audio_engine {

struct Channel;

class ModulesAhead {
public:
    // Starts the worker on the modules, in their order.
    void start(std::vector<audio::ModuleFile> modules);  // paths with slashes
    // The channel loaded ahead for path and flags, waiting for the worker to reach
    // it; null if there is none, the load failed, or the file now holds other
    // bytes. Each is handed out once; the caller owns it.
    Channel* take(const std::string& path, uint32_t flags);
    // Stops the worker after the module it is loading, and frees what was not taken.
    ~ModulesAhead();

private:
    struct Entry {
        audio::ModuleFile module;
        std::vector<unsigned char> bytes;
        Channel* channel = nullptr;
        bool taken = false;
    };
    std::vector<Entry> entries;
    std::mutex mutex;
    std::condition_variable progress;
    size_t loaded = 0;  // entries the worker is done with
    bool finished = false;
    bool stopping = false;
    std::thread worker;
};

} // namespace audio_engine
