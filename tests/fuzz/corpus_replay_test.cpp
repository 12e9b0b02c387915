// The fuzz corpus replayed by the normal suite: every input the fuzzers kept
// (fuzz/corpus/TARGET) and every input that once made one fail
// (tests/fuzz/regressions/TARGET) goes through the same entry functions the
// libFuzzer targets call (fuzz/entries.h) and must pass their checks.
//
// A new finding is saved under tests/fuzz/regressions/open/TARGET/ and
// replayed by the disabled test OpenFindings until the translator is fixed;
// then it moves to tests/fuzz/regressions/TARGET/ and is replayed always.
//
// Besides the corpus itself: translating is repeatable (no state survives
// from one run to the next), documents cut short at the places that matter
// translate cleanly, and a fixed set of mutated documents does too.  The checks' own rules are pinned to
// known answers so that a broken rule cannot pass everything.

#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "../../fuzz/entries.h"

namespace {

using fuzzentry::Bytes;
using CheckFn = const char* (*)(const uint8_t*, size_t);

struct Target {
    const char* name;
    CheckFn check;
};

const Target Targets[] = {
    {"translate", fuzzentry::CheckTranslate},
    {"response", fuzzentry::CheckResponse},
    {"errmsg", fuzzentry::CheckErrMsg},
    {"vnkdump", fuzzentry::CheckVnkDump},
};

// The regular files of a directory, sorted by name; none when it is missing.
std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string path = dir + "/" + e->d_name;
            struct stat st;
            if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                files.push_back(path);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

Bytes ReadAll(const std::string& path) {
    Bytes b;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        int c;
        while ((c = getc(f)) != EOF)
            b.push_back((uint8_t)c);
        fclose(f);
    }
    return b;
}

std::string CorpusDir(const std::string& target) {
    return std::string(SOURCE_DIR) + "/fuzz/corpus/" + target;
}
std::string RegressionDir(const std::string& target) {
    return std::string(SOURCE_DIR) + "/tests/fuzz/regressions/" + target;
}
std::string OpenFindingDir(const std::string& target) {
    return std::string(SOURCE_DIR) + "/tests/fuzz/regressions/open/" + target;
}

// Runs check over every file of dir; returns the number of files.
size_t ReplayDir(const std::string& dir, CheckFn check) {
    size_t n = 0;
    for (const std::string& path : FilesIn(dir)) {
        Bytes data = ReadAll(path);
        const char* why = check(data.data(), data.size());
        EXPECT_EQ(why, nullptr) << path << ": " << (why != nullptr ? why : "");
        ++n;
    }
    return n;
}

std::vector<Bytes> TranslateCorpus() {
    std::vector<Bytes> docs;
    for (const std::string& path : FilesIn(CorpusDir("translate")))
        docs.push_back(ReadAll(path));
    return docs;
}

void ExpectTranslates(const Bytes& doc, const std::string& what) {
    const char* why = fuzzentry::CheckTranslate(doc.data(), doc.size());
    EXPECT_EQ(why, nullptr) << what << " (" << doc.size() << " bytes): " << (why ? why : "");
}

// ------------------------------------------------------------------ replay ---

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EveryKeptInputPassesTheChecks) {
    const Target& t = GetParam();
    EXPECT_GT(ReplayDir(CorpusDir(t.name), t.check), 0u) << "no corpus for " << t.name;
    ReplayDir(RegressionDir(t.name), t.check);
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, ::testing::ValuesIn(Targets),
                         [](const auto& info) { return std::string(info.param.name); });

// Findings not yet fixed: run with --gtest_also_run_disabled_tests.
TEST(FuzzFindings, DISABLED_OpenFindings) {
    size_t n = 0;
    for (const Target& t : Targets)
        n += ReplayDir(OpenFindingDir(t.name), t.check);
    EXPECT_GT(n, 0u) << "no open findings";
}

// --------------------------------------------------------- the translator ---

