// Measures: the stream counts in twips and in columns of 144 twips (ten to
// the inch); the ODT gets inches.  Column 1 lies at the left margin.
//
// Choices where the stream leaves room:
//   - Tab positions.  LibreOffice measures a tab stop from the paragraph's
//     left indent, so a stop at column c of a paragraph whose lines after the
//     first start at column r lies (c - r) columns from it.  Each paragraph
//     carries the stop list in force (stops left of its first column are out
//     of reach and left out) and the stops its tab moves go to, with the
//     kind of the move.  A right stop ('q') stands at the right edge of its
//     column, a centred one ('r') in the middle, the others at its left edge.
//     A tab move that passes other stops is as many tab characters; a move
//     that finds the line already at or past its target is one space, as in
//     the text rendering.
//   - The header and footer stand inside the stream's top and bottom
//     margins (in ODT they lie between the page's margin and the body): the
//     header's height is its lines times the line height (the empty lines
//     that close it are left out), it starts halfway down the top margin or
//     higher, and the space after it makes up the rest of the margin, so the
//     body starts where the stream's does.  A header taller than the top
//     margin starts at the page's edge and pushes the body down (the page
//     then holds fewer lines than the stream's); the footer likewise.
//   - A hard page break is fo:break-before on the next paragraph; with no
//     paragraph before the next break or the end, an empty paragraph carries
//     it, so every break makes a page, and a break before any text leaves the
//     first page empty, as the stream's is.  When the page's size, margins,
//     header or footer changed, the next paragraph opens a new span instead,
//     which starts the new page itself.
//   - Soft page breaks mark where the original program's pagination ended a
//     page.  The ODT has the same text area, line height and font, so the
//     office suite ends its pages at the same lines; forcing a break there
//     as well would leave a near-empty page wherever its pagination differs
//     by a line.  They are left out.

#include "odt_sink.h"

#include <algorithm>

