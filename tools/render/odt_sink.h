// The ODT sink: the document as the walker hands it on, turned into calls of
// librevenge's text interface (RVNGTextInterface), which libodfgen's
// OdtGenerator makes into OpenDocument Text.  Any implementation of the
// interface can stand in for the generator (the tests record the calls).
//
// What each part becomes:
//   - A page span (openPageSpan) per run of pages with the same size,
//     margins, header and footer; a new span starts only at a hard page
//     break, since in ODT every span starts a new page.  Its margins are the
//     stream's; the running header and footer (occurrence "all") stand in
//     the top and bottom margins, so the text area is the stream's and pages
//     end where the stream's did (see PageSpan in odt_sink.cpp).
//   - A paragraph (openParagraph) with its alignment, indents, line height,
//     tab stops and, after a hard page break, fo:break-before = page.  Margins
//     that a format line moved from the span's are part of its indents.
//   - Text in spans (openSpan) with the attributes and the fixed-pitch font,
//     12 pt Liberation Mono, ten characters to the inch; tab moves as tab
//     characters (insertTab); fields as page-number, date and time fields.
//   - The title and generator as the document's metadata.
// Soft page breaks (code 0xD7) are left to the office suite's pagination;
// command texts are left out, as by the other renderings.
#pragma once

#include <librevenge/librevenge.h>

#include <deque>
#include <string>
#include <vector>

#include "render.h"

namespace vnkdump {

class OdtSink : public RenderSink {
  public:
    // title: the document's title (UTF-8); generator: the program and version.
    OdtSink(librevenge::RVNGTextInterface& doc, std::string title, std::string generator);

    // Sets the metadata and starts the document; call once before the walk.
    void Start();

    void BeginParagraph(const ParaLayout& para) override;
    void Text(std::string_view utf8) override;
    void Tab(const TabMove& move) override;
    void Field(uint8_t value) override;
    void Command(uint8_t, std::string_view) override {}
    void SetAttributes(const Attributes& attrs) override { attrs_ = attrs; }
    void EndParagraph() override;
    void PageBreak(bool hard, const PageLayout& page) override;
    void BeginHeadFoot(bool header) override;
    void EndHeadFoot() override;
    void End(const PageLayout& page) override; // closes the document

    // One piece of a paragraph's content, as it came.
    struct Item {
        enum Kind : uint8_t { Text, Tab, Field } kind;
        Attributes attrs;
        std::string text; // Text: the UTF-8 text
        TabMove move;     // Tab (fill not kept)
        char leader;      // Tab: the fill character, 0 for spaces
        uint8_t field;    // Field: the value of code 0xC0
    };
    struct Paragraph {
        ParaLayout layout;
        std::vector<Item> items;
    };
    struct HeadFoot {
        bool header;
        std::vector<Paragraph> paras;
    };

  private:
    struct Stop {
        uint8_t column;
        char type;   // as TabStop::type
        char leader; // 0 for none
    };
    static std::vector<Stop> ParagraphStops(const Paragraph& p);
    static librevenge::RVNGPropertyListVector StopList(const std::vector<Stop>& stops, int rest);
    void Body(const Paragraph& p);
    Paragraph Empty(const PageLayout& page) const; // an empty paragraph at the margin
    void OpenSpan(const PageLayout& page);
    void WriteParagraph(const Paragraph& p, bool breakBefore);
    void WriteRunning(const HeadFoot& hf, bool header);

    librevenge::RVNGTextInterface& doc_;
    std::string title_, generator_;
    Paragraph para_;
    bool inPara_ = false;
    Attributes attrs_;
    std::deque<HeadFoot> defs_;     // every header and footer definition
    HeadFoot* hf_ = nullptr;        // the one being read
    int header_ = -1, footer_ = -1; // in force: indexes into defs_
    bool spanOpen_ = false;
    PageLayout span_{}; // the open span's page
    int spanHeader_ = -1, spanFooter_ = -1;
    bool breakPending_ = false; // a hard page break waits for the next paragraph
    PageLayout breakPage_{};    // the page in force at it
    int lastSpacing_ = 240;
};

} // namespace vnkdump
