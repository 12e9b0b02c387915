// The command line of pfs2vnk-batch.
#pragma once

#include <cstdint>
#include <string>

// The renderings written beside each target (--render, --codepage).
struct RenderOptions {
    bool text = false; // NAME.txt, as vnkdump --text
    bool html = false; // NAME.html, as vnkdump --html
    bool odt = false;  // NAME.odt, as vnkdump --odt (only in a build with the ODT export)
    bool pdf = false;  // NAME.pdf, PDF/A-2b made by LibreOffice from NAME.odt (with odt)
    std::string codepage = "CP437";
    bool Any() const { return text || html || odt || pdf; }
};

struct Options {
    int jobs = 1;         // documents converted at once
    std::string report;   // JSON Lines report; "-" standard output; empty: none
    std::string manifest; // checksum list for sha256sum -c; empty: none
    bool force = false;   // convert again even when the target is up to date
    uint32_t shardK = 1;  // convert only shard K of N
    uint32_t shardN = 1;
    bool list = false;   // print the work and convert nothing
    double timeout = 60; // seconds per document; 0: no limit
    bool quiet = false;  // no progress display
    bool sync = false;   // each target on disk before it is renamed into place
    RenderOptions render;
    std::string soffice; // LibreOffice as named by --soffice; empty: soffice on PATH
    std::string source;
    std::string target;
};

// Checksums are computed only when a report or a manifest will hold them.
inline bool WantsFixity(const Options& opts) {
    return !opts.report.empty() || !opts.manifest.empty();
}

enum class ParseOutcome { Run, Done, BadUsage };

// Fills opts from the command line.  Done after --help or --version (printed
// on standard output); BadUsage after a message on standard error.
ParseOutcome ParseOptions(int argc, char** argv, Options& opts);
