// Helpers of the batch converter's tests.

#include "batch/batch_support.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "generate.h"

namespace batchtest {

namespace fs = std::filesystem;

std::string Document(size_t bytes, uint32_t seed) {
    auto doc = GenerateDocument(bytes, seed);
    return std::string(doc.begin(), doc.end());
}

Tree::Tree() {
    fs::create_directory(src());
}

void Tree::Add(const std::string& rel, const std::string& bytes) {
    fs::path p = fs::path(src()) / rel;
    fs::create_directories(p.parent_path());
    testfs::WriteFile(p.string(), bytes);
    sources_[rel] = bytes;
}

void Tree::AddMixed() {
    const size_t sizes[] = {300, 4096, 16384, 16385, 40000, 200000};
    for (size_t i = 0; i < std::size(sizes); ++i)
        Add("letters/l" + std::to_string(sizes[i]) + ".pfs", Document(sizes[i], 7 + i));
    std::string whole = Document(30000, 3);
    Add("cut.pfs", whole.substr(0, whole.size() * 2 / 3));
    Add("notes.txt", "shopping list\n");
    Add("empty.pfs", "");
    Add("folder.pfs/inner.pfs", Document(2000, 5));
    fs::create_symlink("/etc/hostname", fs::path(src()) / "outside.pfs");
    mkfifo((src() + "/pipe.pfs").c_str(), 0600);
}

testprog::Outcome Batch(const Tree& tree, const std::vector<std::string>& args) {
    return testprog::Run(tree / "", args, "", {}, PFS2VNK_BATCH_EXE);
}

Files ListTree(const std::string& root) {
    Files files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::end(it);
         it.increment(ec)) {
        const std::string rel = fs::relative(it->path(), root).string();
        if (it->is_symlink())
            files[rel] = "@link";
        else if (it->is_regular_file())
            files[rel] = testfs::ReadFile(it->path().string());
        else if (!it->is_directory())
            files[rel] = "@other";
    }
    return files;
}

std::vector<Json> ReadReport(const std::string& text) {
    std::vector<Json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(Json::parse(line));
    return lines;
}

namespace {

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

} // namespace

std::map<std::string, Json> BySource(const std::vector<Json>& lines, const std::string& src) {
    std::map<std::string, Json> by;
    for (const auto& j : lines) {
        std::string s = j.contains("source") ? j["source"].get<std::string>()
                                             : FromHex(j["source_hex"].get<std::string>());
        by[s.substr(src.size() + 1)] = j;
    }
    return by;
}

std::string PfsTranslation(const std::string& bytes) {
    testfs::TempDir dir;
    testfs::WriteFile(dir / "in.pfs", bytes);
    testprog::Run(dir.path(), {"in.pfs", "out.vnk", "0"});
    return testfs::ReadFile(dir / "out.vnk");
}

namespace {

std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> kids;
    DIR* proc = opendir("/proc");
    while (dirent* e = proc != nullptr ? readdir(proc) : nullptr) {
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string text;
        if (!std::getline(stat, text) || text.rfind(')') == std::string::npos)
            continue;
        std::istringstream rest(text.substr(text.rfind(')') + 2));
        char state;
        pid_t ppid = 0;
        if (rest >> state >> ppid && ppid == parent)
            kids.push_back(std::stoi(e->d_name));
    }
    if (proc != nullptr)
        closedir(proc);
    return kids;
}

bool HasOpen(pid_t pid, const std::string& path) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
        if (fs::read_symlink(e.path(), ec) == path)
            return true;
    return false;
}

} // namespace

pid_t WorkerOn(pid_t batch, const std::string& path) {
    const std::string real = fs::canonical(path).string();
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::vector<pid_t> workers;
    for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
        if (workers.empty() || round % 50 == 0)
            workers = ChildrenOf(batch);
        for (pid_t w : workers)
            if (HasOpen(w, real) && kill(w, SIGSTOP) == 0)
                return w;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return -1;
}

std::vector<std::string> ProcessesNaming(const std::string& path) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string pid = e.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            pid == std::to_string(getpid()))
            continue;
        const std::string cmd = testfs::ReadFile(e.path() / "cmdline");
        if (cmd.find(path) != std::string::npos)
            found.push_back(pid + ": " + cmd);
    }
    return found;
}

} // namespace batchtest
