#include "platform/sdl/audio_ahead.h"

#include <pthread.h>

#include <system_error>

#include "platform/sdl/audio_channel.h"

namespace audio_engine {

void ModulesAhead::start(std::vector<audio::ModuleFile> modules)
{
#if MUSICDISK_AUDIO_THREADS
    if (modules.empty() || worker.joinable())
        return;
    entries.resize(modules.size());
    for (size_t i = 0; i < modules.size(); ++i)
        entries[i].module = std::move(modules[i]);
    try {
        worker = std::thread([this] {
            pthread_setname_np(pthread_self(), "modules-ahead");
            for (size_t i = 0; i < entries.size(); ++i) {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (stopping)
                        break;
                }
                // Only this thread touches entry i until `loaded` passes it.
                Entry& entry = entries[i];
                if (readModuleFile(entry.module.path.c_str(), entry.bytes))
                    entry.channel = openModuleMemory(entry.bytes.data(), entry.bytes.size(), entry.module.flags);
                std::lock_guard<std::mutex> lock(mutex);
                loaded = i + 1;
                progress.notify_all();
            }
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
            progress.notify_all();
        });
    } catch (const std::system_error&) {
        entries.clear();  // no thread: every module loads when asked for
    }
#else
    (void)modules;
#endif
}

Channel* ModulesAhead::take(const std::string& path, uint32_t flags)
{
    for (size_t i = 0; i < entries.size(); ++i) {
        Entry& entry = entries[i];
        if (entry.taken || entry.module.path != path || entry.module.flags != flags)
            continue;
        {
            std::unique_lock<std::mutex> lock(mutex);
            progress.wait(lock, [&] { return loaded > i || finished; });
            if (loaded <= i)
                return nullptr;
        }
        entry.taken = true;
        Channel* channel = entry.channel;
        entry.channel = nullptr;
        std::vector<unsigned char> now;
        if (channel && (!readModuleFile(path.c_str(), now) || now != entry.bytes)) {
            destroyChannel(channel);
            channel = nullptr;
        }
        std::vector<unsigned char>().swap(entry.bytes);
        return channel;
    }
    return nullptr;
}

ModulesAhead::~ModulesAhead()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    if (worker.joinable())
        worker.join();
    for (Entry& entry : entries)
        if (entry.channel)
            destroyChannel(entry.channel);
}

} // namespace audio_engine
