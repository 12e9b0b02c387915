// Options by getopt_long; every mistake is a usage error (exit status 2).

#include "options.h"

#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "render.h"

namespace {

const char Usage[] = "usage: pfs2vnk-batch [options] SOURCE_DIR TARGET_DIR\n";

const char Help[] =
    "Converts every PFS document under SOURCE_DIR into TARGET_DIR, in parallel.\n"
    "\n"
    "  -j N           documents converted at once (default: the number of processors)\n"
    "  --report FILE  one JSON object per document (JSON Lines); \"-\" for standard output\n"
    "  --manifest FILE  SHA-256 of every target and rendering, in the format of\n"
    "                 sha256sum (verify with: cd TARGET_DIR && sha256sum -c FILE)\n"
    "  --force        convert again even when the target is up to date\n"
    "  --shard K/N    convert only the K-th of N disjoint shares of the work\n"
    "  --list         print the work (one source path a line), convert nothing\n"
    "  --timeout S    per-document time limit in seconds (default 60; 0: none)\n"
    "  --sync         put each target on disk before it is renamed into place\n"
    "  --render KINDS also write renderings beside each target, KINDS a comma-\n"
    "                 separated list: text (NAME.txt), html (NAME.html), odt\n"
    "                 (NAME.odt), pdfa (NAME.pdf in PDF/A-2b by LibreOffice, with\n"
    "                 NAME.odt)\n"
    "  --soffice PATH the LibreOffice program for pdfa (default: soffice on PATH)\n"
    "  --codepage CP  code page of the renderings (default CP437)\n"
    "  -q             quiet: no progress; the summary only when something failed\n"
    "  -h, --help     this help\n"
    "  --version      the version\n";

// The most workers a batch starts, whatever -j says.
constexpr long MaxJobs = 1024;

enum LongOnly {
    OptReport = 256,
    OptManifest,
    OptForce,
    OptShard,
    OptList,
    OptTimeout,
    OptSync,
    OptRender,
    OptCodePage,
    OptSoffice,
    OptVersion
};

const option LongOptions[] = {
    {"report", required_argument, nullptr, OptReport},
    {"manifest", required_argument, nullptr, OptManifest},
    {"force", no_argument, nullptr, OptForce},
    {"shard", required_argument, nullptr, OptShard},
    {"list", no_argument, nullptr, OptList},
    {"timeout", required_argument, nullptr, OptTimeout},
    {"sync", no_argument, nullptr, OptSync},
    {"render", required_argument, nullptr, OptRender},
    {"codepage", required_argument, nullptr, OptCodePage},
    {"soffice", required_argument, nullptr, OptSoffice},
    {"quiet", no_argument, nullptr, 'q'},
    {"jobs", required_argument, nullptr, 'j'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, OptVersion},
    {nullptr, 0, nullptr, 0},
};

ParseOutcome Bad(const char* what, const char* value) {
    std::fprintf(stderr, "pfs2vnk-batch: %s: '%s'\n%s", what, value, Usage);
    return ParseOutcome::BadUsage;
}

// A whole decimal number in [lo, hi]; false for anything else.
bool ReadCount(const char* text, long lo, long hi, long* out) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool ReadShard(const char* text, Options& opts) {
    const char* slash = std::strchr(text, '/');
    if (slash == nullptr)
        return false;
    std::string k(text, slash);
    long kv, nv;
    if (!ReadCount(slash + 1, 1, UINT32_MAX, &nv) || !ReadCount(k.c_str(), 1, nv, &kv))
        return false;
    opts.shardK = static_cast<uint32_t>(kv);
    opts.shardN = static_cast<uint32_t>(nv);
    return true;
}

bool ReadSeconds(const char* text, double* out) {
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || v < 0 || v > 1e9)
        return false;
    *out = v;
    return true;
}

