// The reading walker shared by the text, HTML and ODT renderings: it keeps
// the layout state that the records of a stream set and hands the document
// to a sink as paragraphs of UTF-8 text.
//
// A record whose payload length does not fit its code changes nothing, and
// a code without a meaning for the reader (the prologue's fixed values,
// columns, footnote ends) is passed over, so any bytes make a document.  The
// tab-stop list (codes 0x79, 0x78 and one record a stop) goes with each
// paragraph; the text and HTML sinks need only the tab moves.  Choices where the records leave
// room:
//   - A negative indent (code 0x46) holds for the paragraph that follows it
//     only: the translator never cancels it, and a reader that kept it would
//     shift every later paragraph left.  No line starts left of column 1:
//     text in the page margin is cut off when printed.
//   - A page break inside a paragraph ends the line there; the text after it
//     continues the paragraph on the next sheet at the paragraph's left edge.
//   - A header or footer starts with no indents, attributes or alignment,
//     and the body's come back after it, as the translator saves them.
//   - Page breaks inside a header or footer are ignored: that text has no pages.

#include "render.h"

#include <iconv.h>

#include <algorithm>

#include "stream/codes.h"

namespace vnkdump {

namespace {

constexpr int ColumnTwips = 144;
constexpr int LineTwips = 240;
constexpr const char* Replacement = "\xEF\xBF\xBD"; // U+FFFD

// The part of the layout a header or footer sets aside and gets back.
struct Format {
    uint8_t left = 0, right = 0, first = 0, hang = 0, to = 0, neg = 0; // indent records
    Attributes attrs;
    Align align = Align::None;
};

class Walker {
  public:
    Walker(const CodePage& cp, RenderSink& sink) : cp_(cp), sink_(sink) {}

    void Record(const Element& e);
    void TextRun(const uint8_t* bytes, size_t size);
    void HardReturn();
    void Finish();

  private:
    void ByteRecord(uint8_t code, uint8_t value);
    void MeasureRecord(uint8_t code, int16_t value);
    void MoveToTab(uint8_t code, uint8_t column);
    void SetStop(uint8_t column, char type);
    void PageBreak(bool hard);
    void BeginHeadFoot(bool header);
    void EndHeadFoot();
    void OpenParagraph();
    void CloseParagraph(bool continued);
    void SendAttributes();
    PageLayout Page() const;
    int Spacing() const;

