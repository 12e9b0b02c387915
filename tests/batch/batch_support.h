// Trees of documents for the batch converter's tests, runs of the built
// pfs2vnk-batch, its reports, and the look into /proc that finds its
// worker processes.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/files.h"
#include "support/program.h"

namespace batchtest {

using Json = nlohmann::json;
using Files = std::map<std::string, std::string>; // relative path -> contents

// A generated PFS document of about this many bytes (ends with its end-of-text byte).
std::string Document(size_t bytes, uint32_t seed);

// A temporary folder holding src/ (the sources) and dst/ (the targets).
class Tree {
  public:
    Tree();
    std::string src() const { return dir_ / "src"; }
    std::string dst() const { return dir_ / "dst"; }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    // Writes a source file (folders made as needed) and remembers it.
    void Add(const std::string& rel, const std::string& bytes);
    // A tree of PFS documents of every size, a cut one, a text file, an
    // empty file, a folder named like a document, a link out of the tree
    // and a FIFO.
    void AddMixed();
    // The sources written with Add.
    const Files& sources() const { return sources_; }

  private:
    testfs::TempDir dir_;
    Files sources_;
};

// A run of pfs2vnk-batch with these arguments, in the tree's folder.
testprog::Outcome Batch(const Tree& tree, const std::vector<std::string>& args);

// Every regular file under root, by relative path; "@link" or "@other" for
// entries that are not regular files (folders are walked, not listed).
Files ListTree(const std::string& root);

// The report's lines, each parsed.
std::vector<Json> ReadReport(const std::string& text);
// The same by source path relative to src (hex names decoded).
std::map<std::string, Json> BySource(const std::vector<Json>& lines, const std::string& src);

// What pfs2vnk writes for these bytes.
std::string PfsTranslation(const std::string& bytes);

// The batch's worker that has the file path open, waiting for it up to a
// minute; -1 when none did.  The worker is stopped (SIGSTOP) the moment it
// is found, so that it is still on that document whatever the test does next.
pid_t WorkerOn(pid_t batch, const std::string& path);

// The processes (but this one) whose command line names path, each as
// "PID: COMMAND LINE".
std::vector<std::string> ProcessesNaming(const std::string& path);

} // namespace batchtest