// A comma-separated list of "text", "html", "odt" and "pdfa" (each at most
// once counts); false for an empty list, an empty item or any other word.
// The PDF is made from the ODT, so pdfa brings odt along.
bool ReadRender(std::string_view text, RenderOptions& render) {
    render.text = render.html = render.odt = render.pdf = false;
    for (;;) {
        const size_t comma = text.find(',');
        const std::string_view word = text.substr(0, comma);
        if (word == "text")
            render.text = true;
        else if (word == "html")
            render.html = true;
        else if (word == "odt")
            render.odt = true;
        else if (word == "pdfa")
            render.odt = render.pdf = true;
        else
            return false;
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}

// --codepage only means something with --render, and must be one iconv knows.
ParseOutcome CheckCodePage(const Options& opts, bool given) {
    if (given && !opts.render.Any())
        return Bad("--codepage applies to --render only", opts.render.codepage.c_str());
    vnkdump::CodePage cp;
    if (given && !vnkdump::LoadCodePage(opts.render.codepage.c_str(), cp))
        return Bad("--codepage names a code page iconv does not know",
                   opts.render.codepage.c_str());
    return ParseOutcome::Run;
}

int DefaultJobs() {
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : n > MaxJobs ? static_cast<int>(MaxJobs) : static_cast<int>(n);
}

} // namespace

ParseOutcome ParseOptions(int argc, char** argv, Options& opts) {
    opts.jobs = DefaultJobs();
    opterr = 0;
    int c;
    long n;
    bool codepageGiven = false;
    while ((c = getopt_long(argc, argv, ":j:qh", LongOptions, nullptr)) != -1) {
        switch (c) {
        case 'j':
            if (!ReadCount(optarg, 1, MaxJobs, &n))
                return Bad("-j wants a number of documents from 1 to 1024", optarg);
            opts.jobs = static_cast<int>(n);
            break;
        case 'q':
            opts.quiet = true;
            break;
        case 'h':
            std::fputs(Usage, stdout);
            std::fputs(Help, stdout);
            return ParseOutcome::Done;
        case OptVersion:
            std::puts("pfs2vnk-batch 3.5.09");
            return ParseOutcome::Done;
        case OptReport:
            if (optarg[0] == '\0')
                return Bad("--report wants a file name or -", optarg);
            opts.report = optarg;
            break;
        case OptManifest:
            if (optarg[0] == '\0' || std::strcmp(optarg, "-") == 0)
                return Bad("--manifest wants a file name", optarg);
            opts.manifest = optarg;
            break;
        case OptForce:
            opts.force = true;
            break;
        case OptShard:
            if (!ReadShard(optarg, opts))
                return Bad("--shard wants K/N with 1 <= K <= N", optarg);
            break;
        case OptList:
            opts.list = true;
            break;
        case OptTimeout:
            if (!ReadSeconds(optarg, &opts.timeout))
                return Bad("--timeout wants a number of seconds", optarg);
            break;
        case OptSync:
            opts.sync = true;
            break;
        case OptRender:
            if (!ReadRender(optarg, opts.render))
                return Bad("--render wants text, html, odt and pdfa, comma-separated", optarg);
#ifndef RENDER_HAVE_ODT
            if (opts.render.odt)
                return Bad("--render odt and pdfa are not in this build; they need the Debian "
                           "packages librevenge-dev, libodfgen-dev and libzip-dev",
                           optarg);
#endif
            break;
        case OptSoffice:
            if (optarg[0] == '\0')
                return Bad("--soffice wants the name of a program", optarg);
            opts.soffice = optarg;
            break;
        case OptCodePage:
            opts.render.codepage = optarg;
            codepageGiven = true;
            break;
        case ':':
            return Bad("option needs a value", argv[optind - 1]);
        default:
            return Bad("unknown option", argv[optind - 1]);
        }
    }
    if (CheckCodePage(opts, codepageGiven) != ParseOutcome::Run)
        return ParseOutcome::BadUsage;
    if (!opts.soffice.empty() && !opts.render.pdf)
        return Bad("--soffice applies to --render pdfa only", opts.soffice.c_str());
    if (argc - optind != 2) {
        std::fprintf(stderr, "pfs2vnk-batch: wants SOURCE_DIR and TARGET_DIR\n%s", Usage);
        return ParseOutcome::BadUsage;
    }
    opts.source = argv[optind];
    opts.target = argv[optind + 1];
    if (opts.source.empty() || opts.target.empty()) {
        std::fprintf(stderr, "pfs2vnk-batch: a folder name may not be empty\n%s", Usage);
        return ParseOutcome::BadUsage;
    }
    return ParseOutcome::Run;
}
