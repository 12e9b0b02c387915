// Covers tools/render/render.cpp, render_text.cpp and render_html.cpp.
// The inspector's renderings: plain text and the HTML page, from hand-built
// streams and from the translations of the example documents.

#include <cctype>
#include <regex>

#include "../../fuzz/entries.h"
#include "listing.h"
#include "render.h"
#include "support/files.h"
#include "support/harness.h"

namespace {

struct Rendered {
    int status;
    std::string out, err;
};

Rendered Render(bool html, const Bytes& stream, const char* codepage = "CP437") {
    char *out = nullptr, *err = nullptr;
    size_t outSize = 0, errSize = 0;
    FILE* o = open_memstream(&out, &outSize);
    FILE* e = open_memstream(&err, &errSize);
    const int status = html ? vnkdump::RenderHtml(stream.data(), stream.size(), o, e, codepage, "t")
                            : vnkdump::RenderText(stream.data(), stream.size(), o, e, codepage);
    fclose(o), fclose(e);
    Rendered r{status, std::string(out, outSize), std::string(err, errSize)};
    free(out), free(err);
    return r;
}

// A tab move to a stop: leader, back-off, the stop's record.
Bytes Tab(uint8_t column, uint8_t backOff = 0, uint8_t type = vnk::TabP, uint8_t leader = 0) {
    return RecB(vnk::TabLeader, leader) + RecB(vnk::TabBackOff, backOff) + RecB(type, column);
}
Bytes HeadFoot(uint8_t kind, const Bytes& inside) {
    return RecB(vnk::HeadFoot, kind) + RecB(vnk::HeadFootDef, kind) + inside +
           RecB(vnk::HeadFootDef, 0);
}
Bytes Para(const std::string& text) {
    return P + B(text) + CR;
}

TEST(RenderText, RecordsThatChangeTheText) {
    const std::string sp12(12, ' ');
    const std::pair<Bytes, std::string> cases[] = {
        {{}, ""},
        {StreamPrologue(), ""},
        // Hard returns end lines; an empty line; soft returns are the stream's spaces.
        {Para("one two") + CR + Para("three"), "one two\n\nthree\n"},
        {P + B("no return"), "no return\n"},
        // Indents: first line, block, hanging (cut at column 1), right indent changes nothing.
        {RecB(vnk::IndentFirst, 6) + Para("x"), "     x\n"},
        {RecB(vnk::IndentLeft, 4) + Para("x"), "   x\n"},
        {RecB(vnk::IndentLeft, 2) + RecB(vnk::IndentHang, 6) + Para("x"), " x\n"},
        {RecB(vnk::IndentLeft, 0) + RecB(vnk::IndentNeg, 1) + RecB(vnk::IndentHang, 4) +
             Para("1. x") + Para("y"),
         "1. x\ny\n"},
        {RecB(vnk::IndentRight, 9) + Para("x"), "x\n"},
        // Tabs: to the stop's column, less the back-off; one space when already past it.
        {P + B("ab") + Tab(15) + B("c") + RecB(vnk::TabP, 0) + CR, "ab" + sp12 + "c\n"},
        {P + B("ab") + Tab(15, 2, vnk::TabR) + B("c") + CR, "ab" + sp12.substr(2) + "c\n"},
        {P + B("abcdef") + Tab(3) + B("g") + CR, "abcdef g\n"},
        {P + B("a") + Tab(6, 0, vnk::TabP, '.') + B("b") + CR, "a....b\n"},
        {RecB(vnk::IndentFirst, 3) + P + Tab(6) + B("b") + CR, "     b\n"},
        {Ruler({5, 10}) + Para("a"), "a\n"}, // stops in a list are not moves
        // Page breaks, hard and soft, between and inside lines.
        {Para("a") + RecB(vnk::HardPage, 0) + Para("b"), "a\n\fb\n"},
        {Para("a") + RecB(vnk::SoftPage, 0) + Para("b"), "a\n\fb\n"},
        {RecB(vnk::IndentFirst, 3) + P + B("a") + RecB(vnk::HardPage, 0) + B("b") + CR,
         "  a\n\fb\n"},
        // Fields, and command texts left out.
        {P + RecB(vnk::Field, 0) + RecB(vnk::Field, 1) + B(" ") + RecB(vnk::Field, 2) +
             RecB(vnk::Field, 9) + CR,
         "#[date] [time][field]\n"},
        {P + B("a") + Rec(vnk::CmdText, B("1")) + Rec(vnk::CmdArg, B("JOIN x")) + B("b") + CR,
         "ab\n"},
        // Header and footer once, at the top and the bottom, whatever their place.
        {HeadFoot(1, Para("Head") + CR) + HeadFoot(2, Para("Foot") + CR) + Para("Body"),
         "[header]\nHead\n[end of header]\nBody\n[footer]\nFoot\n[end of footer]\n"},
        {Para("Body") + HeadFoot(2, P + B("Page ") + RecB(vnk::Field, 0) + CR) + P + B("end"),
         "Body\nend\n[footer]\nPage #\n[end of footer]\n"},
        {HeadFoot(1, CR + CR) + Para("Body"), "Body\n"},
        // Bytes above 0x7F through code page 437; controls are replaced.
        {Para("caf\x82 \xE1\x9C\xB0"), "caf\u00E9 \u00DF\u00A3\u2591\n"},
        {Para("a\x01\x0C\x7F"
              "b"),
         "a\uFFFD\uFFFD\uFFFDb\n"},
    };
    for (const auto& [stream, want] : cases) {
        const Rendered r = Render(false, stream);
        EXPECT_TRUE(r.status == 0 && r.err.empty()) << Hex(stream) << ": " << r.err;
        EXPECT_EQ(r.out, want) << Hex(stream);
    }
}

TEST(RenderText, CodePages) {
    const Bytes stream = Para("\x82\xE9\x85\xC3");
    const std::pair<const char*, std::string> cases[] = {
        {"CP437", "\u00E9\u0398\u00E0\u251C\n"},
        {"CP850", "\u00E9\u00DA\u00E0\u251C\n"},
        {"ISO-8859-1", "\uFFFD\u00E9\uFFFD\u00C3\n"}, // C1 controls are replaced
        {"UTF-8", "\uFFFD\uFFFD\uFFFD\uFFFD\n"},      // one byte at a time: no character
    };
    for (const auto& [codepage, want] : cases) {
        const Rendered r = Render(false, stream, codepage);
        EXPECT_TRUE(r.status == 0 && r.out == want) << codepage << ": " << r.out;
    }
    for (bool html : {false, true}) {
        const Rendered r = Render(html, stream, "NO-SUCH-PAGE");
        EXPECT_TRUE(r.status == 2 && r.out.empty()) << r.out;
        EXPECT_EQ(r.err, "vnkdump: unknown code page NO-SUCH-PAGE\n");
    }
}

// Everything before a broken record is rendered, the page is complete, and
// the report is the listing's.
TEST(RenderBoth, TruncatedStreamEndsWithStatus1) {
    const Bytes stream = Para("Hi") + P + B("there") + Bytes{0x00, 0x65, 0x02, 0x90};
    const std::string report =
        "vnkdump: record at offset 0x000010 truncated: code 65, length 2, 1 byte left\n";
    const Rendered text = Render(false, stream);
    EXPECT_TRUE(text.status == 1 && text.out == "Hi\nthere\n" && text.err == report) << text.err;
    const Rendered html = Render(true, stream);
    EXPECT_TRUE(html.status == 1 && html.err == report) << html.err;
    EXPECT_EQ(fuzzentry::CheckPage(html.out), nullptr);
    EXPECT_NE(html.out.find(">there</p>"), std::string::npos);
}

// ------------------------------------------------------------------ HTML ---

std::string Unescape(std::string s) {
    static const std::pair<std::string, std::string> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1))
            s.replace(at, from.size(), to);
    return s;
}

