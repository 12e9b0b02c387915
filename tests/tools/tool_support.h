// Helpers for the inspector and install tests: byte streams, running the
// inspector in memory behind a guard page, and running programs.
#pragma once

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "dump.h"

namespace vnkdump_test {

using Bytes = std::vector<uint8_t>;

// The bytes of an ASCII text.
inline Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The parts joined in order.
inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

// Runs VnkDump on a copy of the bytes that ends right at an inaccessible
// page, so that any read past the input faults, and captures both streams.
inline RunResult Dump(const Bytes& bytes, bool stats = false) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t dataPages = (bytes.size() + page - 1) / page, total = (dataPages + 1) * page;
    void* map = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) std::abort();
    uint8_t* guard = static_cast<uint8_t*>(map) + dataPages * page;
    mprotect(guard, page, PROT_NONE);
    if (!bytes.empty()) std::memcpy(guard - bytes.size(), bytes.data(), bytes.size());

    char *outText = nullptr, *errText = nullptr;
    size_t outSize = 0, errSize = 0;
    FILE* out = open_memstream(&outText, &outSize);
    FILE* err = open_memstream(&errText, &errSize);
    const int status = vnkdump::VnkDump(guard - bytes.size(), bytes.size(), out, err, stats);
    std::fclose(out);
    std::fclose(err);
    RunResult r{status, std::string(outText, outSize), std::string(errText, errSize)};
    std::free(outText);
    std::free(errText);
    munmap(map, total);
    return r;
}

// A fresh directory under /tmp, removed with its contents when the object goes.
class TempDir {
  public:
    TempDir() {
        char name[] = "/tmp/vnkdump-test-XXXXXX";
        if (mkdtemp(name) == nullptr) std::abort();
        path_ = name;
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The text quoted for the shell.
inline std::string ShellQuote(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

// Runs a shell command line, capturing its output and error streams; status -1 if it did not exit.
inline RunResult RunShell(const std::string& command) {
    TempDir dir;
    const int raw = std::system((command + " >" + ShellQuote(dir / "out") + " 2>" +
                                 ShellQuote(dir / "err")).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "out"), ReadFile(dir / "err")};
}

// Whether a program is found on PATH.
inline bool OnPath(const std::string& program) {
    return RunShell("command -v " + ShellQuote(program)).status == 0;
}

} // namespace vnkdump_test
