// The document as one self-contained HTML5 page (vnkdump --html): inline
// CSS, no scripts, nothing fetched.
//
// On screen every page is a sheet of the page's width and length with its
// margins as padding; a page-break record starts a new sheet.  The running
// header and footer stand in the top and bottom margins of every sheet that
// follows their definition, the page-number field showing the sheet's
// number.  For print the sheets lose their frame and the page uses CSS paged
// media: a named @page per layout gives the size and margins, the header and
// footer become its margin boxes (plain text, with the real page number),
// and each sheet after a break starts with break-before: page, so text
// longer than a sheet goes on to the next printed page instead of being cut.
//
// The font is fixed-pitch at 12 points, ten characters to the inch, so one
// column is one ch: indents are margins and text-indent in ch, and tabs are
// the spaces up to their stop's column, kept by white-space: pre-wrap.  A
// paragraph is a <p> with its indents, alignment and line height as inline
// style; an empty line is <p><br></p>.  Attributes are the elements b, i, u,
// s, sup and sub, closed and reopened in that order whenever they change.
// Fields are <span class="field" data-field=...>; command texts appear only
// as <wbr class="command" data-code=... data-command=...>.  Text is escaped.

#include <algorithm>
#include <map>
#include <vector>

#include "render.h"

namespace vnkdump {

namespace {

constexpr int DefaultSpacing = 240;
constexpr char PageNumberMark = '\x01'; // stands for the sheet number in header text

// "1in", "0.5in", "0.1667in": twips as inches, without trailing zeros.
std::string Inches(int twips) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", twips / 1440.0);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0in" : s + "in";
}

// "24pt", "12.5pt": twips as points.
std::string Points(int twips) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%gpt", twips / 20.0);
    return buf;
}

// Appends text with &, <, > and " escaped.
void AppendEscaped(std::string& to, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&':
            to += "&amp;";
            break;
        case '<':
            to += "&lt;";
            break;
        case '>':
            to += "&gt;";
            break;
        case '"':
            to += "&quot;";
            break;
        default:
            to += c;
        }
    }
}

// Appends text for the inside of a CSS string: quote and backslash escaped,
// '<' as an escape so that no "</style" can end the style sheet.
void AppendCssString(std::string& to, std::string_view text) {
    for (char c : text) {
        if (c == '"' || c == '\\')
            (to += '\\') += c;
        else if (c == '<')
            to += "\\3C ";
        else
            to += c;
    }
}

// The CSS text-decoration of underline and strike-out.
const char* Decoration(const Attributes& a) {
    if (a.underline && a.strike)
        return "underline line-through";
    if (a.underline)
        return "underline";
    return a.strike ? "line-through" : "none";
}

const char* FieldName(uint8_t value) {
    switch (value) {
    case 0:
        return "page";
    case 1:
        return "date";
    case 2:
        return "time";
    default:
        return "other";
    }
}

// A running header or footer: its HTML for the sheets and its plain text as
// CSS content for the print margin box.
struct HeadFoot {
    bool header = true;
    std::string html;
    std::vector<std::string> lines; // CSS string content, one per paragraph
    bool styled = false;            // align and attrs taken from its first text
    Align align = Align::None;
    Attributes attrs;
};

struct Sheet {
    PageLayout page;
    int header = -1, footer = -1; // indexes into the definitions, -1 for none
    const char* breakKind = nullptr;
    std::vector<std::pair<ParaLayout, std::string>> paras; // layout and inner HTML
    std::string trailing;                                  // command texts after the last paragraph
};

class HtmlSink : public RenderSink {
  public:
    HtmlSink(FILE* out, const char* title) : out_(out), title_(title ? title : "Document") {}

    void BeginParagraph(const ParaLayout& para) override;
    void Text(std::string_view utf8) override;
    void Tab(const TabMove& move) override;
    void Field(uint8_t value) override;
    void Command(uint8_t code, std::string_view utf8) override;
    void SetAttributes(const Attributes& attrs) override { want_ = attrs; }
    void EndParagraph() override;
    void PageBreak(bool hard, const PageLayout& page) override;
    void BeginHeadFoot(bool header) override;
    void EndHeadFoot() override;
    void End(const PageLayout& page) override;

  private:
    void OpenSheet(const PageLayout& page);
    void SyncAttributes();
    void CloseAttributes();
    static std::string Paragraph(const ParaLayout& para, const std::string& inner,
                                 const PageLayout& sheet);
    void PutHead();
    void PutPageRule(const std::string& name, const Sheet& sheet);
    void PutMarginBox(const HeadFoot& hf, const char* edge);
    void PutSheet(const Sheet& sheet, size_t number, const std::string& pageName);
    void PutRunning(const HeadFoot& hf, const Sheet& sheet, size_t number);
    std::string PageName(const Sheet& sheet);

