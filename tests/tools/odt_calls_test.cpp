// Covers tools/render/odt_sink.cpp and the walker's tab stops (render.cpp).
// The calls of librevenge's text interface that the ODT sink makes for
// hand-built streams, recorded and compared with calls derived by hand:
// one table a group of records (page, paragraph, tabs, attributes, header
// and footer, fields).  Measures: a column is 144 twips, an inch 1440.
#ifdef RENDER_HAVE_ODT

#include <set>

#include "odt_sink.h"
#include "support/harness.h"
#include "support/recording_text.h"

namespace {

// What a group looks at: the calls by name, each with the properties named
// (all of them when the list is empty).
using Filter = std::vector<std::pair<std::string, std::vector<std::string>>>;

// The stream walked into the ODT sink, the calls the filter keeps, one line
// each: the name, then " key=value" per property kept.
std::vector<std::string> Calls(const Bytes& stream, const Filter& filter) {
    RecordingText doc;
    vnkdump::OdtSink sink(doc, "T", "G");
    vnkdump::CodePage cp;
    EXPECT_TRUE(vnkdump::LoadCodePage("CP437", cp));
    sink.Start();
    vnkdump::Element truncated{};
    vnkdump::WalkStream(stream.data(), stream.size(), cp, sink, truncated);
    std::vector<std::string> lines;
    for (const RecordedCall& call : doc.calls) {
        for (const auto& [name, keys] : filter) {
            if (name != call.name)
                continue;
            std::string line = call.name;
            for (const auto& [key, value] : call.props)
                if (keys.empty() || std::find(keys.begin(), keys.end(), key) != keys.end())
                    line += " " + key + "=" + value;
            lines.push_back(line);
        }
    }
    return lines;
}

using Lines = std::vector<std::string>;

Bytes Para(const std::string& text) {
    return P + B(text) + CR;
}
Bytes Tab(uint8_t column, uint8_t backOff = 0, uint8_t type = vnk::TabP, uint8_t leader = 0) {
    return RecB(vnk::TabLeader, leader) + RecB(vnk::TabBackOff, backOff) + RecB(type, column);
}
Bytes Stops(const Bytes& records) {
    return RecB(vnk::TabClear, 0) + RecB(vnk::TabList, 1) + records + RecB(vnk::TabList, 0);
}
Bytes HeadFoot(uint8_t kind, const Bytes& inside) {
    return RecB(vnk::HeadFoot, kind) + RecB(vnk::HeadFootDef, kind) + inside +
           RecB(vnk::HeadFootDef, 0);
}
const Bytes HardPage = RecB(vnk::HardPage, 0);

void Check(const std::vector<std::pair<Bytes, Lines>>& cases, const Filter& filter) {
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(Calls(cases[i].first, filter), cases[i].second) << "case " << i;
}

// The default page: 8.5 x 11 in, top margin 1 in, text area to 10 in from
// the top (bottom margin 1 in), left margin 0, right edge at 6.5 in.
const std::string DefaultSpan =
    "openPageSpan fo:margin-bottom=1in fo:margin-left=0in fo:margin-right=2in "
    "fo:margin-top=1in fo:page-height=11in fo:page-width=8.5in style:print-orientation=portrait";

TEST(OdtCalls, TheDocumentFrameAndTheMetadata) {
    const Filter all = {{"setDocumentMetaData", {}},
                        {"startDocument", {}},
                        {"openPageSpan", {}},
                        {"closePageSpan", {}},
                        {"openParagraph", {"fo:break-before"}},
                        {"closeParagraph", {}},
                        {"insertText", {}},
                        {"endDocument", {}}};
    const Lines empty = {"setDocumentMetaData dc:title=T meta:generator=G",
                         "startDocument",
                         DefaultSpan,
                         "openParagraph",
                         "closeParagraph",
                         "closePageSpan",
                         "endDocument"};
    Check(
        {
            // Nothing at all, or bytes that are no stream: one empty page.
            {{}, empty},
            {{0x00}, empty},
            // A stream cut inside a record: what came before it, closed.
            {P + B("a") + Bytes{0x00, 0x65, 0x02, 0x90},
             {"setDocumentMetaData dc:title=T meta:generator=G", "startDocument", DefaultSpan,
              "openParagraph", "insertText text=a", "closeParagraph", "closePageSpan",
              "endDocument"}},
        },
        all);
}

TEST(OdtCalls, PageSizeMarginsAndHardPageBreaks) {
    const Filter page = {{"openPageSpan", {}},
                         {"closePageSpan", {}},
                         {"openParagraph", {"fo:break-before"}},
                         {"insertText", {}}};
    const Bytes landscape = RecI(vnk::PageLen, 12240) + RecI(vnk::PageWid, 15840) +
                            RecI(vnk::TopMarg, 720) + RecI(vnk::BotMarg, 11520) +
                            RecI(vnk::LeftMarg, 1440) + RecI(vnk::RightMarg, 14400);
    Check(
        {
            {Para("a"), {DefaultSpan, "openParagraph", "insertText text=a", "closePageSpan"}},
            // 0x63 is the end of the text area from the top, 0x65 the right edge.
            {landscape + Para("a"),
             {"openPageSpan fo:margin-bottom=0.5in fo:margin-left=1in fo:margin-right=1in "
              "fo:margin-top=0.5in fo:page-height=8.5in fo:page-width=11in "
              "style:print-orientation=landscape",
              "openParagraph", "insertText text=a", "closePageSpan"}},
            // Every hard break makes a page: two in a row, and one at the end.
            {Para("a") + HardPage + HardPage + Para("b") + HardPage,
             {DefaultSpan, "openParagraph", "insertText text=a",
              "openParagraph fo:break-before=page", "openParagraph fo:break-before=page",
              "insertText text=b", "openParagraph fo:break-before=page", "closePageSpan"}},
            // A soft break is left to the office suite.
            {Para("a") + RecB(vnk::SoftPage, 0) + Para("b"),
             {DefaultSpan, "openParagraph", "insertText text=a", "openParagraph",
              "insertText text=b", "closePageSpan"}},
            // New margins at a hard break: a new span, which starts the page itself.
            {Para("a") + RecI(vnk::LeftMarg, 720) + HardPage + Para("b"),
             {DefaultSpan, "openParagraph", "insertText text=a", "closePageSpan",
              "openPageSpan fo:margin-bottom=1in fo:margin-left=0.5in fo:margin-right=2in "
              "fo:margin-top=1in fo:page-height=11in fo:page-width=8.5in "
              "style:print-orientation=portrait",
              "openParagraph", "insertText text=b", "closePageSpan"}},
        },
        page);
}

TEST(OdtCalls, ParagraphAlignmentIndentsAndSpacing) {
    const Filter para = {{"openParagraph",
                          {"fo:text-align", "fo:margin-left", "fo:margin-right", "fo:text-indent",
                           "fo:line-height"}}};
    // align, left, right, first-line indent, line height
    auto line = [](const char* align, const char* left, const char* right, const char* indent,
                   const char* height = "0.1667in") {
        return std::string("openParagraph fo:line-height=") + height + " fo:margin-left=" + left +
               " fo:margin-right=" + right + " fo:text-align=" + align +
               " fo:text-indent=" + indent;
    };
    Check(
        {
            {Para("x"), {line("left", "0in", "0in", "0in")}},
            {RecB(vnk::Align, 1) + Para("x"), {line("end", "0in", "0in", "0in")}},
            {RecB(vnk::Align, 2) + Para("x"), {line("center", "0in", "0in", "0in")}},
            {RecB(vnk::Align, 3) + Para("x"), {line("justify", "0in", "0in", "0in")}},
            // First line at column 6: 5 columns in.
            {RecB(vnk::IndentFirst, 6) + Para("x"), {line("left", "0in", "0in", "0.5in")}},
            // A block from column 4.
            {RecB(vnk::IndentLeft, 4) + Para("x"), {line("left", "0.3in", "0in", "0in")}},
            // Hanging: first line at column 2, the rest at 6.
            {RecB(vnk::IndentLeft, 2) + RecB(vnk::IndentHang, 6) + Para("x"),
             {line("left", "0.5in", "0in", "-0.4in")}},
            // A negative indent of one column from column 1 is cut at column 1.
            {RecB(vnk::IndentNeg, 1) + RecB(vnk::IndentHang, 4) + Para("1. x"),
             {line("left", "0.3in", "0in", "-0.3in")}},
            {RecB(vnk::IndentRight, 9) + Para("x"), {line("left", "0in", "0.9in", "0in")}},
            {RecI(vnk::Spacing, 480) + Para("x"), {line("left", "0in", "0in", "0in", "0.3333in")}},
            // Margins a format line moved shift the paragraph inside the page's span.
            {Para("a") + RecI(vnk::LeftMarg, 720) + RecI(vnk::RightMarg, 9000) + Para("b"),
             {line("left", "0in", "0in", "0in"), line("left", "0.5in", "0.25in", "0in")}},
        },
        para);
}

TEST(OdtCalls, TabStopsWithTheirKindsAndTabsAsTabCharacters) {
    const Filter tabs = {{"openParagraph", {"style:tab-stops"}},
                         {"insertTab", {}},
                         {"insertSpace", {}},
                         {"insertText", {}}};
    auto stops = [](const std::string& list) {
        return "openParagraph style:tab-stops=[" + list + "]";
    };
    Check(
        {
            {Stops(RecB(vnk::TabP, 5) + RecB(vnk::TabP, 10)) + P + B("a") + Tab(5) + B("b") +
                 Tab(10) + B("c") + CR,
             {stops("style:position=0.4in style:type=left; "
                    "style:position=0.9in style:type=left"),
              "insertText text=a", "insertTab", "insertText text=b", "insertTab",
              "insertText text=c"}},
            // Positions count from the paragraph's indent (column 5 here);
            // stops left of its first column are out of reach.
            {RecB(vnk::IndentLeft, 5) + Stops(RecB(vnk::TabP, 3) + RecB(vnk::TabP, 10)) + P +
                 B("a") + Tab(10) + B("b") + CR,
             {stops("style:position=0.5in style:type=left"), "insertText text=a", "insertTab",
              "insertText text=b"}},
            // The kinds: right at the column's right edge, centred in its middle,
            // decimal at its left edge; another type character is a left stop.
            {Stops(RecB(vnk::TabQ, 20) + RecB(vnk::TabR, 30) + RecB(vnk::TabT, 40) +
                   Rec(vnk::TabOther, {50, 'x'})) +
                 Para("a"),
             {stops("style:position=2in style:type=right; "
                    "style:position=2.95in style:type=center; "
                    "style:char=. style:position=3.9in style:type=char; "
                    "style:position=4.9in style:type=left"),
              "insertText text=a"}},
            // A move to a stop the list lacks brings the stop, of the move's kind.
            {P + B("a") + Tab(15, 2, vnk::TabR) + B("bcd") + CR,
             {stops("style:position=1.45in style:type=center"), "insertText text=a", "insertTab",
              "insertText text=bcd"}},
            // A move past another stop is a tab for each.
            {Stops(RecB(vnk::TabP, 5) + RecB(vnk::TabP, 10)) + P + B("a") + Tab(10) + B("b") + CR,
             {stops("style:position=0.4in style:type=left; "
                    "style:position=0.9in style:type=left"),
              "insertText text=a", "insertTab", "insertTab", "insertText text=b"}},
            // A line already past the stop: one space, as in the text.
            {P + B("abcdef") + Tab(3) + B("g") + CR,
             {"openParagraph", "insertText text=abcdef", "insertSpace", "insertText text=g"}},
        },
        tabs);
}

TEST(OdtCalls, AttributesAsSpans) {
    const std::vector<std::string> keys = {"fo:font-weight",
                                           "fo:font-style",
                                           "style:text-underline-style",
                                           "style:text-underline-type",
                                           "style:text-line-through-style",
                                           "style:text-line-through-type",
                                           "style:text-position"};
    const Filter spans = {{"openSpan", keys}, {"insertText", {}}};
    Check(
        {
            {P + B("a") + RecB(vnk::Style, 2) + B("b") + RecB(vnk::Style, 1) + B("c") +
                 RecB(vnk::Style, 3) + B("d") + RecB(vnk::Style, 0) + CR,
             {"openSpan", "insertText text=a", "openSpan fo:font-weight=bold", "insertText text=b",
              "openSpan fo:font-style=italic", "insertText text=c",
              "openSpan fo:font-style=italic fo:font-weight=bold", "insertText text=d"}},
            {P + RecB(vnk::Underline, 1) + B("u") + RecB(vnk::Underline, 0) +
                 RecB(vnk::Strike, '-') + B("s") + RecB(vnk::Strike, 0) + CR,
             {"openSpan style:text-underline-style=solid style:text-underline-type=single",
              "insertText text=u",
              "openSpan style:text-line-through-style=solid "
              "style:text-line-through-type=single",
              "insertText text=s"}},
            {P + RecB(vnk::Script, 2) + B("2") + RecB(vnk::Script, 3) + B("3") +
                 RecB(vnk::Script, 0) + B("x") + CR,
             {"openSpan style:text-position=super 58%", "insertText text=2",
              "openSpan style:text-position=sub 58%", "insertText text=3", "openSpan",
              "insertText text=x"}},
        },
        spans);
    // Every span has the fixed-pitch font, ten characters to the inch.
    EXPECT_EQ(Calls(RecB(vnk::Style, 2) + Para("a"), {{"openSpan", {}}}),
              Lines{"openSpan fo:font-size=12pt fo:font-weight=bold "
                    "style:font-name=Liberation Mono"});
}

TEST(OdtCalls, HeaderAndFooterInTheMarginsOfEveryPage) {
    const Filter running = {
        {"openPageSpan",
         {"fo:margin-top", "fo:margin-bottom", "librevenge:header", "librevenge:footer"}},
        {"closePageSpan", {}},
        {"openHeader", {}},
        {"closeHeader", {}},
        {"openFooter", {}},
        {"closeFooter", {}},
        {"insertText", {}},
        {"openParagraph", {"fo:break-before"}}};
    Check(
        {
            // One line each (the empty lines that close them are left out):
            // the header from halfway down the 1 in top margin, 1/3 in to the body.
            {HeadFoot(1, Para("Head") + CR) + HeadFoot(2, Para("Foot") + CR) + Para("body"),
             {"openPageSpan fo:margin-bottom=0.5in fo:margin-top=0.5in "
              "librevenge:footer=[fo:margin-top=0.3333in fo:min-height=0.1667in] "
              "librevenge:header=[fo:margin-bottom=0.3333in fo:min-height=0.1667in]",
              "openHeader librevenge:occurrence=all", "openParagraph", "insertText text=Head",
              "closeHeader", "openFooter librevenge:occurrence=all", "openParagraph",
              "insertText text=Foot", "closeFooter", "openParagraph", "insertText text=body",
              "closePageSpan"}},
            // Eight lines do not fit in six: from the page's edge, pushing the body down.
            {HeadFoot(1, Para("1") + Para("2") + Para("3") + Para("4") + Para("5") + Para("6") +
                             Para("7") + Para("8")) +
                 Para("b"),
             {"openPageSpan fo:margin-bottom=1in fo:margin-top=0in "
              "librevenge:header=[fo:margin-bottom=0in fo:min-height=1.3333in]",
              "openHeader librevenge:occurrence=all",
              "openParagraph",
              "insertText text=1",
              "openParagraph",
              "insertText text=2",
              "openParagraph",
              "insertText text=3",
              "openParagraph",
              "insertText text=4",
              "openParagraph",
              "insertText text=5",
              "openParagraph",
              "insertText text=6",
              "openParagraph",
              "insertText text=7",
              "openParagraph",
              "insertText text=8",
              "closeHeader",
              "openParagraph",
              "insertText text=b",
              "closePageSpan"}},
            // A header defined later takes effect at the next hard break.
            {Para("a") + HeadFoot(1, Para("H")) + Para("b") + HardPage + Para("c"),
             {"openPageSpan fo:margin-bottom=1in fo:margin-top=1in", "openParagraph",
              "insertText text=a", "openParagraph", "insertText text=b", "closePageSpan",
              "openPageSpan fo:margin-bottom=1in fo:margin-top=0.5in "
              "librevenge:header=[fo:margin-bottom=0.3333in fo:min-height=0.1667in]",
              "openHeader librevenge:occurrence=all", "openParagraph", "insertText text=H",
              "closeHeader", "openParagraph", "insertText text=c", "closePageSpan"}},
        },
        running);
}

TEST(OdtCalls, FieldsCodePageAndCommandTexts) {
    const Filter fields = {{"insertField", {}}, {"insertText", {}}};
    Check(
        {
            {P + RecB(vnk::Field, 0) + B(" ") + RecB(vnk::Field, 1) + RecB(vnk::Field, 2) +
                 RecB(vnk::Field, 9) + CR,
             {"insertField librevenge:field-type=text:page-number style:num-format=1",
              "insertText text= ", "insertField librevenge:field-type=text:date",
              "insertField librevenge:field-type=text:time", "insertText text=[field]"}},
            // Command texts are left out; bytes above 0x7F go through the code page.
            {P + B("a") + Rec(vnk::CmdText, B("1")) + Rec(vnk::CmdArg, B("JOIN x")) + B("caf\x82") +
                 CR,
             {"insertText text=a", "insertText text=caf\xC3\xA9"}},
        },
        fields);
}

} // namespace

#endif
