#pragma once

// What the crash tests share: a child process, a fork of the test (so that it starts at
// once and shares the tables prepared in memory) that is killed at a random moment, and
// the count of the temporary files such kills leave.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace tavo::testing {

inline constexpr int kChildStartTimeoutMs = 10000;

// Runs `body` in a forked child, which writes one byte just before it; returns the child's
// pid once that byte came (bounded), or -1 (the child then killed). The child ends with
// `body`'s status through _exit.
inline pid_t startForkedChild(const std::function<int()>& body) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        const char byte = 'r';
        if (write(ready[1], &byte, 1) != 1) _exit(3);
        _exit(body());
    }
    close(ready[1]);
    pollfd wait{ready[0], POLLIN, 0};
    char byte = 0;
    const bool started = pid > 0 && poll(&wait, 1, kChildStartTimeoutMs) == 1 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    if (pid > 0 && !started) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

// Removes the temporary files a kill left in `dir`: each is a kill during a durable write.
inline int removeTemporaryFiles(const std::filesystem::path& dir) {
    int removed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".tmp") {
            std::filesystem::remove(entry.path());
            ++removed;
        }
    }
    return removed;
}

}  // namespace tavo::testing
