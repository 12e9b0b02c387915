// Outside programs for the tests that check files in them (a browser, an
// office suite, PDF tools): whether one is on the PATH, and shell commands
// run for their exit status or their output.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace testshell {

// True when the program is on the PATH.
inline bool OnPath(const std::string& program) {
    const char* path = getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

// Runs a shell command; its exit status, or -1 when it did not exit.
inline int Shell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Runs a shell command and returns what it printed on standard output (its
// standard error goes to the test's); status gets its exit status.
inline std::string Output(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; p != nullptr && (n = fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    const int raw = p != nullptr ? pclose(p) : -1;
    if (status != nullptr)
        *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

} // namespace testshell
