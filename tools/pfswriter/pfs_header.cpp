// The header half of PfsWriter: the setters of the 1024-byte header and the
// assembly of the whole file.
//
// The header is laid out field by field in ascending offset order, each
// field written over whatever the fields before it left there.  That order
// is what makes deliberate overlaps predictable: a header line of up to 255
// bytes runs over the fields after it, and a later field that is set cuts
// into its text, while one that is not set (a header or footer line never
// given, the omitted signature) leaves the text alone.  Patches come last
// and go over everything, the body included.  Numbers are unsigned 16-bit,
// low byte first.

#include "pfs_writer.h"

#include <algorithm>

namespace {

// Stores v at offset, low byte first.
void PutWord(PfsWriter::Bytes& f, size_t offset, uint16_t v) {
    f[offset] = uint8_t(v & 0xFF);
    f[offset + 1] = uint8_t(v >> 8);
}

// Stores bytes at offset, growing f with zeros when they reach past its end.
void PutBytes(PfsWriter::Bytes& f, size_t offset, std::string_view bytes) {
    if (f.size() < offset + bytes.size())
        f.resize(offset + bytes.size(), 0);
    std::copy(bytes.begin(), bytes.end(), f.begin() + offset);
}

// A length byte and up to 255 bytes of text.
void PutLine(PfsWriter::Bytes& f, size_t offset, std::string_view text) {
    text = text.substr(0, 255);
    f[offset] = uint8_t(text.size());
    PutBytes(f, offset + 1, text);
}

// Slot of header line n (1, 2) or footer line n in the line table; -1 for another n.
int LineSlot(bool footer, int n) {
    if (n != 1 && n != 2)
        return -1;
    return (footer ? 2 : 0) + n - 1;
}

} // namespace

PfsWriter& PfsWriter::headerLine(int n, std::string_view text) {
    if (int slot = LineSlot(false, n); slot >= 0)
        lines_[slot] = std::string(text);
    return *this;
}

PfsWriter& PfsWriter::footerLine(int n, std::string_view text) {
    if (int slot = LineSlot(true, n); slot >= 0)
        lines_[slot] = std::string(text);
    return *this;
}

PfsWriter& PfsWriter::signature(std::string_view bytes) {
    signature_ = std::string(bytes.substr(0, 3));
    return *this;
}

PfsWriter& PfsWriter::omitSignature() {
    signature_.reset();
    return *this;
}

PfsWriter& PfsWriter::patch(size_t offset, std::string_view bytes) {
    patches_.emplace_back(offset, std::string(bytes));
    return *this;
}

PfsWriter::Bytes PfsWriter::bytes() const {
    Bytes f(pfs::BodyStart, 0);
    PutWord(f, pfs::PageLines, pageLines_);
    PutWord(f, pfs::TopLines, topLines_);
    PutWord(f, pfs::BottomLines, bottomLines_);
    PutWord(f, pfs::LeftColumns, leftColumn_);
    PutWord(f, pfs::RightColumns, rightColumn_);
    const size_t lineOffsets[4] = {pfs::HeaderLine1, pfs::HeaderLine2, pfs::FooterLine1,
                                   pfs::FooterLine2};
    for (int i = 0; i < 4; ++i)
        if (lines_[i])
            PutLine(f, lineOffsets[i], *lines_[i]);
    if (signature_)
        PutBytes(f, pfs::Signature, *signature_);
    f[pfs::HeaderAlign] = headerAlign_;
    f[pfs::FooterAlign] = footerAlign_;
    f[pfs::Justify] = justify_;
    f[pfs::HeaderAttr] = headerAttr_;
    f[pfs::FooterAttr] = footerAttr_;
    f[pfs::Skipped] = skipped_;
    f.insert(f.end(), body_.begin(), body_.end());
    for (const auto& [offset, text] : patches_)
        PutBytes(f, offset, text);
    return f;
}