    FILE* out_;
    std::string title_;
    std::vector<Sheet> sheets_;
    std::vector<HeadFoot> headFoots_;
    bool sheetOpen_ = false;
    const char* pendingBreak_ = nullptr;
    int header_ = -1, footer_ = -1;
    HeadFoot* hf_ = nullptr; // the definition being read, if any
    bool inPara_ = false;
    std::string para_, line_; // the paragraph's HTML; its CSS text in a header or footer
    ParaLayout layout_{};
    std::string pendingCommands_;
    Attributes want_, open_;
    std::map<std::string, std::string> pageNames_; // @page rule text to its name
    std::vector<std::pair<std::string, const Sheet*>> pageRules_;
};

void HtmlSink::OpenSheet(const PageLayout& page) {
    Sheet sheet;
    sheet.page = page;
    sheet.header = header_;
    sheet.footer = footer_;
    sheet.breakKind = pendingBreak_;
    sheets_.push_back(std::move(sheet));
    sheetOpen_ = true;
    pendingBreak_ = nullptr;
}

void HtmlSink::BeginParagraph(const ParaLayout& para) {
    if (!hf_ && !sheetOpen_)
        OpenSheet(para.page);
    layout_ = para;
    inPara_ = true;
    para_ = std::move(pendingCommands_);
    pendingCommands_.clear();
    line_.assign(static_cast<size_t>(para.firstColumn - 1), ' ');
    open_ = Attributes{};
}

void HtmlSink::SyncAttributes() {
    if (hf_ && !hf_->styled) {
        hf_->styled = true;
        hf_->align = layout_.align;
        hf_->attrs = want_;
    }
    if (open_ == want_)
        return;
    CloseAttributes();
    const Attributes& a = want_;
    if (a.bold)
        para_ += "<b>";
    if (a.italic)
        para_ += "<i>";
    if (a.underline)
        para_ += "<u>";
    if (a.strike)
        para_ += "<s>";
    if (a.script == 2)
        para_ += "<sup>";
    if (a.script == 3)
        para_ += "<sub>";
    open_ = a;
}

void HtmlSink::CloseAttributes() {
    const Attributes& a = open_;
    if (a.script == 3)
        para_ += "</sub>";
    if (a.script == 2)
        para_ += "</sup>";
    if (a.strike)
        para_ += "</s>";
    if (a.underline)
        para_ += "</u>";
    if (a.italic)
        para_ += "</i>";
    if (a.bold)
        para_ += "</b>";
    open_ = Attributes{};
}

void HtmlSink::Text(std::string_view utf8) {
    SyncAttributes();
    AppendEscaped(para_, utf8);
    AppendCssString(line_, utf8);
}

void HtmlSink::Tab(const TabMove& move) {
    SyncAttributes();
    for (int i = 0; i < move.count; ++i) {
        AppendEscaped(para_, move.fill);
        AppendCssString(line_, move.fill);
    }
}

void HtmlSink::Field(uint8_t value) {
    SyncAttributes();
    para_ += "<span class=\"field\" data-field=\"";
    para_ += FieldName(value);
    para_ += "\">";
    const bool pageNumber = hf_ && value == 0;
    if (pageNumber) {
        para_ += PageNumberMark;
        line_ += "\" counter(page) \"";
    } else {
        para_ += FieldText(value);
        AppendCssString(line_, FieldText(value));
    }
    para_ += "</span>";
}

void HtmlSink::Command(uint8_t code, std::string_view utf8) {
    std::string& to = inPara_ ? para_ : pendingCommands_;
    to += code == 0xC4 ? "<wbr class=\"command\" data-code=\"C4\" data-command=\""
                       : "<wbr class=\"command\" data-code=\"C5\" data-command=\"";
    AppendEscaped(to, utf8);
    to += "\">";
}