// A paragraph of the page: its style attribute, inner HTML and text.
struct Paragraph {
    std::string style, inner, text;
};

// The body paragraphs of each sheet (running headers and footers left out).
std::vector<std::vector<Paragraph>> Sheets(const std::string& page) {
    std::vector<std::vector<Paragraph>> sheets;
    static const std::regex section("<section[^>]*>\\n([\\s\\S]*?)</section>");
    static const std::regex running("<(header|footer) class=\"running\"[\\s\\S]*?</\\1>\\n");
    static const std::regex para("<p( style=\"([^\"]*)\")?>(.*?)</p>");
    static const std::regex tag("<[^>]*>");
    for (std::sregex_iterator s(page.begin(), page.end(), section), end; s != end; ++s) {
        const std::string body = std::regex_replace((*s)[1].str(), running, "");
        sheets.emplace_back();
        for (std::sregex_iterator p(body.begin(), body.end(), para); p != end; ++p)
            sheets.back().push_back(
                {(*p)[2], (*p)[3], Unescape(std::regex_replace((*p)[3].str(), tag, ""))});
    }
    return sheets;
}

// The first body paragraph of a one-sheet page.
Paragraph First(const Bytes& stream) {
    const Rendered r = Render(true, stream);
    EXPECT_EQ(fuzzentry::CheckPage(r.out), nullptr);
    const auto sheets = Sheets(r.out);
    if (sheets.size() != 1 || sheets[0].empty())
        return {"?", "?", "?"};
    return sheets[0][0];
}

