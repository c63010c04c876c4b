// proc_files: what the benchmarks read of /proc, the kernel's view of a process.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace bench {

// A value in kB from a /proc status file ("/proc/self/status", "/proc/PID/status"):
// the number on the line that starts with `key` ("VmHWM:", "VmRSS:", "RssAnon:"),
// 0 when there is no such line.
inline long statusKb(const std::string& path, const char* key)
{
    FILE* status = std::fopen(path.c_str(), "r");
    if (!status)
        return 0;
    char line[256];
    long kb = 0;
    const size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, key, keyLength) == 0) {
            kb = std::atol(line + keyLength);
            break;
        }
    std::fclose(status);
    return kb;
}

// The running program's own file (from /proc/self/exe), empty when unknown: a
// benchmark starts itself again as a child.
inline std::string selfPath()
{
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    path[length] = '\0';
    return path;
}

}  // namespace bench
