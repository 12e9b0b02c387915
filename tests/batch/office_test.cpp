// The LibreOffice chunk runner with a stand-in soffice
// (tests/batch/fake_soffice.sh): a script that "converts" an ODT by
// wrapping its bytes in a PDF header and trailer, crashes, hangs or skips a
// file on request, and keeps a child running (as soffice keeps
// soffice.bin) that must be ended with its process group.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "batch/batch_support.h"
#include "office.h"

namespace {

namespace fs = std::filesystem;
using batchtest::ProcessesNaming;

struct Conversion {
    std::map<uint32_t, OfficeOutcome> outcomes;
    OfficeEnd end;
};

class OfficeRunner : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir_ / "bin");
        fs::create_directories(dir_ / "dst/.work");
        fs::copy_file(SOURCE_DIR "/tests/batch/fake_soffice.sh", dir_ / "bin/soffice");
    }
    void TearDown() override {
        for (const char* name : {"FAKE_SOFFICE_CRASH", "FAKE_SOFFICE_HANG", "FAKE_SOFFICE_NOLOAD"})
            unsetenv(name);
        for (int fd : {targetFd_, runFd_})
            if (fd >= 0)
                close(fd);
    }
    // An ODT (a zip file's signature, then the text) at rel of the target folder.
    uint32_t AddOdt(const std::string& rel, const std::string& text) {
        const std::string path = dir_ / ("dst/" + rel + ".odt");
        fs::create_directories(fs::path(path).parent_path());
        testfs::WriteFile(path, "PK\3\4 " + text);
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {600000000 + static_cast<time_t>(jobs_.size()), 250}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
        jobs_.push_back({static_cast<uint32_t>(jobs_.size()), rel + ".odt", rel + ".pdf"});
        return jobs_.back().index;
    }
    Conversion Convert(int runners, double timeout) {
        targetFd_ = open((dir_ / "dst").c_str(), O_RDONLY | O_DIRECTORY);
        runFd_ = open((dir_ / "dst/.work").c_str(), O_RDONLY | O_DIRECTORY);
        OfficeSetup setup{
            dir_ / "bin/soffice", targetFd_, runFd_, runners, MaxChunk, timeout, false};
        Conversion run;
        run.end = ConvertToPdf(
            setup, jobs_, [&](const OfficeOutcome& o) { run.outcomes[o.index] = o; }, [] {});
        return run;
    }
    std::string Pdf(const std::string& rel) {
        return testfs::ReadFile(dir_ / ("dst/" + rel + ".pdf"));
    }
    std::vector<std::string> Calls() {
        std::ifstream in(dir_ / "bin/calls");
        std::vector<std::string> calls;
        for (std::string line; std::getline(in, line);)
            calls.push_back(line);
        return calls;
    }

    testfs::TempDir dir_;
    int targetFd_ = -1, runFd_ = -1;
    std::vector<OfficeJob> jobs_;
};

TEST_F(OfficeRunner, ChunksGiveEachDocumentItsPdfWithTheOdtsTimeAndLeaveNothingBehind) {
    for (int i = 0; i < 10; ++i)
        AddOdt((i % 2 ? "a/" : "b/") + std::string("same.pfs") + std::to_string(i / 2),
               "letter " + std::to_string(i));
    const Conversion run = Convert(2, 30);
    EXPECT_EQ(run.end, OfficeEnd::Finished);
    ASSERT_EQ(run.outcomes.size(), 10u);
    for (const OfficeJob& job : jobs_) {
        EXPECT_TRUE(run.outcomes.at(job.index).ok)
            << job.odt << ": " << run.outcomes.at(job.index).error;
        const std::string odt = testfs::ReadFile(dir_ / ("dst/" + job.odt));
        EXPECT_EQ(testfs::ReadFile(dir_ / ("dst/" + job.pdf)), "%PDF-1.7\n" + odt + "\n%%EOF\n");
        struct stat a {
        }, b{};
        stat((dir_ / ("dst/" + job.odt)).c_str(), &a);
        stat((dir_ / ("dst/" + job.pdf)).c_str(), &b);
        EXPECT_EQ(b.st_mtim.tv_sec, a.st_mtim.tv_sec);
        EXPECT_EQ(b.st_mtim.tv_nsec, a.st_mtim.tv_nsec);
    }
    EXPECT_EQ(Calls(), (std::vector<std::string>{"5", "5"}))
        << "one start per runner, five files each";
    EXPECT_TRUE(fs::is_empty(dir_ / "dst/.work")) << "no folder, profile or PDF left";
    EXPECT_EQ(ProcessesNaming(dir_.path()), std::vector<std::string>{});
}

TEST_F(OfficeRunner, ACrashAHangAndAMissingPdfCostOnlyTheirOwnDocuments) {
    std::map<uint32_t, std::string> bad = {{1, "CRASH"}, {4, "HANG"}, {7, "NOLOAD"}};
    for (uint32_t i = 0; i < 9; ++i) {
        const std::string rel = "d" + std::to_string(i) + ".pfs";
        AddOdt(rel, "letter " + std::to_string(i));
        if (bad.count(i) != 0)
            setenv(("FAKE_SOFFICE_" + bad[i]).c_str(), (dir_ / ("dst/" + rel + ".odt")).c_str(), 1);
    }
    const Conversion run = Convert(3, 1);
    EXPECT_EQ(run.end, OfficeEnd::Finished);
    ASSERT_EQ(run.outcomes.size(), 9u);
    for (const OfficeJob& job : jobs_) {
        const OfficeOutcome& o = run.outcomes.at(job.index);
        EXPECT_EQ(o.ok, bad.count(job.index) == 0) << job.odt << ": " << o.error;
        EXPECT_EQ(testfs::Exists(dir_ / ("dst/" + job.pdf)), o.ok) << job.pdf;
    }
    EXPECT_EQ(run.outcomes.at(1).error, "pdf: LibreOffice ended by signal 11 (Segmentation fault)");
    EXPECT_EQ(run.outcomes.at(4).error,
              "pdf: LibreOffice passed its time limit (1 s without a PDF)");
    EXPECT_EQ(run.outcomes.at(7).error, "pdf: LibreOffice wrote no PDF");
    // Three chunks of three; the crashed and the hung one again document by
    // document, the missing PDF of the third alone.
    EXPECT_EQ(Calls(),
              (std::vector<std::string>{"3", "3", "3", "1", "1", "1", "1", "1", "1", "1"}));
    EXPECT_TRUE(fs::is_empty(dir_ / "dst/.work"));
    EXPECT_EQ(ProcessesNaming(dir_.path()), std::vector<std::string>{});
}

TEST_F(OfficeRunner, FindsSofficeOnPathOrAsNamed) {
    const std::string bin = dir_ / "bin";
    const std::string saved = getenv("PATH") != nullptr ? getenv("PATH") : "";
    setenv("PATH", ("/nonexistent:" + bin).c_str(), 1);
    EXPECT_EQ(FindSoffice(""), bin + "/soffice");
    setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(FindSoffice(""), "");
    setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(FindSoffice(bin + "/soffice"), bin + "/soffice");
    EXPECT_EQ(FindSoffice(bin), "") << "a folder is not a program";
    EXPECT_EQ(FindSoffice(dir_ / "dst/nothing"), "");
}

} // namespace
