// Temporary files, directory parts of paths and allocation.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/errors.h"
#include "driver/services.h"
#include "driver/startup.h"
#include "driver_test_util.h"

namespace {

using drvtest::Exists;

class ServicesFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetStartup();
        ResetErrors();
    }
    void TearDown() override {
        ResetStartup();
        ResetErrors();
    }
    drvtest::TempDir dir;
};

std::string FilePart(const std::string& p) {
    return p.substr(p.rfind('/') + 1);
}
std::string DirOf(const std::string& p) {
    return p.substr(0, p.rfind('/'));
}

// ------------------------------------------------------------ temporary files ---

using ServicesTempFile = ServicesFixture;

TEST_F(ServicesTempFile, TwoFilesInMvTempDirWithDistinctMvtmpNames) {
    snprintf(MvTempDir, sizeof MvTempDir, "%s", dir.path().c_str());
    char a[TempNameSize], b[TempNameSize];
    FILE* fa = CreateTempFile(a);
    FILE* fb = CreateTempFile(b);
    ASSERT_NE(fa, nullptr);
    ASSERT_NE(fb, nullptr);
    EXPECT_STRNE(a, b);
    for (const char* n : {a, b}) {
        EXPECT_EQ(DirOf(n), dir.path());
        EXPECT_EQ(FilePart(n).rfind("mvtmp", 0), 0u);
        EXPECT_TRUE(Exists(n));
    }
    // Open for reading and writing.
    fputs("abc", fa);
    rewind(fa);
    char got[4] = {};
    EXPECT_EQ(fread(got, 1, 3, fa), 3u);
    EXPECT_STREQ(got, "abc");
    DeleteTempFile(fa, a);
    DeleteTempFile(fb, b);
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));
}

TEST_F(ServicesTempFile, TrailingSlashInMvTempDirGivesNoDoubleSlash) {
    snprintf(MvTempDir, sizeof MvTempDir, "%s/", dir.path().c_str());
    char n[TempNameSize];
    FILE* f = CreateTempFile(n);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(DirOf(n), dir.path());
    DeleteTempFile(f, n);
}

TEST_F(ServicesTempFile, EmptyOrUnusableMvTempDirFallsBackToSystemDirectory) {
    const std::string sys = P_tmpdir[0] != '\0' ? P_tmpdir : "/tmp";
    for (std::string tmp : {std::string(), dir / "missing", dir / "plainfile"}) {
        drvtest::WriteFile(dir / "plainfile", "x");
        snprintf(MvTempDir, sizeof MvTempDir, "%s", tmp.c_str());
        char n[TempNameSize];
        FILE* f = CreateTempFile(n);
        ASSERT_NE(f, nullptr) << tmp;
        EXPECT_EQ(DirOf(n), sys.back() == '/' ? sys.substr(0, sys.size() - 1) : sys) << tmp;
        EXPECT_EQ(FilePart(n).rfind("mvtmp", 0), 0u);
        DeleteTempFile(f, n);
        EXPECT_FALSE(Exists(n));
    }
}

TEST_F(ServicesTempFile, DeleteWithEmptyNameLeavesStreamAndFileAlone) {
    snprintf(MvTempDir, sizeof MvTempDir, "%s", dir.path().c_str());
    char n[TempNameSize];
    FILE* f = CreateTempFile(n);
    ASSERT_NE(f, nullptr);
    DeleteTempFile(f, "");
    EXPECT_TRUE(Exists(n));
    EXPECT_GE(fputs("still open", f), 0);
    EXPECT_EQ(fflush(f), 0);
    EXPECT_EQ(drvtest::ReadFile(n), "still open");
    DeleteTempFile(f, n);
    EXPECT_FALSE(Exists(n));
}

TEST_F(ServicesTempFile, DeleteOfAnAlreadyClosedStreamStillDeletesFile) {
    snprintf(MvTempDir, sizeof MvTempDir, "%s", dir.path().c_str());
    char n[TempNameSize];
    FILE* f = CreateTempFile(n);
    ASSERT_NE(f, nullptr);
    fclose(f);
    DeleteTempFile(nullptr, n); // closed streams are passed as null
    EXPECT_FALSE(Exists(n));
}

// ------------------------------------------------------------ directory parts ---

TEST(ServicesTargetPath, DirectoryWithClosingSlashOnly) {
    ResetStartup();
    char buf[1024];
    const std::pair<const char*, const char*> cases[] = {
        {"/data/out/doc.txt", "/data/out/"},
        {"doc.txt", ""},
        {"", ""},
        {"vol:doc.txt", ""}, // only '/' separates here
        {"/doc", "/"},
    };
    for (auto [target, want] : cases) {
        OutFileName = target;
        memset(buf, 'z', sizeof buf);
        MvGetTargetPath(buf);
        EXPECT_STREQ(buf, want) << target;
    }
    OutFileName = nullptr;
    MvGetTargetPath(buf);
    EXPECT_STREQ(buf, "");
    ResetStartup();
}

TEST(ServicesTargetPath, LongTargetNameIsCutAndTerminated) {
    ResetStartup();
    std::string longName = std::string(1500, 'a') + "/f";
    OutFileName = longName.c_str();
    char buf[1024];
    MvGetTargetPath(buf);
    EXPECT_STREQ(buf, ""); // the slash lies beyond the 1023 characters kept
    std::string withSlash = "d/" + std::string(1500, 'a');
    OutFileName = withSlash.c_str();
    MvGetTargetPath(buf);
    EXPECT_STREQ(buf, "d/");
    ResetStartup();
}

TEST(ServicesDirPart, SlashThenColonThenNothing) {
    char out[32];
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/pfs2vnk", "/usr/bin/"},
        {"a:b/c:d", "a:b/"},
        {"vol:x:prog", "vol:x:"},
        {"prog", ""},
        {"", ""},
        {"/", "/"},
    };
    for (auto [path, want] : cases) {
        GetDirPart(out, sizeof out, path, 1023);
        EXPECT_STREQ(out, want) << path;
    }
    GetDirPart(out, sizeof out, nullptr, 1023);
    EXPECT_STREQ(out, "");
}

TEST(ServicesDirPart, OnlyTheFirstCharactersCountAndOutputStaysInBounds) {
    char out[8];
    GetDirPart(out, sizeof out, "ab/cd/ef", 4);
    EXPECT_STREQ(out, "ab/");
    GetDirPart(out, sizeof out, "abcdefghij/k", 1023);
    EXPECT_STREQ(out, ""); // the slash lies beyond what fits
    GetDirPart(out, sizeof out, "abc/defgh/k", 1023);
    EXPECT_STREQ(out, "abc/");
}

// ----------------------------------------------------------------- allocation ---

TEST(ServicesMalloc, ZeroGivesNullAndKeepsErrType) {
    ResetErrors();
    EXPECT_EQ(GetMalloc(0), nullptr);
    EXPECT_EQ(ErrType, 0);
}

TEST(ServicesMalloc, BlockOfTheLargestSize) {
    ResetErrors();
    ErrType = 5;
    auto* p = static_cast<unsigned char*>(GetMalloc(65535));
    ASSERT_NE(p, nullptr);
    p[0] = 1;
    p[65534] = 2;
    EXPECT_EQ(ErrType, 5);
    free(p);
    ResetErrors();
}

} // namespace