TEST(RenderHtml, ParagraphRecordsMakeTheirStyles) {
    const std::pair<Bytes, std::string> cases[] = {
        {Para("x"), ""},
        {RecB(vnk::IndentFirst, 6) + Para("x"), "text-indent:5ch"},
        {RecB(vnk::IndentLeft, 4) + Para("x"), "margin-left:3ch"},
        {RecB(vnk::IndentLeft, 2) + RecB(vnk::IndentHang, 6) + Para("x"),
         "margin-left:5ch;text-indent:-4ch"},
        {RecB(vnk::IndentLeft, 0) + RecB(vnk::IndentNeg, 1) + RecB(vnk::IndentHang, 4) + Para("x"),
         "margin-left:3ch;text-indent:-3ch"},
        {RecB(vnk::IndentRight, 5) + Para("x"), "margin-right:5ch"},
        {Al(1) + Para("x"), "text-align:right"},
        {Al(2) + Para("x"), "text-align:center"},
        {Al(3) + Para("x"), "text-align:justify"},
        {P + Al(2) + B("x") + Al(3) + CR, "text-align:center"}, // as at its first text
        {RecI(vnk::Spacing, 480) + Para("x"), "line-height:24pt"},
        // A format line moves the margins of the paragraphs after it.
        {RecI(vnk::LeftMarg, 1440) + RecI(vnk::RightMarg, 10800) + P + B("x") +
             RecI(vnk::LeftMarg, 1728) + RecI(vnk::RightMarg, 10080) + CR + Para("y"),
         ""},
    };
    for (const auto& [stream, want] : cases)
        EXPECT_EQ(First(stream).style, want) << Hex(stream);
    const Bytes margins = RecI(vnk::LeftMarg, 1440) + RecI(vnk::RightMarg, 10800) + Para("x") +
                          RecI(vnk::LeftMarg, 1728) + RecI(vnk::RightMarg, 10080) +
                          RecB(vnk::IndentLeft, 3) + Para("y");
    const auto sheets = Sheets(Render(true, margins).out);
    ASSERT_EQ(sheets.size(), 1u);
    ASSERT_EQ(sheets[0].size(), 2u);
    EXPECT_EQ(sheets[0][1].style, "margin-left:calc(0.2in + 2ch);margin-right:0.5in");
}

