// fuzz_temp_file: one temporary file per fuzzing process, rewritten with every
// input, for code under test that reads from a path.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// The path of this process's file, made on first use (in /dev/shm where it
// exists, so a run does not wear the disk) and removed at exit.
inline const std::string& fuzzTempPath(const char* suffix)
{
    static std::string path = [suffix] {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string name = std::string(folder) + "/musicdisk_fuzz_XXXXXX" + suffix;
        int fd = mkstemps(name.data(), int(std::string(suffix).size()));
        if (fd < 0)
            std::abort();
        close(fd);
        static std::string removeAtExit;
        removeAtExit = name;
        std::atexit([] { std::remove(removeAtExit.c_str()); });
        return name;
    }();
    return path;
}

// Replaces the file's contents with the input; aborts if it cannot (a broken
// harness must not look like a clean run).
inline const char* writeFuzzInput(const uint8_t* data, size_t size, const char* suffix = "")
{
    const std::string& path = fuzzTempPath(suffix);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0)
        std::abort();
    return path.c_str();
}
