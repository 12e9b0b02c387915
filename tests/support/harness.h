// Test harness for the translator's modules: every test starts from the
// start-of-run state, reads its source from real bytes through a real FILE*
// and writes its stream into a real temporary file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pfs_writer.h"
#include "stream/codes.h"

using Bytes = std::vector<uint8_t>;

// Bytes of a string literal (embedded NULs included when given a length).
Bytes B(const std::string& s);
// Concatenation.
Bytes operator+(Bytes a, const Bytes& b);

class TranslatorTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Makes bytes the source (InFile) without loading the window.
    void SetSource(const Bytes& bytes);
    // Makes bytes the source and loads the window with the PFS keep-back,
    // and sets the output buffer up with its keep-back, as the setup does.
    void LoadWindow(const Bytes& bytes, int16_t readAt = 0);
    // Everything written so far: the target file plus what the buffer holds.
    // Does not disturb the buffer.
    Bytes Output();
    // Output() from a mark on (as returned by Mark()).
    Bytes OutputSince(size_t mark);
    size_t Mark() { return Output().size(); }
    // Translates a whole document in process; checks that the stream opens
    // with setup and returns what follows it.
    Bytes TranslateAfter(const Bytes& doc, const Bytes& setup);
    // The same for TestPage() with this body and the default setup.
    Bytes TranslateBody(const Bytes& body);

  private:
    FILE* src_ = nullptr;
    FILE* dst_ = nullptr;
};

// A record: 0x00, code, payload length, payload.
Bytes Rec(uint8_t code, const Bytes& payload);
// A record with a one-byte payload.
Bytes RecB(uint8_t code, uint8_t value);
// A record with a 16-bit payload, low byte first.
Bytes RecI(uint8_t code, int16_t value);

// The 85-byte prologue, and the setup records of TestPage() that
// follow it (defined with the prologue's tests).
Bytes StreamPrologue();
Bytes DefaultLayout();

// Bytes of a literal that may hold NULs: "a\0b"_b.
inline Bytes operator""_b(const char* s, size_t n) {
    return Bytes(s, s + n);
}

// Attribute records: style (2 bold, 1 italic, 3 both), underline, script
// (2 super, 3 sub), alignment.
inline Bytes St(uint8_t v) {
    return RecB(vnk::Style, v);
}
inline Bytes Ul(uint8_t v) {
    return RecB(vnk::Underline, v);
}
inline Bytes Sc(uint8_t v) {
    return RecB(vnk::Script, v);
}
inline Bytes Al(uint8_t v) {
    return RecB(vnk::Align, v);
}

// The tab records of a ruler with stops at these columns (defined with the
// prologue's tests).
Bytes Ruler(const std::vector<int>& stops);

// Stream pieces every translation test speaks of.
inline const Bytes P = {0x00, 0xD6, 0x01, 0x00}; // paragraph start
inline const Bytes CR = {0x0D};                  // hard return
inline const Bytes Eot = {0x0E};                 // end-of-text byte of a body

// Names parameterised cases by their parameter's name field: readable, and the same from
// one build to the next.
struct ByName {
    template <typename T> std::string operator()(const ::testing::TestParamInfo<T>& i) const {
        return i.param.name;
    }
};

// Readable hex for failure messages.
std::string Hex(const Bytes& b);

// The tests' page: 66 lines, top and bottom margins of 6 lines, columns 0 to
// 65, the signature, no header or footer; its setup is DefaultLayout().
inline PfsWriter TestPage() {
    return PfsWriter().leftColumn(0).rightColumn(65);
}

// A string's bytes (NULs included) as a document body of TestPage().
inline Bytes PageWith(std::string_view body) {
    return TestPage().text(body).bytes();
}

// The same document as a string, to be written to a file.
inline std::string PfsText(std::string_view body) {
    Bytes b = PageWith(body);
    return std::string(b.begin(), b.end());
}

// About size bytes of paragraphs with indents, enhanced words, soft line
// ends, tabs and commands, closed by the end-of-text byte; its stream is
// about as long.
inline std::string LongPfs(size_t size) {
    std::string body = "Title\x01 \x01", para = "     A paragraph with \xE2\x02\xEF\x02 words,";
    para += std::string(1, '\0') + "going on\tafter a tab with *C* and *@D* in it.\x01 \x01";
    while (body.size() < size)
        body += para;
    return PfsText(body + "\x0E");
}