// The paragraph's element.  Margins that differ from the sheet's (a format
// line changed them) shift its edges.
std::string HtmlSink::Paragraph(const ParaLayout& para, const std::string& inner,
                                const PageLayout& sheet) {
    const int extraLeft = para.page.left - sheet.left;
    const int extraRight = sheet.right - para.page.right;
    const int indent = para.restColumn - 1;
    std::string style;
    auto length = [](int twips, int columns) -> std::string {
        if (twips == 0)
            return std::to_string(columns) + "ch";
        if (columns == 0)
            return Inches(twips);
        return "calc(" + Inches(twips) + " + " + std::to_string(columns) + "ch)";
    };
    if (extraLeft != 0 || indent != 0)
        style += "margin-left:" + length(extraLeft, indent) + ";";
    if (extraRight != 0 || para.rightIndent != 0)
        style += "margin-right:" + length(extraRight, para.rightIndent) + ";";
    if (para.firstColumn != para.restColumn)
        style += "text-indent:" + std::to_string(para.firstColumn - para.restColumn) + "ch;";
    static const char* const aligns[] = {"", "text-align:right;", "text-align:center;",
                                         "text-align:justify;"};
    style += aligns[static_cast<int>(para.align)];
    if (para.spacing != DefaultSpacing)
        style += "line-height:" + Points(para.spacing) + ";";
    if (!style.empty()) {
        style.pop_back();
        style = " style=\"" + style + "\"";
    }
    return "<p" + style + ">" + inner + "</p>\n";
}

void HtmlSink::EndParagraph() {
    CloseAttributes();
    std::string inner = para_.empty() ? "<br>" : para_;
    if (hf_) {
        hf_->html += Paragraph(layout_, inner, layout_.page);
        hf_->lines.push_back(line_);
    } else {
        sheets_.back().paras.emplace_back(layout_, std::move(inner));
    }
    para_.clear();
    inPara_ = false;
}

void HtmlSink::PageBreak(bool hard, const PageLayout& page) {
    if (!sheetOpen_)
        OpenSheet(page);
    sheetOpen_ = false;
    pendingBreak_ = hard ? "hard" : "soft";
}

void HtmlSink::BeginHeadFoot(bool header) {
    headFoots_.emplace_back();
    hf_ = &headFoots_.back();
    hf_->header = header;
}

void HtmlSink::EndHeadFoot() {
    std::vector<std::string>& lines = hf_->lines;
    while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string::npos)
        lines.pop_back();
    (hf_->header ? header_ : footer_) = static_cast<int>(headFoots_.size() - 1);
    hf_ = nullptr;
}

void HtmlSink::End(const PageLayout& page) {
    if (!sheetOpen_ && (sheets_.empty() || pendingBreak_))
        OpenSheet(page);
    sheets_.back().trailing = pendingCommands_;
    // A sheet is wide enough for every paragraph on it: text in the page's
    // margins would be cut off in print.
    std::vector<std::string> names;
    for (Sheet& sheet : sheets_) {
        for (const auto& [para, inner] : sheet.paras) {
            sheet.page.left = std::min(sheet.page.left, para.page.left);
            sheet.page.right = std::max(sheet.page.right, para.page.right);
        }
        names.push_back(PageName(sheet));
    }
    PutHead();
    for (size_t i = 0; i < sheets_.size(); ++i)
        PutSheet(sheets_[i], i + 1, names[i]);
    std::fputs("</body>\n</html>\n", out_);
}

// One named page per distinct layout and header and footer; the rule itself
// is the key, so equal sheets share a name.
std::string HtmlSink::PageName(const Sheet& sheet) {
    const PageLayout& p = sheet.page;
    const std::string key = std::to_string(p.width) + "," + std::to_string(p.length) + "," +
                            std::to_string(p.top) + "," + std::to_string(p.bottom) + "," +
                            std::to_string(p.left) + "," + std::to_string(p.right) + "," +
                            std::to_string(sheet.header) + "," + std::to_string(sheet.footer);
    auto [it, added] = pageNames_.emplace(key, "page" + std::to_string(pageNames_.size() + 1));
    if (added)
        pageRules_.emplace_back(it->second, &sheet);
    return it->second;
}

const char Css[] = R"(html { background: #8a8a8a; }
body { margin: 0; padding: 0.3in 0; color: #000;
  font-family: "Liberation Mono", "Courier New", Courier, "DejaVu Sans Mono", monospace;
  font-size: 12pt; line-height: 12pt; }
.sheet { position: relative; box-sizing: border-box; margin: 0 auto 0.3in; background: #fff;
  box-shadow: 0 0 0.08in #333; overflow-wrap: break-word; }
p { margin: 0; white-space: pre-wrap; }
.running { position: absolute; box-sizing: border-box; display: flex; flex-direction: column;
  justify-content: center; }
sup, sub { font-size: 0.7em; line-height: 0; }
section[data-break] { break-before: page; }
@media print {
  html { background: none; }
  body { padding: 0; }
  .sheet { width: auto !important; min-height: 0 !important; padding: 0 !important; margin: 0;
    box-shadow: none; }
  .running { display: none; }
}
)";

void HtmlSink::PutHead() {
    std::string title;
    AppendEscaped(title, title_);
    std::fprintf(out_,
                 "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                 "<meta name=\"generator\" content=\"vnkdump\">\n<title>%s</title>\n<style>\n%s",
                 title.c_str(), Css);
    for (const auto& [name, sheet] : pageRules_)
        PutPageRule(name, *sheet);
    std::fputs("</style>\n</head>\n<body>\n", out_);
}

