// Test harness: real FILE* streams over temporary files.

#include "support/harness.h"

#include <algorithm>
#include <cstring>

#include "driver/run.h"
#include "io/input.h"
#include "io/output.h"
#include "pfs/paragraph.h"
#include "pfs/read_input.h"

Bytes B(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void TranslatorTest::SetUp() {
    ResetModule();
    dst_ = tmpfile();
    ASSERT_NE(dst_, nullptr);
    OutFile = dst_;
}

void TranslatorTest::TearDown() {
    if (src_)
        fclose(src_);
    if (dst_)
        fclose(dst_);
    InFile = nullptr;
    OutFile = nullptr;
    ResetModule();
}

void TranslatorTest::SetSource(const Bytes& bytes) {
    if (src_)
        fclose(src_);
    src_ = tmpfile();
    ASSERT_NE(src_, nullptr);
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), src_);
    rewind(src_);
    InFile = src_;
}

void TranslatorTest::LoadWindow(const Bytes& bytes, int16_t readAt) {
    SetSource(bytes);
    InitInBuf(1024);
    InitOutBuf(2048);
    IRead = readAt;
}

Bytes TranslatorTest::Output() {
    FlushOutFile(); // the staged flushes go to the file first
    fflush(dst_);
    long end = ftell(dst_);
    Bytes out((size_t)end);
    rewind(dst_);
    if (end > 0) {
        EXPECT_EQ(fread(out.data(), 1, (size_t)end, dst_), (size_t)end);
    }
    fseek(dst_, 0, SEEK_END);
    out.insert(out.end(), OutBuf, OutBuf + OWrite);
    return out;
}

Bytes TranslatorTest::OutputSince(size_t mark) {
    Bytes all = Output();
    return mark <= all.size() ? Bytes(all.begin() + (long)mark, all.end()) : Bytes{};
}

Bytes TranslatorTest::TranslateAfter(const Bytes& doc, const Bytes& setup) {
    SetSource(doc);
    EXPECT_EQ(ReadInput(), 0);
    Bytes out = Output();
    EXPECT_EQ(Hex(Bytes(out.begin(), out.begin() + (long)std::min(out.size(), setup.size()))),
              Hex(setup));
    return out.size() > setup.size() ? Bytes(out.begin() + (long)setup.size(), out.end()) : Bytes{};
}

Bytes TranslatorTest::TranslateBody(const Bytes& body) {
    return TranslateAfter(TestPage().raw(body).bytes(), StreamPrologue() + DefaultLayout());
}

Bytes Rec(uint8_t code, const Bytes& payload) {
    Bytes r{0x00, code, (uint8_t)payload.size()};
    return r + payload;
}

Bytes RecB(uint8_t code, uint8_t value) {
    return Rec(code, {value});
}

Bytes RecI(uint8_t code, int16_t value) {
    uint16_t u = (uint16_t)value;
    return Rec(code, {(uint8_t)(u & 0xFF), (uint8_t)(u >> 8)});
}

std::string Hex(const Bytes& b) {
    std::string s;
    char buf[4];
    for (uint8_t x : b) {
        snprintf(buf, sizeof buf, "%02X ", x);
        s += buf;
    }
    return s;
}