    const CodePage& cp_;
    RenderSink& sink_;
    // Page measures as the records give them, from the prologue's defaults.
    int16_t pageLength_ = 15840, pageWidth_ = 12240, top_ = 1440, bottom_ = 14400;
    int16_t left_ = 0, right_ = 9360, spacing_ = LineTwips;
    Format format_, saved_;
    Attributes sent_;
    bool inHeadFoot_ = false;
    bool inTabList_ = false;
    std::vector<TabStop> stops_; // the stop list, by column
    TabStops published_;         // a copy of it for the paragraphs; null after a change
    uint8_t backOff_ = 0, leader_ = 0;
    bool paraOpen_ = false, continued_ = false;
    int column_ = 1;
};

void Walker::Record(const Element& e) {
    if (e.size == 1)
        ByteRecord(e.code, e.bytes[0]);
    else if (e.size == 2 && e.code >= vnk::PageLen && e.code <= vnk::RightMarg)
        MeasureRecord(e.code, ReadInt16(e.bytes));
    else if (e.size == 2 && e.code == vnk::Spacing)
        spacing_ = ReadInt16(e.bytes);
    else if (e.size == 2 && e.code == vnk::TabOther && inTabList_)
        SetStop(e.bytes[0], static_cast<char>(e.bytes[1]));
    if (e.code == vnk::CmdText || e.code == vnk::CmdArg) {
        std::string text;
        for (size_t i = 0; i < e.size; ++i)
            text += cp_.utf8[e.bytes[i]];
        sink_.Command(e.code, text);
    }
    SendAttributes();
}

void Walker::ByteRecord(uint8_t code, uint8_t value) {
    Format& f = format_;
    switch (code) {
    case vnk::Style:
        f.attrs.bold = value & 2;
        f.attrs.italic = value & 1;
        break;
    case vnk::Script:
        f.attrs.script = value == 2 || value == 3 ? value : 0;
        break;
    case vnk::Underline:
        f.attrs.underline = value != 0;
        break;
    case vnk::Strike:
        f.attrs.strike = value != 0;
        break;
    case vnk::IndentLeft:
        f.left = value;
        break;
    case vnk::IndentRight:
        f.right = value;
        break;
    case vnk::IndentFirst:
        f.first = value;
        break;
    case vnk::IndentHang:
        f.hang = value;
        break;
    case vnk::IndentTo:
        f.to = value;
        break;
    case vnk::IndentNeg:
        f.neg = value;
        break;
    case vnk::Align:
        f.align = value <= 3 ? static_cast<Align>(value) : Align::None;
        break;
    case vnk::TabP:
    case vnk::TabQ:
    case vnk::TabR:
    case vnk::TabS:
    case vnk::TabT:
        // The code is the type letter itself, 'p' to 't'.
        if (inTabList_)
            SetStop(value, static_cast<char>(code));
        else if (value != 0)
            MoveToTab(code, value);
        break;
    case vnk::TabClear:
        stops_.clear();
        published_ = nullptr;
        break;
    case vnk::TabBackOff:
        backOff_ = value;
        break;
    case vnk::TabLeader:
        leader_ = value;
        break;
    case vnk::TabList:
        inTabList_ = value != 0;
        break;
    case vnk::HeadFoot:
        BeginHeadFoot(value & 1);
        break;
    case vnk::HeadFootDef:
        if (value == 0 && inHeadFoot_)
            EndHeadFoot();
        break;
    case vnk::Field:
        OpenParagraph();
        sink_.Field(value);
        column_ += static_cast<int>(FieldText(value).size());
        break;
    case vnk::HardPage:
        PageBreak(true);
        break;
    case vnk::SoftPage:
        PageBreak(false);
        break;
    default:
        break;
    }
}

void Walker::MeasureRecord(uint8_t code, int16_t value) {
    switch (code) {
    case vnk::PageLen:
        pageLength_ = value;
        break;
    case vnk::PageWid:
        pageWidth_ = value;
        break;
    case vnk::TopMarg:
        top_ = value;
        break;
    case vnk::BotMarg:
        bottom_ = value;
        break;
    case vnk::LeftMarg:
        left_ = value;
        break;
    case vnk::RightMarg:
        right_ = value;
        break;
    default:
        break;
    }
}

// The text after a tab starts at the stop's column less the back-off; when
// the line is already there or beyond, the tab is one space, as the
// translator writes a tab that finds no stop.
void Walker::MoveToTab(uint8_t code, uint8_t column) {
    OpenParagraph();
    const int target = column - backOff_;
    const char fill = leader_ > 0x20 && leader_ < 0x7F ? static_cast<char>(leader_) : ' ';
    TabMove move;
    move.from = column_;
    move.stopColumn = column;
    move.type = static_cast<char>(code);
    move.reached = target > column_;
    move.count = move.reached ? target - column_ : 1;
    move.fill = std::string_view(&fill, 1);
    sink_.Tab(move);
    column_ += move.count;
    backOff_ = 0;
}

// A stop at column 0 is no stop (the translator never writes one); a second
// stop at a column replaces the first.
void Walker::SetStop(uint8_t column, char type) {
    if (column == 0)
        return;
    auto at = std::lower_bound(stops_.begin(), stops_.end(), column,
                               [](const TabStop& s, uint8_t c) { return s.column < c; });
    if (at != stops_.end() && at->column == column)
        at->type = type;
    else
        stops_.insert(at, TabStop{column, type});
    published_ = nullptr;
}

void Walker::PageBreak(bool hard) {
    if (inHeadFoot_)
        return;
    const bool cut = paraOpen_;
    if (cut)
        CloseParagraph(true);
    sink_.PageBreak(hard, Page());
    continued_ = cut;
}

void Walker::BeginHeadFoot(bool header) {
    if (inHeadFoot_)
        EndHeadFoot();
    CloseParagraph(false);
    saved_ = format_;
    format_ = Format{};
    inHeadFoot_ = true;
    sink_.BeginHeadFoot(header);
}

void Walker::EndHeadFoot() {
    CloseParagraph(false);
    sink_.EndHeadFoot();
    format_ = saved_;
    inHeadFoot_ = false;
}

void Walker::OpenParagraph() {
    if (paraOpen_)
        return;
    const Format& f = format_;
    const int base = f.left > 0 ? f.left : 1;
    ParaLayout para;
    para.restColumn = f.hang > 0 ? f.hang : f.to > 0 ? f.to : base;
    const int first = continued_ ? para.restColumn : f.first > 0 ? f.first : base - f.neg;
    para.firstColumn = std::max(first, 1);
    para.rightIndent = f.right;
    para.align = f.align;
    para.spacing = Spacing();
    para.page = Page();
    para.continued = continued_;
    if (!published_)
        published_ = std::make_shared<const std::vector<TabStop>>(stops_);
    para.tabs = published_;
    sink_.BeginParagraph(para);
    paraOpen_ = true;
    column_ = para.firstColumn;
}

void Walker::CloseParagraph(bool continued) {
    if (!paraOpen_)
        return;
    sink_.EndParagraph();
    paraOpen_ = false;
    continued_ = continued;
}

void Walker::SendAttributes() {
    if (format_.attrs == sent_)
        return;
    sent_ = format_.attrs;
    sink_.SetAttributes(sent_);
}

void Walker::TextRun(const uint8_t* bytes, size_t size) {
    OpenParagraph();
    std::string text;
    for (size_t i = 0; i < size; ++i)
        text += cp_.utf8[bytes[i]];
    sink_.Text(text);
    column_ += static_cast<int>(size);
}

void Walker::HardReturn() {
    OpenParagraph();
    CloseParagraph(false);
    format_.neg = 0;
    column_ = 1;
}

void Walker::Finish() {
    CloseParagraph(false);
    if (inHeadFoot_)
        EndHeadFoot();
    SendAttributes();
    sink_.End(Page());
}

// Each measure is kept inside the page, and the text area at least one
// column wide and one line high, so that no rendering gets a negative or
// empty box from a damaged stream.
PageLayout Walker::Page() const {
    PageLayout p;
    p.width = std::max<int>(pageWidth_, 2 * ColumnTwips);
    p.length = std::max<int>(pageLength_, 2 * LineTwips);
    p.left = std::clamp<int>(left_, 0, p.width - ColumnTwips);
    p.right = std::clamp<int>(right_, p.left + ColumnTwips, p.width);
    p.top = std::clamp<int>(top_, 0, p.length - LineTwips);
    p.bottom = std::clamp<int>(bottom_, p.top + LineTwips, p.length);
    return p;
}

// A spacing of zero or less is taken as single spacing, one above two
// inches as two inches.
int Walker::Spacing() const {
    if (spacing_ <= 0)
        return LineTwips;
    return std::min<int>(spacing_, 2880);
}

// One byte through iconv; empty when the code page has no character for it.
std::string ConvertByte(iconv_t cd, uint8_t byte) {
    char in[1] = {static_cast<char>(byte)};
    char out[16];
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return {};
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1))
        return {};
    return std::string(out, outPtr);
}

