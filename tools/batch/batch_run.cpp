// The run: documents that need no worker (links, FIFOs, unreadable folders)
// get their result at once, the rest go through the worker pool.  The
// report is written in the order of the work list, whatever order the
// results come in, so that runs with any number of workers give the same
// report: a line goes out as soon as every document before it is done.

#include "batch_run.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "common/error_codes.h"
#include "fixity.h"
#include "interrupt.h"
#include "manifest.h"
#include "pdfa.h"
#include "pool.h"
#include "progress.h"
#include "report.h"
#include "summary.h"
#include "workdir.h"

namespace {

const char ReservedNote[] = "the name is kept for the batch's working folders";

struct Run {
    const Options& opts;
    const std::vector<WorkItem>& items;
    int sourceFd;
    std::vector<Result> results;
    size_t emitted = 0; // report lines written, in list order
    ReportFile report;
    Manifest manifest;
    Tally tally;
    Progress progress;

    void Emit(size_t i) {
        const std::string& rel = items[i].rel;
        const Result& r = results[i];
        report.Write(ReportLine(opts.source + "/" + rel, opts.target + "/" + TargetName(rel), r,
                                opts.render.Any(), WantsFixity(opts)));
        for (int slot = HashSource + 1; slot < HashSlots; ++slot)
            if ((r.hashed >> slot) & 1)
                manifest.Add(HexDigest(r.digests[slot]), rel + "." + HashExtension(slot));
    }
    void Take(const Result& in) {
        Result& r = results[in.index] = in;
        // A worker that crashed or overran took its checksum of the source
        // along, and the batch's own results read nothing: the source is
        // read here instead (a regular file only).
        Digest d;
        if (WantsFixity(opts) && !((r.hashed >> HashSource) & 1) && items[r.index].regular &&
            r.status != Status::NotRegular && Sha256File(sourceFd, items[r.index].rel, d))
            PutDigest(r, HashSource, d);
        if (r.pdfWanted) {
            r.done = false; // until its PDF is made (MakePdfs)
            return;
        }
        Finish(r);
    }
    void Finish(Result& r) {
        r.done = true;
        tally.Add(r);
        while (emitted < results.size() && results[emitted].done)
            Emit(emitted++);
        progress.Update(tally);
    }
    // Documents whose PDF was not made when the batch was stopped.
    void GiveUpPdfs() {
        for (Result& r : results)
            if (r.pdfWanted) {
                r.pdfWanted = false;
                if (r.renderError[0] == '\0')
                    std::snprintf(r.renderError, sizeof r.renderError,
                                  "pdf: not made, the batch was stopped");
                Finish(r);
            }
    }
    // Whatever is done but not yet written (after a stop).
    void EmitRest() {
        for (; emitted < results.size(); ++emitted)
            if (results[emitted].done)
                Emit(emitted);
    }
};

bool Reserved(const std::string& rel) {
    const size_t n = std::strlen(WorkRootName);
    return rel.compare(0, n, WorkRootName) == 0 && (rel.size() == n || rel[n] == '/');
}

// The result of an item that needs no worker, or false.
bool Settled(const WorkItem& item, Result& r) {
    r.done = true;
    if (item.walkError != 0) {
        SetMessage(
            r, (std::string("folder could not be read: ") + std::strerror(item.walkError)).c_str());
        r.error = ErrSourceOpen;
    } else if (Reserved(item.rel)) {
        SetMessage(r, ReservedNote);
    } else if (!item.regular) {
        r.status = Status::NotRegular;
    } else {
        r.done = false;
    }
    return r.done;
}

int64_t TotalBytes(const std::vector<WorkItem>& items) {
    int64_t n = 0;
    for (const auto& i : items)
        n += i.size;
    return n;
}

} // namespace

