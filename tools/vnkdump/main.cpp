// vnkdump: shows an intermediate stream, as a listing of its elements, a
// summary, plain text, an HTML page or an OpenDocument Text file.
//
//   vnkdump [--stats | --text | --html | --odt] [--codepage NAME] [-o OUT] FILE|-
//
// The whole input is read into memory first (streams are small, and the
// listing needs to look at a record's length before its payload), then
// handed to the library.  Exit status: 0 for a sound stream, 1 when the
// stream ends inside a record, 2 for bad usage, an unreadable input, an
// unknown code page or a failed write of the output.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "listing.h"
#include "output_file.h"
#include "render.h"
#ifdef RENDER_HAVE_ODT
#include "odt.h"
#endif

namespace {

constexpr int ExitBroken = 1;
constexpr int ExitTrouble = 2;

const char Usage[] =
    "usage: vnkdump [--stats | --text | --html | --odt] [--codepage NAME] [-o OUT] FILE|-\n";

enum class Mode { Listing, Stats, Text, Html, Odt };

struct Options {
    Mode mode = Mode::Listing;
    bool modeGiven = false;
    const char* codepage = nullptr;
    const char* output = nullptr; // -o: the file to write instead of standard output
    const char* name = nullptr;
};

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
    if (stream && !useStdin)
        std::fclose(stream);
    if (!ok)
        std::fprintf(stderr, "vnkdump: cannot read %s: %s\n", name, std::strerror(error));
    return ok;
}

// Reports a usage error on stderr; returns the exit status for it.
int UsageError(const char* what, const char* arg) {
    std::fprintf(stderr, "vnkdump: %s%s\n%s", what, arg, Usage);
    return ExitTrouble;
}

// Fills options from the command line; returns -1 to go on, else the exit status.
int ParseArguments(int argc, char** argv, Options& opt) {
    static const std::pair<const char*, Mode> modes[] = {{"--stats", Mode::Stats},
                                                         {"--text", Mode::Text},
                                                         {"--html", Mode::Html},
                                                         {"--odt", Mode::Odt}};
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool option = !optionsDone && arg[0] == '-' && arg[1] != '\0';
        const auto mode = std::find_if(std::begin(modes), std::end(modes), [&](const auto& m) {
            return std::strcmp(arg, m.first) == 0;
        });
        if (option && std::strcmp(arg, "--") == 0) {
            optionsDone = true;
        } else if (option && mode != std::end(modes)) {
            if (opt.modeGiven && opt.mode != mode->second)
                return UsageError("choose one of --stats, --text, --html and --odt", "");
            opt.mode = mode->second;
            opt.modeGiven = true;
        } else if (option && std::strcmp(arg, "--codepage") == 0) {
            if (i + 1 == argc)
                return UsageError("--codepage needs a name", "");
            opt.codepage = argv[++i];
        } else if (option && std::strcmp(arg, "-o") == 0) {
            if (i + 1 == argc || argv[i + 1][0] == '\0')
                return UsageError("-o needs a file name", "");
            opt.output = argv[++i];
        } else if (option && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            std::fputs(Usage, stdout);
            return 0;
        } else if (option) {
            return UsageError("unknown option ", arg);
        } else if (opt.name == nullptr) {
            opt.name = arg;
        } else {
            return UsageError("more than one input", "");
        }
    }
    if (opt.name == nullptr) {
        std::fputs(Usage, stderr);
        return ExitTrouble;
    }
    if (opt.codepage && (opt.mode == Mode::Listing || opt.mode == Mode::Stats))
        return UsageError("--codepage applies to --text, --html and --odt only", "");
    return -1;
}

// The page title: the file's name without its directories.
const char* Title(const char* name) {
    if (std::strcmp(name, "-") == 0)
        return "standard input";
    const char* slash = std::strrchr(name, '/');
    return slash && slash[1] ? slash + 1 : name;
}

} // namespace

int main(int argc, char** argv) {
    Options opt;
    if (const int status = ParseArguments(argc, argv, opt); status >= 0)
        return status;
#ifndef RENDER_HAVE_ODT
    if (opt.mode == Mode::Odt) {
        std::fputs("vnkdump: this vnkdump was built without ODT export; it needs the Debian "
                   "packages librevenge-dev, libodfgen-dev and libzip-dev at build time\n",
                   stderr);
        return ExitTrouble;
    }
#endif
    if (opt.mode == Mode::Odt && !opt.output && isatty(STDOUT_FILENO)) {
        std::fputs("vnkdump: --odt writes a binary package; redirect standard output to a file "
                   "or use -o FILE\n",
                   stderr);
        return ExitTrouble;
    }

    std::vector<uint8_t> bytes;
    if (!ReadInput(opt.name, bytes))
        return ExitTrouble;
    FILE* out = stdout;
    vnkdump::OutputFile file;
    std::string why;
    if (opt.output) {
        if (vnkdump::IsInput(opt.output, opt.name)) {
            std::fprintf(stderr, "vnkdump: %s is the input; it is not written over\n", opt.output);
            return ExitTrouble;
        }
        if (!vnkdump::OpenOutput(opt.output, file, why)) {
            std::fprintf(stderr, "vnkdump: %s\n", why.c_str());
            return ExitTrouble;
        }
        out = file.stream;
    }
    const char* codepage = opt.codepage ? opt.codepage : vnkdump::DefaultCodePage;
    int status = 0;
    switch (opt.mode) {
    case Mode::Listing:
    case Mode::Stats:
        status = vnkdump::VnkDump(bytes.data(), bytes.size(), out, stderr, opt.mode == Mode::Stats);
        break;
    case Mode::Text:
        status = vnkdump::RenderText(bytes.data(), bytes.size(), out, stderr, codepage);
        break;
    case Mode::Html:
        status =
            vnkdump::RenderHtml(bytes.data(), bytes.size(), out, stderr, codepage, Title(opt.name));
        break;
    case Mode::Odt:
#ifdef RENDER_HAVE_ODT
        status = vnkdump::RenderOdt(bytes.data(), bytes.size(), out, stderr, codepage,
                                    vnkdump::StreamTitle(opt.name).c_str());
#endif
        break;
    }
    if (opt.output) {
        // A rendering that failed (status 2) leaves OUT as it was.
        if (status == 2) {
            vnkdump::DropOutput(file);
            return ExitTrouble;
        }
        if (!vnkdump::CommitOutput(file, why)) {
            std::fprintf(stderr, "vnkdump: cannot write the output: %s\n", why.c_str());
            return ExitTrouble;
        }
    } else if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "vnkdump: cannot write the output: %s\n", std::strerror(errno));
        return ExitTrouble;
    }
    return status == 0 ? 0 : status == 1 ? ExitBroken : ExitTrouble;
}