// True for a UTF-8 sequence that is a C0 or C1 control, or DEL.
bool IsControl(const std::string& utf8) {
    const auto b0 = static_cast<uint8_t>(utf8[0]);
    if (utf8.size() == 1)
        return b0 < 0x20 || b0 == 0x7F;
    return utf8.size() == 2 && b0 == 0xC2 && static_cast<uint8_t>(utf8[1]) < 0xA0;
}

} // namespace

std::string_view FieldText(uint8_t value) {
    switch (value) {
    case 0:
        return "#";
    case 1:
        return "[date]";
    case 2:
        return "[time]";
    default:
        return "[field]";
    }
}

// ASCII stands for itself; every byte from 0x80 up goes through the code
// page one byte at a time, so a multi-byte code page gives U+FFFD for its
// lead bytes.  Controls become U+FFFD: they have no place in a page of text
// (a stray form feed would fake a page break) nor in HTML.
bool LoadCodePage(const char* name, CodePage& cp) {
    iconv_t cd = iconv_open("UTF-8", name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    for (int b = 0; b < 256; ++b) {
        std::string& s = cp.utf8[b];
        s = b < 0x80 ? std::string(1, static_cast<char>(b))
                     : ConvertByte(cd, static_cast<uint8_t>(b));
        if (s.empty() || IsControl(s))
            s = Replacement;
    }
    iconv_close(cd);
    return true;
}

bool WalkStream(const uint8_t* data, size_t size, const CodePage& cp, RenderSink& sink,
                Element& truncated) {
    Walker walker(cp, sink);
    size_t pos = 0;
    Element e;
    bool sound = true;
    while (sound && NextElement(data, size, pos, e)) {
        switch (e.kind) {
        case ElementKind::Record:
            walker.Record(e);
            break;
        case ElementKind::Text:
            walker.TextRun(e.bytes, e.size);
            break;
        case ElementKind::HardReturn:
            walker.HardReturn();
            break;
        case ElementKind::Truncated:
            truncated = e;
            sound = false;
            break;
        }
    }
    walker.Finish();
    return sound;
}

bool LoadNamedCodePage(const char* codepage, CodePage& cp, FILE* err) {
    if (LoadCodePage(codepage, cp))
        return true;
    std::fprintf(err, "vnkdump: unknown code page %s\n", codepage);
    return false;
}

int WalkStatus(bool sound, const Element& truncated, FILE* out, FILE* err) {
    if (sound)
        return 0;
    std::fflush(out);
    PutTruncation(err, truncated);
    return 1;
}

int Render(const uint8_t* data, size_t size, const char* codepage, RenderSink& sink, FILE* out,
           FILE* err) {
    CodePage cp;
    if (!LoadNamedCodePage(codepage, cp, err))
        return 2;
    Element truncated{};
    const bool sound = WalkStream(data, size, cp, sink, truncated);
    return WalkStatus(sound, truncated, out, err);
}

} // namespace vnkdump
