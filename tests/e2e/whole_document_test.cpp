// Whole documents through the built program: the console, the exit status,
// the target file, and documents several input windows long whose expected
// stream is built from the translation of their repeated parts.

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "stream/codes.h"
#include "support/harness.h"


namespace {


Bytes Times(const Bytes& b, int n) {
    Bytes r;
    for (int i = 0; i < n; ++i) r = r + b;
    return r;
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/pfs2vnk-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        if (DIR* d = opendir(dir_.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') unlink((dir_ + "/" + e->d_name).c_str());
            closedir(d);
        }
        rmdir(dir_.c_str());
    }
    void Write(const std::string& name, const Bytes& b) {
        std::ofstream(dir_ + "/" + name, std::ios::binary)
            .write((const char*)b.data(), (std::streamsize)b.size());
    }
    bool Exists(const std::string& name) {
        struct stat st;
        return stat((dir_ + "/" + name).c_str(), &st) == 0;
    }
    Bytes Read(const std::string& name) {
        std::ifstream f(dir_ + "/" + name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    // Runs the program in the directory; returns the exit status, stdout in *out.
    int Run(const std::string& args, std::string* out = nullptr) {
        std::string cmd = "cd '" + dir_ + "' && '" PFS2VNK_EXE "' " + args + " 2>/dev/null";
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return -1;
        std::string text;
        char buf[256];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
        int st = pclose(p);
        if (out) *out = text;
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    // Translates a document at display level 0; expects success.
    Bytes Translate(const Bytes& doc) {
        Write("in.pfs", doc);
        EXPECT_EQ(Run("in.pfs out.vnk 0"), 0);
        return Read("out.vnk");
    }
    std::string dir_;
};

TEST_F(EndToEnd, RoadOfOneDocument) {
    // Header "Title", centred (byte 822 = 0) and bold (828 = 2).  Body: a
    // first line indented by 3 (code 0x42 with 4), ended hard, which clears
    // Hard; then "big" / "world" joined by a space; end of text.
    PfsDoc d;
    d.Line(328, B("Title")).Byte(828, 0x02);
    d.body = B("   Hello") + Bytes{0} + B("big") + Bytes{0} + B("world") + Eot;
    Write("doc.pfs", d.Build());
    std::string out;
    ASSERT_EQ(Run("doc.pfs doc.out 1", &out), 0);
    EXPECT_EQ(out, std::string("\nTranslating from doc.pfs to doc.out.\n") + PFS2VNK_EXE +
                       " finished.\n");
    Bytes header = RecB(vnk::HeadFoot, 1) + RecB(vnk::HeadFootDef, 1) + RecB(vnk::Align, 2) +
                   RecB(vnk::Style, 2) + P + B("Title") + CR + CR + RecB(vnk::Align, 0) +
                   RecB(vnk::Style, 0) + RecB(vnk::HeadFootDef, 0);
    Bytes body = RecB(vnk::IndentFirst, 4) + P + B("Hello") + CR + RecB(vnk::IndentFirst, 0) + P +
                 B("big world") + CR;
    EXPECT_EQ(Hex(Read("doc.out")), Hex(StreamPrologue() + DefaultLayout() + header + body));
}

TEST_F(EndToEnd, NotAPfsDocumentEndsWith8AndLeavesNoTarget) {
    PfsDoc lower, other;
    lower.Byte(641, 't').Byte(642, 'y').Byte(643, 'p');
    other.Byte(643, 'Q');
    Bytes shortFile = PfsDoc().Build();
    shortFile.resize(643); // "TY", the P is missing
    for (const Bytes& doc : {lower.Build(), other.Build(), shortFile, Bytes{}}) {
        SCOPED_TRACE(doc.size());
        Write("bad.pfs", doc);
        EXPECT_EQ(Run("bad.pfs bad.vnk 0"), 8);
        EXPECT_FALSE(Exists("bad.vnk"));
    }
}

TEST_F(EndToEnd, DocumentWithoutBodyKeepsItsSetup) {
    EXPECT_EQ(Hex(Translate(PfsDoc().Build())), Hex(StreamPrologue() + DefaultLayout()));
}

TEST_F(EndToEnd, EmptyLinesRunningPastTheFirstWindow) {
    // "x" 1, then 8000 empty lines (space, 0) from file offset 1027: one
    // hard end turns all following empty lines into returns without
    // reading, the spaces at odd offsets 1027..16383 (7679 of them).  The
    // one at 16383 is judged by the always-zero byte 16384 behind the
    // window, which reads as a line end.  Reading then stands at 16385, the
    // window moves before the next paragraph, and the space there is the
    // indent of a new paragraph (0x42 with 2) whose line end at 16386 is
    // hard because an empty line follows; the remaining 320 empty lines
    // are returns again.
    PfsDoc d;
    d.body = B("x") + Bytes{1} + Times(Bytes{' ', 0}, 8000) + B("y") + Eot + Bytes{0, 0, 0};
    Bytes want = StreamPrologue() + DefaultLayout() + P + B("x") + CR + Times(CR, 7679) +
                 RecB(vnk::IndentFirst, 2) + P + CR + RecB(vnk::IndentFirst, 0) + Times(CR, 320) +
                 P + B("y") + CR;
    EXPECT_EQ(Translate(d.Build()), want);
}

// ----------------------------------------------------- several windows long ---
//
// A document is a short first paragraph of s + 1 letters (ended hard, which
// leaves Hard clear), then many copies of one part, then "Z" and the end of
// text (followed by zeros so that the last look-ahead sees line ends).

Bytes LongDoc(int s, const Bytes& parts) {
    PfsDoc d;
    d.body = Bytes((size_t)s + 1, 'X') + Bytes{0} + parts + B("Z") + Eot + Bytes{0, 0, 0};
    return d.Build();
}
Bytes LongStream(int s, const Bytes& parts) {
    return StreamPrologue() + DefaultLayout() + P + Bytes((size_t)s + 1, 'X') + CR + parts + P +
           B("Z") + CR;
}

// A paragraph of three lines, 26 bytes: first line indented by 2 (0x42
// with 3) ending in a hyphen (joined without a space); a date field and a
// digit command; a tab from column 2 to the stop at 6, closed by the hard
// return that the following empty line forces; the empty line.
const Bytes ShortPara = B("  Ab-") + Bytes{0} + B("cd *@D* e*7*f") + Bytes{0} + B("g\th") +
                        Bytes{1} + B(" ") + Bytes{0};
const Bytes ShortParaOut = RecB(vnk::IndentFirst, 3) + P + B("Ab-cd ") + RecB(vnk::Field, 1) +
                           B(" e") + Rec(vnk::CmdText, B("7")) + B("f g") +
                           RecB(vnk::TabLeader, 0) + RecB(vnk::TabBackOff, 0) +
                           RecB(vnk::TabP, 6) + B("h") + RecB(vnk::TabP, 0) +
                           RecB(vnk::TabLeader, 0) + CR + RecB(vnk::IndentFirst, 0) + CR;

class EndToEndShortParagraphs
    : public EndToEnd,
      public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(EndToEndShortParagraphs, ManyWindows) {
    auto [s, n] = GetParam();
    Bytes doc = LongDoc(s, Times(ShortPara, n));
    Bytes out = Translate(doc);
    Bytes want = LongStream(s, Times(ShortParaOut, n));
    ASSERT_EQ(out.size(), want.size()) << "document of " << doc.size() << " bytes";
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], want[i]) << "stream offset " << i;
}

// 1900 parts: 50 KB.  590 parts with s 12 and 13: exactly 16384 bytes (the
// first fill reaches the end of the file without knowing it) and one more.
INSTANTIATE_TEST_SUITE_P(EndToEnd, EndToEndShortParagraphs,
                         ::testing::Values(std::make_tuple(0, 1900), std::make_tuple(5, 1900),
                                           std::make_tuple(11, 1900), std::make_tuple(17, 1900),
                                           std::make_tuple(25, 1900), std::make_tuple(12, 590),
                                           std::make_tuple(13, 590)));

// One paragraph of 2200 three-line parts of 22 bytes, so the window moves
// in the middle of it.  Part A: hyphen join; space join with the two
// leading spaces dropped; a format record (left 0, right 65) inside the
// word "hij".  Without a paragraph start or an enhanced character nothing
// refills early: the window moves exactly when reading passes file
// offsets 15359 + k*14336.  Part B: a bold "I" and a time field; every
// enhanced character returns to the loop, which refills early.
const Bytes PartA = B("abcd-") + Bytes{0} + B("efg") + Bytes{0} + B("  hi") +
                    Bytes{0x07, 6, 1, 0, 65, 0} + B("j") + Bytes{0};
const Bytes PartAOut = B("abcd-efg hi") + RecI(vnk::LeftMarg, 0) + RecI(vnk::RightMarg, 9360) +
                       B("j ");
const Bytes PartB = B("abcd-") + Bytes{0} + B("efg") + Bytes{0} + B("  h") + Bytes{0xC9, 0x02} +
                    B("j*@T*k") + Bytes{0};
const Bytes PartBOut = B("abcd-efg h") + RecB(vnk::Style, 2) + B("I") + RecB(vnk::Style, 0) +
                       B("j") + RecB(vnk::Field, 2) + B("k ");

class EndToEndLongParagraph
    : public EndToEnd,
      public ::testing::WithParamInterface<std::tuple<char, int>> {};

TEST_P(EndToEndLongParagraph, ManyWindows) {
    const int n = 2200;
    auto [part, s] = GetParam();
    const Bytes& in = part == 'A' ? PartA : PartB;
    const Bytes& out1 = part == 'A' ? PartAOut : PartBOut;
    // "end" 1 then an empty line: hard return plus one.
    Bytes out = Translate(LongDoc(s, Times(in, n) + B("end") + Bytes{1, ' ', 0}));
    Bytes want = LongStream(s, P + Times(out1, n) + B("end") + CR + CR);
    ASSERT_EQ(out.size(), want.size());
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], want[i]) << "stream offset " << i;
}

// 22 shifts put every byte of a part on the refill offsets.
INSTANTIATE_TEST_SUITE_P(EndToEnd, EndToEndLongParagraph,
                         ::testing::Combine(::testing::Values('A', 'B'), ::testing::Range(0, 22)));

} // namespace