TEST(RenderHtml, TextRecordsMakeTheirElements) {
    const std::pair<Bytes, std::string> cases[] = {
        {P + St(2) + B("b") + St(3) + B("bi") + St(1) + B("i") + St(0) + CR,
         "<b>b</b><b><i>bi</i></b><i>i</i>"},
        {P + Ul(1) + B("u") + RecB(vnk::Strike, '-') + B("us") + Ul(0) + RecB(vnk::Strike, 0) +
             B("n") + CR,
         "<u>u</u><u><s>us</s></u>n"},
        {P + B("m") + Sc(2) + B("2") + Sc(3) + B("x") + Sc(0) + CR, "m<sup>2</sup><sub>x</sub>"},
        {P + St(2) + St(0) + B("x") + CR, "x"},              // no empty elements
        {St(2) + Para("a") + Para("b") + St(0), "<b>a</b>"}, // reopened in each paragraph
        {P + B("<a&b>\"") + CR, "&lt;a&amp;b&gt;&quot;"},
        {P + B("ab") + Tab(6) + B("c") + CR, "ab   c"},
        {P + RecB(vnk::Field, 1) + CR, "<span class=\"field\" data-field=\"date\">[date]</span>"},
        {P + RecB(vnk::Field, 0) + CR, "<span class=\"field\" data-field=\"page\">#</span>"},
        {P + B("a") + Rec(vnk::CmdArg, B("GRAPH <x>")) + B("b") + CR,
         "a<wbr class=\"command\" data-code=\"C5\" data-command=\"GRAPH &lt;x&gt;\">b"},
        {Rec(vnk::CmdText, B("1")) + Para("a"),
         "<wbr class=\"command\" data-code=\"C4\" data-command=\"1\">a"},
        {CR, "<br>"},
        {Para("\x82"), "\u00E9"},
    };
    for (const auto& [stream, want] : cases)
        EXPECT_EQ(First(stream).inner, want) << Hex(stream);
    EXPECT_EQ(First(P + B("a") + Rec(vnk::CmdArg, B("JOIN x")) + CR).text, "a");
}

TEST(RenderHtml, SheetsFollowTheLayoutAndThePageBreaks) {
    const Bytes layout = RecI(vnk::PageLen, 14400) + RecI(vnk::TopMarg, 720) +
                         RecI(vnk::BotMarg, 13680) + RecI(vnk::LeftMarg, 1440) +
                         RecI(vnk::RightMarg, 10080);
    const Bytes stream = StreamPrologue() + layout + Para("a") + RecB(vnk::HardPage, 0) +
                         Para("b") + RecB(vnk::SoftPage, 0) + RecB(vnk::SoftPage, 0) + Para("c") +
                         RecB(vnk::HardPage, 0);
    const std::string page = Render(true, stream).out;
    EXPECT_EQ(fuzzentry::CheckPage(page), nullptr);
    const auto sheets = Sheets(page);
    ASSERT_EQ(sheets.size(), 5u); // a, b, an empty sheet, c, the empty page after the last break
    EXPECT_EQ(sheets[0][0].text, "a");
    EXPECT_EQ(sheets[1][0].text, "b");
    EXPECT_TRUE(sheets[2].empty());
    EXPECT_EQ(sheets[3][0].text, "c");
    std::smatch m;
    std::vector<std::string> breaks;
    static const std::regex section("<section class=\"sheet\" id=\"sheet-\\d+\"( data-break=\"("
                                    "\\w+)\")? style=\"([^\"]*)\">");
    for (std::sregex_iterator s(page.begin(), page.end(), section), end; s != end; ++s) {
        breaks.push_back((*s)[2]);
        EXPECT_EQ((*s)[3], "width:8.5in;min-height:10in;padding:0.5in 1.5in 0.5in 1in;page:page1");
    }
    EXPECT_EQ(breaks, (std::vector<std::string>{"", "hard", "soft", "soft", "hard"}));
    EXPECT_NE(page.find("@page page1 { size: 8.5in 10in; margin: 0.5in 1.5in 0.5in 1in;"),
              std::string::npos);
    EXPECT_NE(page.find("section[data-break] { break-before: page; }"), std::string::npos);
    // A damaged layout still gives a page with a text area.
    const std::string bad =
        Render(true, RecI(vnk::PageWid, -5) + RecI(vnk::LeftMarg, 30000) + Para("x")).out;
    EXPECT_NE(bad.find("style=\"width:0.2in;min-height:11in;padding:1in 0in 1in 0.1in;"),
              std::string::npos);
}

