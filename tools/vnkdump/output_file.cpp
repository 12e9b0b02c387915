// The file written aside is removed when SIGINT, SIGTERM or SIGHUP ends the
// run before it is renamed, so no half-written output is left behind; the
// handler only unlinks a name kept in a static buffer and re-raises the
// signal, both async-signal-safe.

#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vnkdump {

namespace {

char pendingTemp[4096]; // the file written aside, empty when none
const int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveAndStop(int sig) {
    if (pendingTemp[0] != '\0')
        unlink(pendingTemp);
    signal(sig, SIG_DFL);
    raise(sig);
}

// Sets or clears the name the handler removes, with the signals held.
void SetPending(const std::string& temp) {
    sigset_t stops, old;
    sigemptyset(&stops);
    for (int sig : StopSignals)
        sigaddset(&stops, sig);
    sigprocmask(SIG_BLOCK, &stops, &old);
    if (temp.size() < sizeof pendingTemp)
        std::memcpy(pendingTemp, temp.c_str(), temp.size() + 1);
    else
        pendingTemp[0] = '\0';
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

} // namespace

bool IsInput(const char* path, const char* inputName) {
    struct stat out, in;
    if (stat(path, &out) != 0)
        return false;
    const bool useStdin = std::strcmp(inputName, "-") == 0;
    if ((useStdin ? fstat(STDIN_FILENO, &in) : stat(inputName, &in)) != 0)
        return false;
    return out.st_dev == in.st_dev && out.st_ino == in.st_ino;
}

bool OpenOutput(const char* path, OutputFile& file, std::string& why) {
    file.path = path;
    const std::string p = path;
    const size_t slash = p.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : p.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? p : p.substr(slash + 1);
    if (base.empty()) {
        why = std::string(path) + ": names a folder";
        return false;
    }
    std::string name = dir + "." + base + ".XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    const int fd = mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0) {
        why = std::string("cannot create a file beside ") + path + ": " + std::strerror(errno);
        return false;
    }
    file.temp = buf.data();
    SetPending(file.temp);
    struct sigaction action {};
    action.sa_handler = RemoveAndStop;
    sigemptyset(&action.sa_mask);
    for (int sig : StopSignals)
        sigaction(sig, &action, nullptr);
    // mkstemp makes the file private; give it what a new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    file.stream = fdopen(fd, "wb");
    if (file.stream == nullptr) {
        why = std::strerror(errno);
        close(fd);
        unlink(file.temp.c_str());
        SetPending("");
        return false;
    }
    return true;
}

bool CommitOutput(OutputFile& file, std::string& why) {
    errno = 0;
    const bool written = std::fflush(file.stream) == 0 && !std::ferror(file.stream);
    int e = errno;
    if (std::fclose(file.stream) != 0 && written)
        e = errno;
    file.stream = nullptr;
    if (written && e == 0 && rename(file.temp.c_str(), file.path.c_str()) == 0) {
        SetPending("");
        return true;
    }
    if (e == 0)
        e = errno != 0 ? errno : EIO;
    why = file.path + ": " + std::strerror(e);
    unlink(file.temp.c_str());
    SetPending("");
    return false;
}

void DropOutput(OutputFile& file) {
    if (file.stream != nullptr)
        std::fclose(file.stream);
    file.stream = nullptr;
    unlink(file.temp.c_str());
    SetPending("");
}

} // namespace vnkdump
