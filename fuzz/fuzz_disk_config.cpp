// Fuzz target: the content-file reader on any bytes, read the way start-up reads
// it (count, three lines per track, scroll text), checking what the reader
// promises: a bounded count, lines without line ends, a scroll text that is
// empty or ends in a line feed, and a position that only moves forward.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "disk/disk_config.h"
#include "fuzz/fuzz_temp_file.h"

static void check(bool condition)
{
    if (!condition)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = writeFuzzInput(data, size);
    DiskConfig config;
    check(config.open(path));
    check(config.text.size() <= size);

    const int32_t count = config.readTrackCount();
    check(count >= 0 && count <= MAX_DISK_TRACKS);
    size_t position = config.position;
    check(position <= config.text.size());
    for (int32_t i = 0; i < count; ++i) {
        for (int field = 0; field < 3; ++field) {
            const std::string line = config.readLine();
            check(line.find('\n') == std::string::npos);
            if (field == 0)
                (void)trackTypeOf(line);
            check(config.position >= position && config.position <= config.text.size());
            position = config.position;
        }
    }
    const std::string scroll = config.readScrollText();
    check(scroll.empty() || scroll.back() == '\n');
    check(scroll.size() <= config.text.size() + 1);
    check(config.readLine().empty());
    return 0;
}
