// Covers the whole translator (src/) through the built pfs2vnk, on the golden corpus
// (tests/golden).
//
// Every document of tests/golden/corpus translates to its checked-in stream, byte for byte.
// After an intended change of the output, tests/golden/regenerate.sh makes the streams anew
// and prints the difference as vnkdump listings.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/files.h"

namespace {

// Runs pfs2vnk silently on src, writing target; its exit status (-1 when it did not exit).
int Translate(const std::string& src, const std::string& target) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(null, 1), dup2(null, 2);
        execl(PFS2VNK_EXE, "pfs2vnk", src.c_str(), target.c_str(), "0", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status)
                                                                           : -1;
}

TEST(Golden, EveryDocumentTranslatesToItsStream) {
    const std::string corpus = GOLDEN_DIR;
    std::vector<std::string> documents;
    for (const std::string& name : testfs::ListDir(corpus))
        if (name.size() > 4 && name.ends_with(".pfs"))
            documents.push_back(name.substr(0, name.size() - 4));
    ASSERT_GE(documents.size(), 300u) << "the corpus is missing from " << corpus;
    testfs::TempDir dir;
    int differ = 0;
    for (const std::string& doc : documents) {
        const int code = Translate(corpus + "/" + doc + ".pfs", dir / "out.vnk");
        const std::string got = testfs::ReadFile(dir / "out.vnk");
        const std::string want = testfs::ReadFile(corpus + "/" + doc + ".vnk");
        unlink((dir / "out.vnk").c_str());
        if (code == 0 && got == want)
            continue;
        const auto at = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
        ADD_FAILURE() << doc << ": exit " << code << ", " << got.size() << " bytes for "
                      << want.size() << ", first difference at offset " << at.first - got.begin();
        ++differ;
    }
    EXPECT_EQ(differ, 0) << "tests/golden/regenerate.sh shows the differences as listings";
}

} // namespace
