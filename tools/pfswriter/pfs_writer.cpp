// The body half of PfsWriter: text, enhanced characters, commands, format
// records and, above all, line ends.
//
// Most calls append their bytes and nothing else.  The line ends are the
// exception, because a line-end code speaks about the line after it: bit 0
// says that the next line closes its paragraph, bit 1 that it is double
// spaced.  So the builder remembers where the last code went, and the two
// calls that learn something about the next line, beginParagraph (how many
// lines the paragraph has) and doubleSpaced (its spacing), rewrite that
// code's bit, as long as nothing has been written after it.  endLine picks
// the code of a paragraph's own lines from the count given to
// beginParagraph.  In double spacing every line end carries the blank line
// that double spacing shows under each line: 0x03, a space and the real
// code, which is the one the reader goes by and the one remembered.

#include "pfs_writer.h"

#include <algorithm>

PfsWriter& PfsWriter::text(std::string_view s) {
    body_.insert(body_.end(), s.begin(), s.end());
    return *this;
}

PfsWriter& PfsWriter::raw(std::initializer_list<uint8_t> b) {
    body_.insert(body_.end(), b.begin(), b.end());
    return *this;
}

PfsWriter& PfsWriter::raw(const Bytes& b) {
    body_.insert(body_.end(), b.begin(), b.end());
    return *this;
}

PfsWriter& PfsWriter::lineEnd(uint8_t code) {
    if (double_)
        body_.insert(body_.end(), {0x03, ' '});
    body_.push_back(code);
    markCode();
    return *this;
}

PfsWriter& PfsWriter::line(std::string_view s, uint8_t code) {
    return text(s).lineEnd(code);
}

PfsWriter& PfsWriter::emptyLine() {
    body_.push_back(' ');
    return lineEnd(double_ ? 0x02 : 0x00);
}

PfsWriter& PfsWriter::enhanced(std::string_view s, uint8_t attr) {
    for (unsigned char c : s) {
        body_.push_back(uint8_t(c | 0x80));
        body_.push_back(attr);
    }
    return *this;
}

PfsWriter& PfsWriter::tab() {
    body_.push_back(kTab);
    return *this;
}

PfsWriter& PfsWriter::command(std::string_view name) {
    body_.push_back('*');
    text(name);
    body_.push_back('*');
    return *this;
}

PfsWriter& PfsWriter::formatRecord(uint8_t flag, uint8_t left, uint8_t right, uint8_t size) {
    body_.insert(body_.end(), {kFormat, size, flag, left, right});
    if (size > 5)
        body_.insert(body_.end(), size_t(size - 5), 0);
    return *this;
}

PfsWriter& PfsWriter::formatLine(uint8_t left, uint8_t right) {
    body_.push_back(' ');
    formatRecord(1, left, right);
    linesLeft_ = 0;
    return endLine();
}

PfsWriter& PfsWriter::endOfText() {
    body_.push_back(kEndOfText);
    return *this;
}

std::optional<size_t> PfsWriter::lastCode() const {
    if (body_.empty() || codeAt_ != body_.size() - 1)
        return std::nullopt;
    return codeAt_;
}

PfsWriter& PfsWriter::doubleSpaced(bool on) {
    double_ = on;
    if (auto at = lastCode())
        body_[*at] = uint8_t(on ? body_[*at] | 0x02 : body_[*at] & ~0x02);
    return *this;
}

PfsWriter& PfsWriter::beginParagraph(size_t lines) {
    linesLeft_ = lines;
    ++paragraphs_;
    if (auto at = lastCode())
        body_[*at] = uint8_t(lines == 1 ? body_[*at] | 0x01 : body_[*at] & ~0x01);
    return *this;
}

PfsWriter& PfsWriter::endLine() {
    uint8_t code = uint8_t((linesLeft_ == 2 ? 0x01 : 0x00) | (double_ ? 0x02 : 0x00));
    if (linesLeft_ > 0)
        --linesLeft_;
    return lineEnd(code);
}

PfsWriter& PfsWriter::paragraph(std::initializer_list<std::string_view> lines) {
    beginParagraph(lines.size());
    for (std::string_view l : lines)
        text(l).endLine();
    return *this;
}

PfsWriter& PfsWriter::paragraph(const std::vector<std::string>& lines) {
    beginParagraph(lines.size());
    for (const std::string& l : lines)
        text(l).endLine();
    return *this;
}

PfsWriter& PfsWriter::padTo(size_t at) {
    constexpr size_t kWidth = 60;
    while (offset() < at) {
        size_t left = at - offset();
        if (left == 1) {
            body_.push_back('x');
            break;
        }
        size_t letters = std::min(left - 1, kWidth);
        body_.insert(body_.end(), letters, 'x');
        body_.push_back(0x00);
    }
    return *this;
}