TEST(RenderHtml, HeaderAndFooterOnEverySheet) {
    const Bytes stream = HeadFoot(1, Al(2) + St(2) + P + B("Page ") + RecB(vnk::Field, 0) + CR +
                                         CR + Al(0) + St(0)) +
                         HeadFoot(2, Al(1) + Ul(1) + Para("Foot \"q\" <x>") + CR + Ul(0)) +
                         Para("one") + RecB(vnk::HardPage, 0) + Para("two");
    const std::string page = Render(true, stream).out;
    EXPECT_EQ(fuzzentry::CheckPage(page), nullptr);
    for (const char* number : {"1", "2"}) {
        EXPECT_NE(page.find(std::string("<p style=\"text-align:center\"><b>Page <span "
                                        "class=\"field\" data-field=\"page\">") +
                            number + "</span></b></p>"),
                  std::string::npos)
            << number;
    }
    EXPECT_EQ(std::count(page.begin() + page.find("<body>"), page.end(), '\n') > 0, true);
    const auto count = [&](const std::string& what) {
        size_t n = 0;
        for (size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("<header class=\"running\" style=\"top:0;height:1in;left:0in;right:2in\">"),
              2u);
    EXPECT_EQ(count("<footer class=\"running\""), 2u);
    EXPECT_NE(page.find("@top-center { content: \"Page \" counter(page) \"\"; white-space: pre; "
                        "text-align: center;"),
              std::string::npos);
    EXPECT_NE(page.find("@bottom-right { content: \"Foot \\\"q\\\" \\3C x>\";"), std::string::npos);
    EXPECT_NE(page.find("font-weight: bold;"), std::string::npos);
    EXPECT_NE(page.find("text-decoration: underline;"), std::string::npos);
    const auto sheets = Sheets(page);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0][0].text, "one");
    EXPECT_EQ(sheets[0][0].style, ""); // the header's alignment stays in the header
}

// ------------------------------------------------------------- examples ---

// The letters and digits of the body's text runs (header and footer left
// out), in stream order.
std::string BodyLetters(const Bytes& stream) {
    std::string letters;
    bool inHeadFoot = false;
    size_t pos = 0;
    vnkdump::Element e;
    while (vnkdump::NextElement(stream.data(), stream.size(), pos, e)) {
        if (e.kind == vnkdump::ElementKind::Record && e.code == vnk::HeadFoot)
            inHeadFoot = true;
        if (e.kind == vnkdump::ElementKind::Record && e.code == vnk::HeadFootDef && e.size == 1 &&
            e.bytes[0] == 0)
            inHeadFoot = false;
        if (e.kind == vnkdump::ElementKind::Text && !inHeadFoot)
            for (size_t i = 0; i < e.size; ++i)
                if (std::isalnum(e.bytes[i]))
                    letters += static_cast<char>(e.bytes[i]);
    }
    return letters;
}

class RenderExample : public ::testing::TestWithParam<std::string> {};

// The text of every example holds exactly the letters of its body, in order
// (only spaces, line ends, form feeds and field marks are added), and its
// page is well formed.
TEST_P(RenderExample, KeepsEveryWordInOrder) {
    testfs::TempDir dir;
    const std::string vnk = dir / "doc.vnk";
    const std::string cmd =
        "'" PFS2VNK_EXE "' '" SOURCE_DIR "/examples/" + GetParam() + ".pfs' '" + vnk + "' 0";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string raw = testfs::ReadFile(vnk);
    const Bytes stream(raw.begin(), raw.end());
    std::string text = Render(false, stream).out;
    for (const char* block : {"[header]", "[footer]"}) {
        const size_t at = text.find(block);
        if (at != std::string::npos)
            text.erase(at, text.find('\n', text.find("[end of", at)) + 1 - at);
    }
    for (const char* mark : {"[date]", "[time]"})
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark))
            text.erase(at, 6);
    std::string letters;
    for (char c : text)
        if (std::isalnum(static_cast<unsigned char>(c)))
            letters += c;
    EXPECT_EQ(letters, BodyLetters(stream));
    EXPECT_EQ(fuzzentry::CheckPage(Render(true, stream).out), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Examples, RenderExample, ::testing::Values("letter", "memo", "long"),
                         [](const auto& info) { return info.param; });

} // namespace
