// Covers fuzz/entries.h and, through it, the translator, the response file and error file readers,
// vnkdump. The fuzz targets' checks (fuzz/entries.h) over the inputs the fuzzers kept
// (fuzz/corpus/T), the past findings (tests/fuzz/regressions/T, open ones in regressions/open/T)
// and damaged documents.

#include <gtest/gtest.h>

#include <random>

#include "../../fuzz/entries.h"
#include "support/files.h"

namespace {

using fuzzentry::Bytes;
using Check = const char* (*)(const uint8_t*, size_t);
using Target = std::pair<const char*, Check>;

const Target Targets[] = {{"translate", fuzzentry::CheckTranslate},
                          {"response", fuzzentry::CheckResponse},
                          {"errmsg", fuzzentry::CheckErrMsg},
                          {"vnkdump", fuzzentry::CheckVnkDump}};

void ExpectPasses(Check check, const Bytes& in, const std::string& what) {
    const char* why = check(in.data(), in.size());
    EXPECT_EQ(why, nullptr) << what << " (" << in.size() << " bytes): " << (why ? why : "");
}

// The files of a directory of the source tree, by name; none when it is missing.
std::vector<std::pair<std::string, Bytes>> Inputs(const std::string& dir) {
    std::vector<std::pair<std::string, Bytes>> inputs;
    for (const std::string& name : testfs::ListDir(SOURCE_DIR "/" + dir)) {
        const std::string path = SOURCE_DIR "/" + dir + "/" + name, data = testfs::ReadFile(path);
        inputs.emplace_back(path, Bytes(data.begin(), data.end()));
    }
    return inputs;
}

class CorpusReplay : public testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, KeptInputsAndRegressionsPass) {
    const auto& [name, check] = GetParam();
    const auto corpus = Inputs(std::string("fuzz/corpus/") + name);
    EXPECT_FALSE(corpus.empty()) << "no corpus";
    for (const auto& [path, in] : corpus)
        ExpectPasses(check, in, path);
    for (const auto& [path, in] : Inputs(std::string("tests/fuzz/regressions/") + name))
        ExpectPasses(check, in, path);
}
INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, testing::ValuesIn(Targets),
                         [](const auto& info) { return std::string(info.param.first); });

TEST(FuzzFindings, DISABLED_OpenFindings) { // findings not yet fixed
    for (const auto& [name, check] : Targets)
        for (const auto& [path, in] : Inputs(std::string("tests/fuzz/regressions/open/") + name))
            ExpectPasses(check, in, path);
}

// Documents cut around the signature, the body start, the first window edges (16384, then 14336
// more per move), in the last 8 bytes and at 31 places spread over the rest; fixed mutations of
// body bytes and runs of up to 64 bytes. After all that each translates as it did at first.
TEST(TranslateReplay, DamagedDocumentsTranslateAndLeaveNoState) {
    const std::string vocabulary("\0\1\2\3\7\t\16 *NJYGO@1\x80\xC1\xFF?@\30\0\xFF", 24);
    std::mt19937 rng(20240611);
    for (const auto& [path, doc] : Inputs("fuzz/corpus/translate")) {
        const fuzzentry::Translation first = fuzzentry::Translate(doc.data(), doc.size());
        std::vector<size_t> cuts;
        for (size_t edge : {644u, 1025u, 16384u, 16384u + 14336u, 16384u + 2 * 14336u})
            for (size_t n = edge - 4; n <= edge + 4; ++n)
                cuts.push_back(n);
        for (size_t k = 1; k < 32; ++k) // a cut past the end wraps around and is left out
            cuts.push_back(doc.size() * k / 32), cuts.push_back(doc.size() - (k <= 8 ? k : 0));
        for (size_t n : cuts)
            if (n < doc.size())
                ExpectPasses(fuzzentry::CheckTranslate, Bytes(doc.begin(), doc.begin() + (long)n),
                             path + " cut at " + std::to_string(n));
        for (int m = 0; m < 8 && doc.size() > 1025; ++m) {
            Bytes bad = doc;
            for (int e = 0, edits = 1 + (int)(rng() % 8); e < edits && bad.size() > 1025; ++e) {
                const size_t at = 1025 + rng() % (bad.size() - 1025), kind = rng() % 4;
                if (kind < 2) {
                    bad[at] = (uint8_t)(kind == 0 ? vocabulary[rng() % vocabulary.size()] : rng());
                    continue;
                }
                const auto from = bad.begin() + (long)at;
                const Bytes run(from,
                                from + (long)std::min<size_t>(1 + rng() % 64, bad.size() - at));
                kind == 2 ? bad.erase(from, from + (long)run.size())
                          : bad.insert(from, run.begin(), run.end());
            }
            ExpectPasses(fuzzentry::CheckTranslate, bad, path + " mutation " + std::to_string(m));
        }
        const fuzzentry::Translation again = fuzzentry::Translate(doc.data(), doc.size());
        EXPECT_TRUE(first.err == again.err && first.out == again.out) << path << " translates anew";
    }
}

// Each check rejects a wrong outcome: the translation check by its rules, the others through
// models of the readers that give known answers.
TEST(FuzzChecks, RejectWrongOutcomes) {
    Bytes doc(1025, 0);
    doc[641] = 'T', doc[642] = 'Y', doc[643] = 'P';
    doc.push_back(0x0E);
    const fuzzentry::Translation good = fuzzentry::Translate(doc.data(), doc.size());
    fuzzentry::Translation badErr = good, badOut = good;
    badErr.err = 8;
    badOut.out.at(3) ^= 1;
    EXPECT_EQ(fuzzentry::CheckTranslation(doc.data(), doc.size(), good), nullptr);
    EXPECT_NE(fuzzentry::CheckTranslation(doc.data(), doc.size(), badErr), nullptr);
    EXPECT_NE(fuzzentry::CheckTranslation(doc.data(), doc.size(), badOut), nullptr);
    doc[642] = 'y'; // without the signature only error 8 with nothing written is right
    EXPECT_NE(fuzzentry::CheckTranslation(doc.data(), doc.size(), good), nullptr);
    const std::string rsp = "  \"my doc.pfs\"  \r\n\r\n\t out \"x\".vnk\t\r\n1";
    EXPECT_EQ(fuzzentry::ExpectedArgs((const uint8_t*)rsp.data(), rsp.size()),
              (std::vector<std::string>{"my doc.pfs", "out \"x\".vnk\t", "1"}));
    const std::string msg = "3\nError trying to create target file.\n\tName:d/t.\n";
    const auto d = fuzzentry::ExpectedErrMsg((const uint8_t*)msg.data(), msg.size());
    EXPECT_EQ(std::to_string(d.code) + d.text,
              "3Error trying to create target file.\n   Name:d/t.");
}

} // namespace
