// proc_files: what the benchmarks read of /proc, the kernel's view of a process.
#pragma once
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
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

// The CPU time all threads of a running process have used so far, in nanoseconds
// (the first field of each thread's schedstat: exact, where the tick counts of
// stat move in steps of 10 ms); 0 for no such process.
inline int64_t processCpuNanos(int pid)
{
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    int64_t total = 0;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (FILE* schedstat = std::fopen((folder + "/" + entry->d_name + "/schedstat").c_str(), "r")) {
            long long runtime = 0;
            if (std::fscanf(schedstat, "%lld", &runtime) == 1)
                total += runtime;
            std::fclose(schedstat);
        }
    }
    closedir(dir);
    return total;
}

}  // namespace bench
