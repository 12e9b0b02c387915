// PDF/A copies of ODT files through LibreOffice, run headless in chunks.
//
// LibreOffice takes seconds to start and a fraction of one per document,
// so it is given many documents per start: up to MaxChunk ODT files per
// `soffice --convert-to pdf:... --outdir` call.  Several LibreOffice run
// at once (one per runner), each in its own folder inside the batch's
// private working folder, with its own profile there (two LibreOffice
// sharing a profile wait on each other or fail) and in a process group of
// its own, so that the whole group (soffice starts soffice.bin) can be
// ended.  A chunk that crashes, exits with an error or passes its time
// limit is tried again one document at a time; a document that fails
// alone is reported, and the others keep their PDFs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The most documents handed to one LibreOffice start.  A start costs about
// as much as 30 letters (1.8 s against 0.06 s a letter on a 2-processor
// machine), so 64 keeps it under a third of the time, while a chunk that
// fails, whose documents are tried again one by one, costs a minute or two
// more, not ten.
constexpr size_t MaxChunk = 64;

// One document to convert.
struct OfficeJob {
    uint32_t index = 0; // the document's position in the work list
    std::string odt;    // the ODT, relative to the target folder
    std::string pdf;    // its PDF, relative to the target folder
};

struct OfficeSetup {
    std::string soffice; // the program to run
    int targetFd = -1;   // the target folder
    int runFd = -1;      // the batch's private working folder, inside the target folder
    int runners = 1;     // LibreOffice run at once
    size_t chunk = MaxChunk;
    // Seconds a LibreOffice may go without writing its next PDF (twice
    // that for its start and first document); 0 for no limit.
    double timeout = 60;
    bool sync = false; // each PDF on disk before it is renamed into place
};

// What became of one document: its PDF in place, or why not.
struct OfficeOutcome {
    uint32_t index = 0;
    bool ok = false;
    std::string error;
};

enum class OfficeEnd { Finished, Interrupted };

// Converts the jobs' ODT files and renames each PDF into place with the
// ODT's modification time; sink gets one outcome per job (none for the
// jobs still open when a stop signal came), tick is called at least every
// 100 ms.  On SIGINT or SIGTERM (see interrupt.h) every LibreOffice
// process group is killed and Interrupted returned.  Either way the
// runners' folders, profiles and unfinished PDFs are removed, and no
// LibreOffice process is left.
OfficeEnd ConvertToPdf(const OfficeSetup& setup, const std::vector<OfficeJob>& jobs,
                       const std::function<void(const OfficeOutcome&)>& sink,
                       const std::function<void()>& tick);

// The LibreOffice to run: path when given (it must be an executable
// file), else the first executable soffice in the folders of PATH; empty
// when there is none.
std::string FindSoffice(const std::string& path);
