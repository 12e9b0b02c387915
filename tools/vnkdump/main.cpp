// vnkdump: lists an intermediate stream, one element a line.
//
//   vnkdump [--stats] FILE|-
//
// The whole input is read into memory first (streams are small, and the
// listing needs to look at a record's length before its payload), then
// handed to VnkDump.  Exit status: 0 for a sound stream, 1 when the stream
// ends inside a record, 2 for bad usage, an unreadable input or a failed
// write of the listing.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dump.h"

namespace {

constexpr int ExitBroken = 1;
constexpr int ExitTrouble = 2;

const char Usage[] = "usage: vnkdump [--stats] FILE|-\n";

// Reads all of stream into bytes; false with errno set when a read fails.
bool ReadAll(FILE* stream, std::vector<uint8_t>& bytes) {
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    return !std::ferror(stream);
}

// Reads the named file ("-" is standard input) into bytes; reports failure on stderr.
bool ReadInput(const char* name, std::vector<uint8_t>& bytes) {
    const bool useStdin = std::strcmp(name, "-") == 0;
    FILE* stream = useStdin ? stdin : std::fopen(name, "rb");
    bool ok = stream != nullptr && ReadAll(stream, bytes);
    const int error = errno;
    if (stream && !useStdin) std::fclose(stream);
    if (!ok) std::fprintf(stderr, "vnkdump: cannot read %s: %s\n", name, std::strerror(error));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    bool stats = false;
    const char* name = nullptr;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!optionsDone && std::strcmp(arg, "--") == 0) {
            optionsDone = true;
        } else if (!optionsDone && std::strcmp(arg, "--stats") == 0) {
            stats = true;
        } else if (!optionsDone && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            std::fputs(Usage, stdout);
            return 0;
        } else if (!optionsDone && arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "vnkdump: unknown option %s\n%s", arg, Usage);
            return ExitTrouble;
        } else if (name == nullptr) {
            name = arg;
        } else {
            std::fprintf(stderr, "vnkdump: more than one input\n%s", Usage);
            return ExitTrouble;
        }
    }
    if (name == nullptr) {
        std::fputs(Usage, stderr);
        return ExitTrouble;
    }

    std::vector<uint8_t> bytes;
    if (!ReadInput(name, bytes)) return ExitTrouble;
    const int status = vnkdump::VnkDump(bytes.data(), bytes.size(), stdout, stderr, stats);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "vnkdump: cannot write the listing: %s\n", std::strerror(errno));
        return ExitTrouble;
    }
    return status == 0 ? 0 : ExitBroken;
}
