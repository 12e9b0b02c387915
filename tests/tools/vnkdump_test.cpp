// Covers tools/vnkdump/listing.cpp, payload.cpp, stats.cpp and main.cpp.
// The stream inspector: in memory on input that ends at an inaccessible page (a read past it
// faults), and as a program.

#include <sys/mman.h>

#include "listing.h"
#include "render.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/program.h"

namespace {

using Result = testprog::Outcome;

// VnkDump over a copy of the bytes that ends right at an inaccessible page.
Result Dump(const Bytes& bytes) {
    const size_t page = (size_t)sysconf(_SC_PAGESIZE);
    const size_t data = (bytes.size() + page - 1) / page * page;
    auto* map = (uint8_t*)mmap(nullptr, data + page, PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if ((void*)map == MAP_FAILED || mprotect(map + data, page, PROT_NONE) != 0)
        abort();
    uint8_t* start = std::copy_backward(bytes.begin(), bytes.end(), map + data);
    char *out = nullptr, *err = nullptr;
    size_t outSize = 0, errSize = 0;
    FILE* o = open_memstream(&out, &outSize);
    FILE* e = open_memstream(&err, &errSize);
    const int status = vnkdump::VnkDump(start, bytes.size(), o, e, false);
    fclose(o), fclose(e), munmap(map, data + page);
    Result r{status, std::string(out, outSize), std::string(err, errSize)};
    free(out), free(err);
    return r;
}

// A command line run by the shell, its output and error streams captured.
Result Shell(const std::string& command) {
    testfs::TempDir dir;
    const int raw = std::system((command + " >" + dir / "out" + " 2>" + dir / "err").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testfs::ReadFile(dir / "out"),
            testfs::ReadFile(dir / "err")};
}

// Exit 0 when listed or rendered, 1 on a truncated stream, 2 on bad usage, unreadable input
// or an unknown code page.
TEST(VnkdumpProgram, ArgumentsAndExitStatuses) {
    const Bytes stream = RecB(0xF0, 10) + B("Hi") + CR;
    const std::string listing =
        "000000  F0  source-program  10\n000004  text  \"Hi\"\n000006  CR\n";
    testfs::TempDir dir;
    testfs::WriteFile(dir / "tiny.vnk", stream);
    testfs::WriteFile(dir / "cut.vnk", stream + Bytes{0x00, 0x65, 0x02, 0x90});
    const std::string tiny = dir / "tiny.vnk",
                      usage = "usage: vnkdump [--stats | --text | --html | --odt] [--codepage "
                              "NAME] [-o OUT] FILE|-\n";
    const std::pair<std::string, Result> cases[] = {
        {tiny, {0, listing, ""}},
        {"- <" + tiny, {0, listing, ""}},
        {"--stats " + tiny,
         {0, "F0  source-program  1\nrecords  1\ntext-bytes  3\nhard-returns  1\n", ""}},
        {dir / "cut.vnk",
         {1, listing,
          "vnkdump: record at offset 0x000007 truncated: code 65, length 2, 1 byte left\n"}},
        {"--help", {0, usage, ""}},
        {"", {2, "", usage}},
        {"a b", {2, "", usage}},
        {"--bogus x", {2, "", usage}},
        {"--stats", {2, "", usage}},
        {dir / "missing.vnk", {2, "", "vnkdump: cannot read " + dir / "missing.vnk" + ": "}},
        {"--text " + tiny, {0, "Hi\n", ""}},
        {"--text --codepage CP850 - <" + tiny, {0, "Hi\n", ""}},
        {"--text " + dir / "cut.vnk",
         {1, "Hi\n", "vnkdump: record at offset 0x000007 truncated: code 65, length 2"}},
        {"--text --codepage NO-SUCH " + tiny, {2, "", "vnkdump: unknown code page NO-SUCH\n"}},
        {"--html --stats " + tiny, {2, "", usage}},
        {"--codepage CP850 " + tiny, {2, "", usage}},
        {"--text --codepage", {2, "", usage}},
    };
    for (const auto& [args, want] : cases) {
        const Result r = Shell("'" VNKDUMP_EXE "' " + args);
        EXPECT_TRUE(r.code == want.code && r.out == want.out) << args << ": " << r.out;
        EXPECT_TRUE(want.err.empty() ? r.err.empty() : r.err.find(want.err) != std::string::npos)
            << args << ": " << r.err;
    }
}

// Every payload kind, and every cut of their stream: sound just at element ends, listing those.
TEST(VnkdumpListing, PayloadKindsAndEveryCut) {
    const std::pair<Bytes, std::string> elements[] = {
        {P, "D6  para-start  0"},
        {B("A"), "text  \"A\""},
        {CR, "CR"},
        {{0x00, 0x70, 0x01, 0xFF}, "70  tab-p  255"},
        {{0x00, 0x22, 0x02, 0x00, 0x80}, "22  prologue-22  -32768"},
        {{0x00, 0x64, 0x02, 0x30, 0xFD}, "64  left-margin  -720 (-0.500in)"},
        {{0x00, 0x21, 0x02, 0x12, 0x00}, "21  line-spacing  18 (0.013in)"}, // 0.0125 rounds up
        {{0x00, 0x65, 0x02, 0xFF, 0x7F}, "65  right-margin  32767 (22.755in)"},
        {{0x00, 0xC4, 0x03, '1', '"', '\\'}, "C4  command-text  \"1\\\"\\\\\""},
        {{0x00, 0x75, 0x02, 0xFF, 0x09}, "75  tab-other  255 \"\\x09\""},
        {{0x00, 0x4F, 0x02, 0x01, 0x02}, "4F  align  raw 01 02"}, // lengths that do not fit
        {{0x00, 0x75, 0x03, 0x0C, 'x', 0x00}, "75  tab-other  raw 0C 78 00"},
        {{0x00, 0xFF, 0x00}, "FF  ??  raw"}, // a code the module never writes
        {Bytes{0x00, 0xC4, 0xFF} + Bytes(255, 'a'),
         "C4  command-text  \"" + std::string(255, 'a') + "\""},
    };
    Bytes stream;
    std::vector<std::pair<size_t, std::string>> ends; // where each element ends, its listing line
    for (const auto& [bytes, line] : elements) {
        char offset[16];
        snprintf(offset, sizeof offset, "%06zX  ", stream.size());
        stream = stream + bytes;
        ends.emplace_back(stream.size(), offset + line + "\n");
    }
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        std::string expected;
        bool atEnd = cut == 0;
        for (const auto& [end, line] : ends) {
            expected += end <= cut ? line : "";
            atEnd = atEnd || end == cut;
        }
        const Result r = Dump(Bytes(stream.begin(), stream.begin() + (long)cut));
        EXPECT_TRUE(r.code == (atEnd ? 0 : 1) && r.out == expected && r.err.empty() == atEnd)
            << "cut " << cut << ": " << r.out << r.err;
    }
    const std::string out = Dump(Bytes(0x10000, 'a') + CR + Bytes{0x00, 0xD7, 0x01, 0x00}).out;
    EXPECT_EQ(out.substr(out.find('\n') + 1), "010000  CR\n010001  D7  soft-page  0\n"); // no wrap
}

// A record cut off by the end: what came before is listed, then the report; exit 1.
TEST(VnkdumpTruncated, ReportsTheBrokenRecord) {
    const std::pair<Bytes, std::string> cases[] = {
        {B("Hi") + Bytes{0x00},
         "000000  text  \"Hi\"\n0x000002 truncated: header needs 3 bytes, 1 left"},
        {{0x00, 0x4F, 0x01}, "0x000000 truncated: code 4F, length 1, 0 bytes left"},
        {Bytes{0x00, 0x4F, 0x20} + P, "0x000000 truncated: code 4F, length 32, 4 bytes left"},
        {P + Bytes{0x00, 0xC4, 0xFF} + Bytes(254, 'a'),
         "000000  D6  para-start  0\n0x000004 truncated: code C4, length 255, 254 bytes left"},
    };
    for (const auto& [stream, want] : cases) {
        const Result r = Dump(stream);
        const size_t split = want.rfind('\n') + 1; // listing, then the report
        EXPECT_TRUE(r.code == 1 && r.out == want.substr(0, split)) << want << ": " << r.out;
        EXPECT_EQ(r.err, "vnkdump: record at offset " + want.substr(split) + "\n");
    }
}

} // namespace