int RunBatch(const Options& opts, const std::vector<WorkItem>& items, int sourceFd, int targetFd) {
    const auto start = std::chrono::steady_clock::now();
    Run run{opts,
            items,
            sourceFd,
            std::vector<Result>(items.size()),
            0,
            {},
            {},
            {},
            Progress(!opts.quiet, static_cast<int64_t>(items.size()), TotalBytes(items))};
    if (!opts.report.empty() && !run.report.Open(opts.report)) {
        std::fprintf(stderr, "pfs2vnk-batch: cannot write the report %s: %s\n", opts.report.c_str(),
                     std::strerror(errno));
        return ExitUsage;
    }
    if (!opts.manifest.empty() && !run.manifest.Open(opts.manifest)) {
        std::fprintf(stderr, "pfs2vnk-batch: cannot write the manifest %s: %s\n",
                     opts.manifest.c_str(), std::strerror(errno));
        return ExitUsage;
    }
    std::vector<uint32_t> queue;
    for (uint32_t i = 0; i < items.size(); ++i) {
        Result r;
        r.index = i;
        if (Settled(items[i], r))
            run.Take(r);
        else
            queue.push_back(i);
    }
    RemoveStaleWorkFolders(opts.target, targetFd);
    WorkFolders folders;
    const int jobs =
        queue.size() < static_cast<size_t>(opts.jobs) ? static_cast<int>(queue.size()) : opts.jobs;
    std::string error;
    if (jobs > 0 && !MakeWorkFolders(opts.target, targetFd, jobs, folders, error)) {
        std::fprintf(stderr, "pfs2vnk-batch: %s\n", error.c_str());
        RemoveWorkFolders(folders);
        return ExitFailures;
    }
    PoolSetup setup{{&items, sourceFd, targetFd, opts.target, opts.force, opts.sync,
                     WantsFixity(opts), opts.render},
                    &folders,
                    jobs,
                    opts.timeout};
    PoolEnd end = jobs == 0 ? PoolEnd::Finished
                            : RunPool(
                                  setup, queue, [&](Result& r) { run.Take(r); },
                                  [&] { run.progress.Update(run.tally); });
    if (end == PoolEnd::Finished && opts.render.pdf &&
        MakePdfs(
            opts, items, run.results, targetFd, folders.runFd, [&](Result& r) { run.Finish(r); },
            [&] { run.progress.Update(run.tally); }) == OfficeEnd::Interrupted)
        end = PoolEnd::Interrupted;
    run.GiveUpPdfs();
    RemoveWorkFolders(folders);
    run.EmitRest();
    run.progress.Finish();
    const bool reportOk = run.report.Close();
    const bool manifestOk = opts.manifest.empty() || run.manifest.Commit();
    // A rendering asked for and not written fails the batch, not the document.
    const bool failed = run.tally.Failures() > 0 || run.tally.renderFailures > 0;
    const bool stopped = end == PoolEnd::Interrupted || end == PoolEnd::NoSpace;
    // Quiet, as rsync -q is: nothing at all when every document converted,
    // the summary when something went wrong.
    if (!opts.quiet || failed || stopped || !reportOk || !manifestOk)
        PrintSummary(
            stderr, run.tally,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!reportOk)
        std::fprintf(stderr, "pfs2vnk-batch: the report %s could not be written\n",
                     opts.report.c_str());
    if (!manifestOk)
        std::fprintf(stderr, "pfs2vnk-batch: the manifest %s could not be written\n",
                     opts.manifest.c_str());
    if (end == PoolEnd::Interrupted)
        return ExitInterrupted + StopSignal();
    if (end == PoolEnd::NoSpace) {
        std::fprintf(stderr,
                     "pfs2vnk-batch: the target file system is full (%s); stopped with %zu of "
                     "%zu documents done\n",
                     opts.target.c_str(), static_cast<size_t>(run.tally.done), items.size());
        return ExitFailures;
    }
    return failed || !reportOk || !manifestOk ? ExitFailures : ExitOk;
}
