// pfs2vnk-batch: converts every PFS document under a folder tree into a
// mirrored tree of intermediate streams, in parallel worker processes.
//
//   pfs2vnk-batch [options] SOURCE_DIR TARGET_DIR
//
// Exit status: 0 when every document was ok, up to date, not a PFS document
// or not a regular file; 1 when any failed, crashed or timed out (or the
// target file system filled up); 2 for bad usage or folders that cannot be
// used; 128 plus the signal after SIGINT, SIGTERM or SIGHUP.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "batch_run.h"
#include "interrupt.h"
#include "office.h"
#include "options.h"
#include "shard.h"
#include "walk.h"

namespace {

namespace fs = std::filesystem;

void StripSlashes(std::string& path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
}

int Trouble(const std::string& text) {
    std::fprintf(stderr, "pfs2vnk-batch: %s\n", text.c_str());
    return ExitUsage;
}

bool Inside(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i)
        if (i == inner.end() || *i != *o)
            return false;
    return true;
}

// Makes the target folder when it is missing and refuses folders that
// contain each other; an empty text when all is well.
std::string CheckFolders(const Options& opts) {
    std::error_code ec;
    fs::create_directories(opts.target, ec);
    if (ec)
        return "cannot make the target folder " + opts.target + ": " + ec.message();
    fs::path src = fs::canonical(opts.source, ec);
    if (ec)
        return opts.source + ": " + ec.message();
    fs::path dst = fs::canonical(opts.target, ec);
    if (ec)
        return opts.target + ": " + ec.message();
    if (Inside(src, dst) || Inside(dst, src))
        return "the source and target folders may not contain each other";
    return "";
}

std::vector<WorkItem> ThisShard(std::vector<WorkItem> all, const Options& opts) {
    if (opts.shardN == 1)
        return all;
    std::vector<WorkItem> mine;
    for (auto& item : all)
        if (ShardOf(item.rel, opts.shardN) == opts.shardK)
            mine.push_back(std::move(item));
    return mine;
}

int List(const Options& opts, const std::vector<WorkItem>& items) {
    for (const auto& item : items)
        if (item.regular)
            std::printf("%s/%s\n", opts.source.c_str(), item.rel.c_str());
    return std::fflush(stdout) == 0 ? ExitOk : ExitFailures;
}

// With --render pdfa, LibreOffice must be there before anything is converted.
std::string CheckSoffice(Options& opts) {
    if (!opts.render.pdf || opts.list)
        return "";
    const std::string found = FindSoffice(opts.soffice);
    if (!found.empty()) {
        opts.soffice = found;
        return "";
    }
    if (!opts.soffice.empty())
        return "--soffice " + opts.soffice + " is not a program that can be run";
    return "--render pdfa needs LibreOffice, and there is no soffice on PATH; install the Debian "
           "package libreoffice-writer-nogui, or name the program with --soffice PATH";
}

int OpenFolderFd(const std::string& path) {
    return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

int main(int argc, char** argv) {
    Options opts;
    switch (ParseOptions(argc, argv, opts)) {
    case ParseOutcome::Done:
        return ExitOk;
    case ParseOutcome::BadUsage:
        return ExitUsage;
    case ParseOutcome::Run:
        break;
    }
    if (std::string error = CheckSoffice(opts); !error.empty())
        return Trouble(error);
    StripSlashes(opts.source);
    StripSlashes(opts.target);
    struct stat st;
    if (stat(opts.source.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Trouble(opts.source + ": not a folder");
    std::string error = opts.list ? "" : CheckFolders(opts);
    if (!error.empty())
        return Trouble(error);
    InstallStopHandlers();
    std::vector<WorkItem> all;
    if (!WalkTree(opts.source, all, error))
        return Trouble("cannot walk " + error);
    std::vector<WorkItem> items = ThisShard(std::move(all), opts);
    if (opts.list)
        return List(opts, items);
    const int sourceFd = OpenFolderFd(opts.source);
    const int targetFd = OpenFolderFd(opts.target);
    if (sourceFd < 0 || targetFd < 0)
        return Trouble("cannot open " + (sourceFd < 0 ? opts.source : opts.target) + ": " +
                       std::strerror(errno));
    return RunBatch(opts, items, sourceFd, targetFd);
}