// A run leaves nothing behind that changes the next one: each document
// translates to the same stream before and after another document.
TEST(TranslateReplay, RepeatableWhateverRanBefore) {
    std::vector<Bytes> docs = TranslateCorpus();
    ASSERT_FALSE(docs.empty());
    for (size_t i = 0; i < docs.size(); ++i) {
        const Bytes& doc = docs[i];
        const Bytes& other = docs[(i + 1) % docs.size()];
        fuzzentry::Translation first = fuzzentry::Translate(doc.data(), doc.size());
        fuzzentry::Translate(other.data(), other.size());
        fuzzentry::Translation again = fuzzentry::Translate(doc.data(), doc.size());
        EXPECT_EQ(first.err, again.err) << "corpus document " << i;
        EXPECT_TRUE(first.out == again.out)
            << "corpus document " << i << " (" << doc.size() << " bytes) translates differently";
    }
}

// Documents cut short: around the signature, the body's start and the
// edges of the first windows (16384 bytes, then 14336 more per move with the
// keep-back of 1024), at the last bytes, and at 32 places spread over the
// rest of the document.
TEST(TranslateReplay, CutDocumentsTranslate) {
    const std::vector<Bytes> docs = TranslateCorpus();
    for (size_t i = 0; i < docs.size(); ++i) {
        const Bytes& doc = docs[i];
        std::vector<size_t> cuts;
        for (size_t edge : {644u, 1025u, 16384u, 16384u + 14336u, 16384u + 2 * 14336u})
            for (size_t n = edge - 4; n <= edge + 4; ++n)
                cuts.push_back(n);
        for (size_t back = 1; back <= 8 && back <= doc.size(); ++back)
            cuts.push_back(doc.size() - back);
        for (size_t k = 1; k < 32; ++k)
            cuts.push_back(doc.size() * k / 32);
        for (size_t n : cuts) {
            if (n >= doc.size())
                continue;
            ExpectTranslates(Bytes(doc.begin(), doc.begin() + (long)n),
                             "corpus document " + std::to_string(i) + " cut at " +
                                 std::to_string(n));
        }
    }
}

// A fixed set of damaged documents: bytes of the body replaced by bytes of
// the format's vocabulary or by any byte, runs of bytes dropped or repeated.
TEST(TranslateReplay, MutatedDocumentsTranslate) {
    static const uint8_t vocabulary[] = {0x00, 0x01, 0x02, 0x03, 0x07, 0x09, 0x0E, 0x20,
                                         '*',  'N',  'J',  'Y',  'G',  'O',  '@',  '1',
                                         0x80, 0xC1, 0xFF, 0x3F, 0x40, 0x18, 0x00, 0xFF};
    std::mt19937 rng(20240611);
    const std::vector<Bytes> docs = TranslateCorpus();
    for (size_t i = 0; i < docs.size(); ++i) {
        if (docs[i].size() <= 1025)
            continue;
        for (int m = 0; m < 8; ++m) {
            Bytes doc = docs[i];
            const int edits = 1 + (int)(rng() % 8);
            for (int e = 0; e < edits && doc.size() > 1025; ++e) {
                size_t at = 1025 + rng() % (doc.size() - 1025);
                switch (rng() % 4) {
                case 0:
                    doc[at] = vocabulary[rng() % sizeof vocabulary];
                    break;
                case 1:
                    doc[at] = (uint8_t)rng();
                    break;
                case 2: {
                    size_t len = std::min<size_t>(1 + rng() % 64, doc.size() - at);
                    doc.erase(doc.begin() + (long)at, doc.begin() + (long)(at + len));
                    break;
                }
                default: {
                    size_t len = std::min<size_t>(1 + rng() % 64, doc.size() - at);
                    Bytes run(doc.begin() + (long)at, doc.begin() + (long)(at + len));
                    doc.insert(doc.begin() + (long)at, run.begin(), run.end());
                    break;
                }
                }
            }
            ExpectTranslates(doc, "corpus document " + std::to_string(i) + " mutation " +
                                      std::to_string(m));
        }
    }
}

// --------------------------------------------------- the checks themselves ---