void HtmlSink::PutPageRule(const std::string& name, const Sheet& sheet) {
    const PageLayout& p = sheet.page;
    std::fprintf(out_, "@page %s { size: %s %s; margin: %s %s %s %s;\n", name.c_str(),
                 Inches(p.width).c_str(), Inches(p.length).c_str(), Inches(p.top).c_str(),
                 Inches(p.width - p.right).c_str(), Inches(p.length - p.bottom).c_str(),
                 Inches(p.left).c_str());
    if (sheet.header >= 0)
        PutMarginBox(headFoots_[sheet.header], "top");
    if (sheet.footer >= 0)
        PutMarginBox(headFoots_[sheet.footer], "bottom");
    std::fputs("}\n", out_);
}

void HtmlSink::PutMarginBox(const HeadFoot& hf, const char* edge) {
    if (hf.lines.empty())
        return;
    static const char* const boxes[] = {"left", "right", "center", "left"};
    std::string content;
    for (const std::string& line : hf.lines)
        content += (content.empty() ? "" : "\\A ") + line;
    const Attributes& a = hf.attrs;
    std::fprintf(out_,
                 "  @%s-%s { content: \"%s\"; white-space: pre; text-align: %s; "
                 "font-family: \"Liberation Mono\", \"Courier New\", Courier, monospace; "
                 "font-size: 12pt; line-height: 12pt; font-weight: %s; font-style: %s; "
                 "text-decoration: %s; }\n",
                 edge, boxes[static_cast<int>(hf.align)], content.c_str(),
                 boxes[static_cast<int>(hf.align)], a.bold ? "bold" : "normal",
                 a.italic ? "italic" : "normal", Decoration(a));
}

void HtmlSink::PutSheet(const Sheet& sheet, size_t number, const std::string& pageName) {
    const PageLayout& p = sheet.page;
    std::fprintf(out_, "<section class=\"sheet\" id=\"sheet-%zu\"", number);
    if (sheet.breakKind)
        std::fprintf(out_, " data-break=\"%s\"", sheet.breakKind);
    std::fprintf(out_, " style=\"width:%s;min-height:%s;padding:%s %s %s %s;page:%s\">\n",
                 Inches(p.width).c_str(), Inches(p.length).c_str(), Inches(p.top).c_str(),
                 Inches(p.width - p.right).c_str(), Inches(p.length - p.bottom).c_str(),
                 Inches(p.left).c_str(), pageName.c_str());
    if (sheet.header >= 0)
        PutRunning(headFoots_[sheet.header], sheet, number);
    for (const auto& [para, inner] : sheet.paras) {
        const std::string html = Paragraph(para, inner, p);
        std::fwrite(html.data(), 1, html.size(), out_);
    }
    std::fputs(sheet.trailing.c_str(), out_);
    if (sheet.footer >= 0)
        PutRunning(headFoots_[sheet.footer], sheet, number);
    std::fputs("</section>\n", out_);
}

// The header or footer in the sheet's top or bottom margin, its page-number
// fields showing the sheet's number.
void HtmlSink::PutRunning(const HeadFoot& hf, const Sheet& sheet, size_t number) {
    const PageLayout& p = sheet.page;
    const char* tag = hf.header ? "header" : "footer";
    const int height = hf.header ? p.top : p.length - p.bottom;
    std::fprintf(out_, "<%s class=\"running\" style=\"%s:0;height:%s;left:%s;right:%s\">\n", tag,
                 hf.header ? "top" : "bottom", Inches(height).c_str(), Inches(p.left).c_str(),
                 Inches(p.width - p.right).c_str());
    std::string html = hf.html;
    const std::string page = std::to_string(number);
    for (size_t at = html.find(PageNumberMark); at != std::string::npos;
         at = html.find(PageNumberMark, at + page.size()))
        html.replace(at, 1, page);
    std::fwrite(html.data(), 1, html.size(), out_);
    std::fprintf(out_, "</%s>\n", tag);
}

} // namespace

int RenderHtml(const uint8_t* data, size_t size, FILE* out, FILE* err, const char* codepage,
               const char* title) {
    std::string safeTitle = title ? title : "Document";
    for (char& c : safeTitle)
        if (static_cast<uint8_t>(c) < 0x20 || static_cast<uint8_t>(c) > 0x7E)
            c = '?';
    HtmlSink sink(out, safeTitle.c_str());
    return Render(data, size, codepage, sink, out, err);
}

} // namespace vnkdump