namespace vnkdump {

namespace {

using librevenge::RVNG_INCH;
using librevenge::RVNG_POINT;
using librevenge::RVNGPropertyList;
using librevenge::RVNGPropertyListVector;

constexpr int ColumnTwips = 144;
constexpr double TwipsPerInch = 1440.0;
constexpr const char* FontName = "Liberation Mono";
constexpr double FontPoints = 12;

void Inches(RVNGPropertyList& props, const char* name, int twips) {
    props.insert(name, twips / TwipsPerInch, RVNG_INCH);
}

const char* AlignName(Align a) {
    switch (a) {
    case Align::Right:
        return "end";
    case Align::Centre:
        return "center";
    case Align::Justify:
        return "justify";
    case Align::None:
        break;
    }
    return "left";
}

// The kind of an ODT tab stop and where in its column it stands, in twips.
const char* StopType(char type, int& offset) {
    offset = 0;
    switch (type) {
    case 'q':
        offset = ColumnTwips;
        return "right";
    case 'r':
        offset = ColumnTwips / 2;
        return "center";
    case 't':
    case '.':
        return "char";
    default:
        return "left";
    }
}

RVNGPropertyList SpanProperties(const Attributes& a) {
    RVNGPropertyList props;
    props.insert("style:font-name", FontName);
    props.insert("fo:font-size", FontPoints, RVNG_POINT);
    if (a.bold)
        props.insert("fo:font-weight", "bold");
    if (a.italic)
        props.insert("fo:font-style", "italic");
    if (a.underline) {
        props.insert("style:text-underline-style", "solid");
        props.insert("style:text-underline-type", "single");
    }
    if (a.strike) {
        props.insert("style:text-line-through-style", "solid");
        props.insert("style:text-line-through-type", "single");
    }
    if (a.script == 2)
        props.insert("style:text-position", "super 58%");
    else if (a.script == 3)
        props.insert("style:text-position", "sub 58%");
    return props;
}

// The paragraphs of a header or footer that are written: all but the empty
// ones that close it (the translator ends each line with two hard returns).
size_t RunningLines(const OdtSink::HeadFoot& hf) {
    size_t n = hf.paras.size();
    while (n > 1 && hf.paras[n - 1].items.empty())
        --n;
    return n;
}

int RunningHeight(const OdtSink::HeadFoot& hf) {
    int height = 0;
    for (size_t i = 0; i < RunningLines(hf); ++i)
        height += hf.paras[i].layout.spacing;
    return height;
}

// Where a header (or footer) of the given height stands in a margin of the
// stream: from the middle of the margin, or higher when it does not fit
// there, so that it ends at the body; in a margin too small for it, from
// the page's edge, and the body moves over.  Returns the page's margin; the
// space between it and the body is the rest.
int RunningEdge(int height, int margin) {
    return std::max(0, std::min(margin / 2, margin - height));
}

// The header's (or footer's) box: its text's height, then the space to the body.
RVNGPropertyListVector RunningStyle(int height, int margin, bool header) {
    RVNGPropertyList props;
    Inches(props, "fo:min-height", height);
    Inches(props, header ? "fo:margin-bottom" : "fo:margin-top",
           std::max(0, margin - RunningEdge(height, margin) - height));
    RVNGPropertyListVector style;
    style.append(props);
    return style;
}

} // namespace

OdtSink::OdtSink(librevenge::RVNGTextInterface& doc, std::string title, std::string generator)
    : doc_(doc), title_(std::move(title)), generator_(std::move(generator)) {}

void OdtSink::Start() {
    RVNGPropertyList meta;
    meta.insert("dc:title", title_.c_str());
    meta.insert("meta:generator", generator_.c_str());
    doc_.setDocumentMetaData(meta);
    doc_.startDocument(RVNGPropertyList());
}

void OdtSink::BeginParagraph(const ParaLayout& para) {
    para_.layout = para;
    para_.items.clear();
    inPara_ = true;
}

void OdtSink::Text(std::string_view utf8) {
    Item item{};
    item.kind = Item::Text;
    item.attrs = attrs_;
    item.text = utf8;
    para_.items.push_back(std::move(item));
}

void OdtSink::Tab(const TabMove& move) {
    Item item{};
    item.kind = Item::Tab;
    item.attrs = attrs_;
    item.move = move;
    item.move.fill = {};
    item.leader = move.fill.size() == 1 && move.fill[0] != ' ' ? move.fill[0] : 0;
    para_.items.push_back(std::move(item));
}

void OdtSink::Field(uint8_t value) {
    Item item{};
    item.kind = Item::Field;
    item.attrs = attrs_;
    item.field = value;
    para_.items.push_back(std::move(item));
}

void OdtSink::EndParagraph() {
    inPara_ = false;
    if (hf_)
        hf_->paras.push_back(std::move(para_));
    else
        Body(para_);
    para_ = Paragraph{};
}

void OdtSink::PageBreak(bool hard, const PageLayout& page) {
    if (!hard)
        return;
    // A page with nothing on it yet (the break opens the document, or
    // follows another) holds an empty paragraph.
    if (breakPending_ || !spanOpen_)
        Body(Empty(breakPending_ ? breakPage_ : page));
    breakPending_ = true;
    breakPage_ = page;
}

void OdtSink::BeginHeadFoot(bool header) {
    defs_.push_back(HeadFoot{header, {}});
    hf_ = &defs_.back();
}

void OdtSink::EndHeadFoot() {
    (hf_->header ? header_ : footer_) = static_cast<int>(defs_.size() - 1);
    hf_ = nullptr;
}

void OdtSink::End(const PageLayout& page) {
    if (breakPending_ || !spanOpen_) {
        Paragraph empty;
        empty.layout = ParaLayout{
            1, 1, 0, Align::None, lastSpacing_, breakPending_ ? breakPage_ : page, false, {}};
        Body(empty);
    }
    doc_.closePageSpan();
    doc_.endDocument();
}

OdtSink::Paragraph OdtSink::Empty(const PageLayout& page) const {
    Paragraph empty;
    empty.layout = ParaLayout{1, 1, 0, Align::None, lastSpacing_, page, false, {}};
    return empty;
}

void OdtSink::Body(const Paragraph& p) {
    bool breakBefore = breakPending_;
    breakPending_ = false;
    if (!spanOpen_) {
        OpenSpan(p.layout.page);
        breakBefore = false;
    } else if (breakBefore &&
               (!(breakPage_ == span_) || header_ != spanHeader_ || footer_ != spanFooter_)) {
        doc_.closePageSpan();
        OpenSpan(breakPage_);
        breakBefore = false;
    }
    WriteParagraph(p, breakBefore);
    lastSpacing_ = p.layout.spacing;
}

void OdtSink::OpenSpan(const PageLayout& page) {
    span_ = page;
    spanHeader_ = header_;
    spanFooter_ = footer_;
    spanOpen_ = true;
    const int headerHeight = header_ >= 0 ? RunningHeight(defs_[header_]) : 0;
    const int footerHeight = footer_ >= 0 ? RunningHeight(defs_[footer_]) : 0;
    const int top = header_ >= 0 ? RunningEdge(headerHeight, page.top) : page.top;
    const int bottom = footer_ >= 0 ? RunningEdge(footerHeight, page.length - page.bottom)
                                    : page.length - page.bottom;
    RVNGPropertyList props;
    Inches(props, "fo:page-width", page.width);
    Inches(props, "fo:page-height", page.length);
    props.insert("style:print-orientation", page.width > page.length ? "landscape" : "portrait");
    Inches(props, "fo:margin-left", page.left);
    Inches(props, "fo:margin-right", page.width - page.right);
    Inches(props, "fo:margin-top", top);
    Inches(props, "fo:margin-bottom", bottom);
    if (header_ >= 0)
        props.insert("librevenge:header", RunningStyle(headerHeight, page.top, true));
    if (footer_ >= 0)
        props.insert("librevenge:footer",
                     RunningStyle(footerHeight, page.length - page.bottom, false));
    doc_.openPageSpan(props);
    if (header_ >= 0)
        WriteRunning(defs_[header_], true);
    if (footer_ >= 0)
        WriteRunning(defs_[footer_], false);
}

void OdtSink::WriteRunning(const HeadFoot& hf, bool header) {
    RVNGPropertyList props;
    props.insert("librevenge:occurrence", "all");
    if (header)
        doc_.openHeader(props);
    else
        doc_.openFooter(props);
    for (size_t i = 0; i < RunningLines(hf); ++i)
        WriteParagraph(hf.paras[i], false);
    if (header)
        doc_.closeHeader();
    else
        doc_.closeFooter();
}

// The paragraph's stops: the list in force from its first column on, and
// the stops its tab moves go to, of the move's kind and with its leader.
std::vector<OdtSink::Stop> OdtSink::ParagraphStops(const Paragraph& p) {
    std::vector<Stop> stops;
    const ParaLayout& l = p.layout;
    const int from = std::min(l.firstColumn, l.restColumn);
    if (l.tabs)
        for (const TabStop& s : *l.tabs)
            if (s.column >= from)
                stops.push_back({s.column, s.type, 0});
    for (const Item& item : p.items) {
        if (item.kind != Item::Tab || !item.move.reached)
            continue;
        const Stop s{static_cast<uint8_t>(item.move.stopColumn), item.move.type, item.leader};
        auto at = std::lower_bound(stops.begin(), stops.end(), s.column,
                                   [](const Stop& a, uint8_t c) { return a.column < c; });
        if (at != stops.end() && at->column == s.column)
            *at = s;
        else
            stops.insert(at, s);
    }
    return stops;
}

// The stops as libodfgen reads them, positions from the indent at column rest.
RVNGPropertyListVector OdtSink::StopList(const std::vector<Stop>& stops, int rest) {
    RVNGPropertyListVector list;
    for (const Stop& s : stops) {
        int offset;
        const std::string_view type = StopType(s.type, offset);
        RVNGPropertyList tab;
        tab.insert("style:type", type.data());
        if (type == "char")
            tab.insert("style:char", ".");
        if (s.leader != 0) { // the office suite shows the text only with a style
            tab.insert("style:leader-style", "solid");
            tab.insert("style:leader-text", std::string(1, s.leader).c_str());
        }
        Inches(tab, "style:position", (s.column - rest) * ColumnTwips + offset);
        list.append(tab);
    }
    return list;
}

void OdtSink::WriteParagraph(const Paragraph& p, bool breakBefore) {
    const ParaLayout& l = p.layout;
    const int rest = l.restColumn;
    RVNGPropertyList props;
    props.insert("fo:text-align", AlignName(l.align));
    Inches(props, "fo:margin-left", l.page.left - span_.left + (rest - 1) * ColumnTwips);
    Inches(props, "fo:margin-right", span_.right - l.page.right + l.rightIndent * ColumnTwips);
    Inches(props, "fo:text-indent", (l.firstColumn - rest) * ColumnTwips);
    Inches(props, "fo:line-height", l.spacing);
    if (breakBefore)
        props.insert("fo:break-before", "page");

    const std::vector<Stop> stops = ParagraphStops(p);
    if (!stops.empty())
        props.insert("style:tab-stops", StopList(stops, rest));
    doc_.openParagraph(props);

    bool spanOpen = false;
    Attributes open;
    for (const Item& item : p.items) {
        if (!spanOpen || !(item.attrs == open)) {
            if (spanOpen)
                doc_.closeSpan();
            doc_.openSpan(SpanProperties(item.attrs));
            spanOpen = true;
            open = item.attrs;
        }
        switch (item.kind) {
        case Item::Text:
            doc_.insertText(librevenge::RVNGString(item.text.c_str()));
            break;
        case Item::Tab: {
            if (!item.move.reached) {
                doc_.insertSpace();
                break;
            }
            // One tab character for each stop on the way, the last one being the move's.
            int count = 1;
            for (const Stop& s : stops)
                count += s.column > item.move.from && s.column < item.move.stopColumn;
            for (int i = 0; i < count; ++i)
                doc_.insertTab();
            break;
        }
        case Item::Field: {
            RVNGPropertyList field;
            static const char* const kinds[] = {"text:page-number", "text:date", "text:time"};
            if (item.field <= 2) {
                field.insert("librevenge:field-type", kinds[item.field]);
                if (item.field == 0)
                    field.insert("style:num-format", "1");
                doc_.insertField(field);
            } else {
                doc_.insertText(librevenge::RVNGString(FieldText(item.field).data()));
            }
            break;
        }
        }
    }
    if (spanOpen)
        doc_.closeSpan();
    doc_.closeParagraph();
}

} // namespace vnkdump