TEST(FuzzChecks, TranslationRulesRejectWrongOutcomes) {
    Bytes doc(1025, 0);
    doc[641] = 'T';
    doc[642] = 'Y';
    doc[643] = 'P';
    doc.push_back(0x0E);
    fuzzentry::Translation good = fuzzentry::Translate(doc.data(), doc.size());
    EXPECT_EQ(fuzzentry::CheckTranslation(doc.data(), doc.size(), good), nullptr);
    EXPECT_EQ(fuzzentry::ReferencePrologue().size(), 85u);

    fuzzentry::Translation bad = good;
    bad.err = 8;
    EXPECT_NE(fuzzentry::CheckTranslation(doc.data(), doc.size(), bad), nullptr);
    bad = good;
    bad.out[3] ^= 1;
    EXPECT_NE(fuzzentry::CheckTranslation(doc.data(), doc.size(), bad), nullptr);

    doc[642] = 'y';
    fuzzentry::Translation rejected = fuzzentry::Translate(doc.data(), doc.size());
    EXPECT_EQ(rejected.err, 8);
    EXPECT_TRUE(rejected.out.empty());
    EXPECT_EQ(fuzzentry::CheckTranslation(doc.data(), doc.size(), rejected), nullptr);
    EXPECT_NE(fuzzentry::CheckTranslation(doc.data(), doc.size(), good), nullptr);
}

TEST(FuzzChecks, ResponseRulesGiveTheKnownArguments) {
    const std::string text = "  \"my doc.pfs\"  \r\n\r\n\t out \"x\".vnk\t\r\n1";
    auto args = fuzzentry::ExpectedArgs((const uint8_t*)text.data(), text.size());
    EXPECT_EQ(args, (std::vector<std::string>{"my doc.pfs", "out \"x\".vnk\t", "1"}));

    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "a" + std::to_string(i) + "\n";
    args = fuzzentry::ExpectedArgs((const uint8_t*)many.data(), many.size());
    ASSERT_EQ(args.size(), 19u);
    EXPECT_EQ(args.back(), "a18");

    const std::string longLine = std::string(1500, 'z') + "  \"";
    args = fuzzentry::ExpectedArgs((const uint8_t*)longLine.data(), longLine.size());
    ASSERT_EQ(args.size(), 1u);
    EXPECT_EQ(args[0], std::string(1023, 'z'));

    const std::string nul("ab\0cd\n\"\"\n", 9);
    args = fuzzentry::ExpectedArgs((const uint8_t*)nul.data(), nul.size());
    EXPECT_EQ(args, (std::vector<std::string>{"ab"}));

    EXPECT_EQ(fuzzentry::CheckResponse((const uint8_t*)text.data(), text.size()), nullptr);
}

TEST(FuzzChecks, ErrMsgRulesGiveTheKnownMessages) {
    const std::string target = "3\nError trying to create target file.\n\tName:d/t.\n";
    auto d = fuzzentry::ExpectedErrMsg((const uint8_t*)target.data(), target.size());
    EXPECT_EQ(d.code, 3);
    EXPECT_EQ(d.text, "Error trying to create target file.\n   Name:d/t.");

    const std::string digits = "-123456789012\r\n\r\nabc\r\n";
    d = fuzzentry::ExpectedErrMsg((const uint8_t*)digits.data(), digits.size());
    EXPECT_EQ(d.code, 12345678);
    EXPECT_EQ(d.text, "abc");

    d = fuzzentry::ExpectedErrMsg(nullptr, 0);
    EXPECT_EQ(d.code, 0);
    EXPECT_EQ(d.text, " Unknown: Error File incomplete or not found");

    std::string tabs = "5\n";
    for (int i = 0; i < 400; ++i)
        tabs += "\t";
    d = fuzzentry::ExpectedErrMsg((const uint8_t*)tabs.data(), tabs.size());
    // The first tab is not printable and is dropped; the rest fill 1122 with spaces,
    // which are then kept (they are inside 0x20..0x7F).
    EXPECT_EQ(d.text, std::string(1122, ' '));

    EXPECT_EQ(fuzzentry::CheckErrMsg((const uint8_t*)target.data(), target.size()), nullptr);
}

TEST(FuzzChecks, VnkDumpAgreesOnTruncation) {
    const uint8_t cut[] = {0x00, 0xF0, 0x01, 0x0A, 0x00, 0x64, 0x02, 0x10};
    EXPECT_EQ(fuzzentry::CheckVnkDump(cut, sizeof cut), nullptr);
    EXPECT_EQ(fuzzentry::CheckVnkDump(nullptr, 0), nullptr);
}

} // namespace
