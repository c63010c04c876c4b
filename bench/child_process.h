// child_process: the programs a benchmark measures run as its children. Started
// with SDL's dummy audio driver (no sound device is needed or disturbed), stopped
// with SIGKILL: what is measured is the run, not the ending.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace bench {

// Starts `command` (a path, or a name looked up in PATH) in `folder` (nullptr:
// this one), its standard output to `outFd` (-1: /dev/null). The child's pid, -1
// if it could not be forked.
inline pid_t launchChild(const std::vector<std::string>& command, const char* folder, int outFd)
{
    pid_t child = fork();
    if (child != 0)
        return child;
    if (folder && chdir(folder) != 0)
        _exit(127);
    if (outFd < 0)
        outFd = open("/dev/null", O_WRONLY);
    dup2(outFd, STDOUT_FILENO);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

inline void stopChild(pid_t child)
{
    if (child <= 0)
        return;
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

inline void sleepSeconds(double seconds)
{
    timespec t{time_t(seconds), long((seconds - double(time_t(seconds))) * 1e9)};
    while (nanosleep(&t, &t) != 0) {
    }
}

}  // namespace bench
