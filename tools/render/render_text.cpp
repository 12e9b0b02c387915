// The document as plain UTF-8 text (vnkdump --text), for reading and for
// full-text search: no records, no offsets, one line per hard return.
//
// Soft returns are the spaces the stream already holds, so a paragraph is
// one line.  The first line of a paragraph starts at its first-line column;
// a tab becomes spaces up to its
// stop.  A page break is a form feed, as text extractors write one; a break
// inside a line ends the line first.  Alignment, margins and attributes do
// not change the text and are not shown.  The running header and footer
// are printed once, the header before the body and the footer after it,
// each between the lines "[header]" and "[end of header]" ("[footer]",
// "[end of footer]"); a stream that defines several prints them all.
// Fields print as "#" (page number), "[date]" and "[time]"; command texts
// (codes 0xC4 and 0xC5) are instructions and are left out.

#include "render.h"

namespace vnkdump {

namespace {

class TextSink : public RenderSink {
  public:
    explicit TextSink(FILE* out) : out_(out) {}

    void BeginParagraph(const ParaLayout& para) override {
        dest_->append(static_cast<size_t>(para.firstColumn - 1), ' ');
    }
    void Text(std::string_view utf8) override { dest_->append(utf8); }
    void Tab(const TabMove& move) override {
        for (int i = 0; i < move.count; ++i)
            dest_->append(move.fill);
    }
    void Field(uint8_t value) override { dest_->append(FieldText(value)); }
    void Command(uint8_t, std::string_view) override {}
    void SetAttributes(const Attributes&) override {}
    void EndParagraph() override { dest_->push_back('\n'); }
    void PageBreak(bool, const PageLayout&) override { body_.push_back('\f'); }
    void BeginHeadFoot(bool header) override { dest_ = header ? &header_ : &footer_; }
    void EndHeadFoot() override { dest_ = &body_; }
    void End(const PageLayout&) override {
        PutBlock("header", header_);
        std::fwrite(body_.data(), 1, body_.size(), out_);
        if (!body_.empty() && body_.back() != '\n' && !footer_.empty())
            std::fputc('\n', out_);
        PutBlock("footer", footer_);
    }

  private:
    // Writes the text between its marker lines, without the empty lines that
    // close it; nothing when it holds no text.
    void PutBlock(const char* name, std::string& text) {
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        if (text.find_first_not_of("\n ") == std::string::npos)
            return;
        std::fprintf(out_, "[%s]\n%s\n[end of %s]\n", name, text.c_str(), name);
    }

    FILE* out_;
    std::string body_, header_, footer_;
    std::string* dest_ = &body_;
};

} // namespace

int RenderText(const uint8_t* data, size_t size, FILE* out, FILE* err, const char* codepage) {
    TextSink sink(out);
    return Render(data, size, codepage, sink, out, err);
}

} // namespace vnkdump
