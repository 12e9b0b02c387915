#include "office/office_facts.h"

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <zip.h>

#include <cmath>
#include <map>
#include <sstream>

namespace {

// Superscript and subscript digits, which pandoc writes for them in plain text.
const char* const Scripts[] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074", "\u2075", "\u2076",
                               "\u2077", "\u2078", "\u2079", "\u2080", "\u2081", "\u2082", "\u2083",
                               "\u2084", "\u2085", "\u2086", "\u2087", "\u2088", "\u2089"};

std::string Unescape(const std::string& quoted) {
    std::string out;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] != '\\') {
            out += quoted[i];
        } else if (quoted[i + 1] == 'x') {
            out += static_cast<char>(std::stoi(quoted.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += quoted[++i];
        }
    }
    return out;
}

std::string Entry(zip_t* za, const char* name) {
    zip_stat_t st;
    zip_file_t* f = zip_stat(za, name, 0, &st) == 0 ? zip_fopen(za, name, 0) : nullptr;
    if (f == nullptr)
        return {};
    std::string data(st.size, '\0');
    const zip_int64_t got = zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    data.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return data;
}

class Xml {
  public:
    explicit Xml(const std::string& text)
        : doc_(xmlReadMemory(text.data(), static_cast<int>(text.size()), "part.xml", nullptr,
                             XML_PARSE_NONET)) {
        if (doc_ == nullptr)
            return;
        ctx_ = xmlXPathNewContext(doc_);
        for (const auto& [prefix, uri] :
             {std::pair{"office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"},
              {"style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0"},
              {"text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"},
              {"fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"}})
            xmlXPathRegisterNs(ctx_, reinterpret_cast<const xmlChar*>(prefix),
                               reinterpret_cast<const xmlChar*>(uri));
    }
    ~Xml() {
        if (ctx_)
            xmlXPathFreeContext(ctx_);
        if (doc_)
            xmlFreeDoc(doc_);
    }
    bool Good() const { return ctx_ != nullptr; }
    // The nodes the expression selects (relative to node when given).
    std::vector<xmlNodePtr> Select(const std::string& expr, xmlNodePtr node = nullptr) {
        std::vector<xmlNodePtr> nodes;
        if (!ctx_)
            return nodes;
        ctx_->node = node ? node : xmlDocGetRootElement(doc_);
        xmlXPathObjectPtr r =
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expr.c_str()), ctx_);
        if (r && r->nodesetval)
            for (int i = 0; i < r->nodesetval->nodeNr; ++i)
                nodes.push_back(r->nodesetval->nodeTab[i]);
        xmlXPathFreeObject(r);
        return nodes;
    }
    std::string Value(const std::string& expr, xmlNodePtr node = nullptr) {
        auto nodes = Select(expr, node);
        if (nodes.empty())
            return {};
        xmlChar* v = xmlNodeGetContent(nodes[0]);
        std::string s = v ? reinterpret_cast<const char*>(v) : "";
        xmlFree(v);
        return s;
    }

  private:
    xmlDocPtr doc_;
    xmlXPathContextPtr ctx_ = nullptr;
};

// The text of a node, a space for each tab, space run and line break element.
void Collect(xmlNodePtr node, std::string& out) {
    for (xmlNodePtr c = node->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE)
            out += reinterpret_cast<const char*>(c->content);
        else if (c->type == XML_ELEMENT_NODE && c->children == nullptr)
            out += ' ';
        else if (c->type == XML_ELEMENT_NODE)
            Collect(c, out);
    }
}

double Inches(const std::string& length) {
    return length.empty() ? 0 : std::stod(length); // libodfgen writes inches
}

} // namespace

std::string BodyText(std::string text) {
    for (const char* block : {"[header]", "[footer]"}) {
        for (size_t at; (at = text.find(block)) != std::string::npos;)
            text.erase(at, text.find('\n', text.find("[end of", at)) + 1 - at);
    }
    auto alnum = [&](size_t i) { return std::isalnum(static_cast<unsigned char>(text[i])); };
    for (const char* field : {"[date]", "[time]", "[field]", "#"}) {
        for (size_t at; (at = text.find(field)) != std::string::npos;) {
            size_t from = at, to = at + std::string(field).size();
            while (from > 0 && alnum(from - 1))
                --from;
            while (to < text.size() && alnum(to))
                ++to;
            text.replace(from, to - from, " ");
        }
    }
    return text;
}

std::vector<std::string> Words(const std::string& input) {
    std::string text = input;
    for (int d = 0; d < 20; ++d)
        for (size_t at; (at = text.find(Scripts[d])) != std::string::npos;)
            text.replace(at, std::string(Scripts[d]).size(), 1, static_cast<char>('0' + d % 10));
    std::vector<std::string> words;
    std::string word;
    for (char c : text + " ") {
        if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    return words;
}

bool InOrder(const std::vector<std::string>& want, const std::vector<std::string>& got,
             std::string* missing) {
    std::string all;
    for (const std::string& w : got)
        all += w;
    size_t at = 0;
    for (const std::string& w : want) {
        const size_t found = all.find(w, at);
        if (found == std::string::npos) {
            if (missing)
                *missing = w;
            return false;
        }
        at = found + w.size();
    }
    return true;
}

StreamFacts ReadListing(const std::string& listing) {
    StreamFacts f;
    std::stringstream lines(listing);
    bool inHeadFoot = false, body = false, inList = false, rulerDone = false;
    bool attrs[AttrKinds] = {};
    for (std::string line; std::getline(lines, line);) {
        std::stringstream fields(line);
        std::string offset, code, name, value;
        fields >> offset >> code;
        if (code == "text") {
            const std::string text = Unescape(line.substr(line.find('"')));
            for (int k = 0; k < AttrKinds && !inHeadFoot; ++k)
                if (attrs[k])
                    for (const std::string& w : Words(text))
                        f.words[k].insert(w);
            continue;
        }
        fields >> name >> value;
        const int v = value.empty() || code == "CR" ? 0 : std::atoi(value.c_str());
        if (code == "A0")
            inHeadFoot = true;
        else if (code == "A1" && v == 0)
            inHeadFoot = false;
        else if (code == "D6" && !inHeadFoot)
            body = true;
        else if (code == "D5")
            ++f.hardBreaks;
        else if (code == "10")
            attrs[Bold] = v & 2, attrs[Italic] = v & 1;
        else if (code == "B0")
            attrs[Underline] = v != 0;
        else if (code == "78")
            inList = v != 0, rulerDone = rulerDone || (!inList && !f.ruler.empty());
        else if (inList && !rulerDone && code >= "70" && code <= "74" && v != 0)
            f.ruler.push_back(v);
        if (body)
            continue;
        if (code == "60")
            f.pageLength = v;
        else if (code == "61")
            f.pageWidth = v;
        else if (code == "64")
            f.leftMargin = v;
        else if (code == "65")
            f.rightMargin = v;
    }
    return f;
}

OdtFacts ReadOdt(const std::string& path) {
    OdtFacts f;
    int error = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (za == nullptr)
        return f;
    const char* first = zip_get_name(za, 0, 0);
    f.firstEntry = first ? first : "";
    Xml content(Entry(za, "content.xml")), styles(Entry(za, "styles.xml"));
    zip_close(za);
    f.opened = content.Good() && styles.Good();
    if (!f.opened)
        return f;

    // The attributes of each automatic text style, then the words of each span.
    std::map<std::string, bool[AttrKinds]> spanStyles;
    for (xmlNodePtr s :
         content.Select("//office:automatic-styles/style:style[@style:family='text']")) {
        auto& a = spanStyles[content.Value("@style:name", s)];
        a[Bold] = content.Value("style:text-properties/@fo:font-weight", s) == "bold";
        a[Italic] = content.Value("style:text-properties/@fo:font-style", s) == "italic";
        const std::string u = content.Value("style:text-properties/@style:text-underline-style", s);
        a[Underline] = !u.empty() && u != "none";
    }
    for (xmlNodePtr span : content.Select("//office:body//text:span")) {
        auto it = spanStyles.find(content.Value("@text:style-name", span));
        if (it == spanStyles.end())
            continue;
        std::string text;
        Collect(span, text);
        for (int k = 0; k < AttrKinds; ++k)
            if (it->second[k])
                for (const std::string& w : Words(text))
                    f.words[k].insert(w);
    }

    // Tab stops of the body's paragraph styles, from the page's margin.
    for (xmlNodePtr s :
         content.Select("//office:automatic-styles/style:style[@style:family='paragraph']")) {
        const double left = Inches(content.Value("style:paragraph-properties/@fo:margin-left", s));
        for (xmlNodePtr t :
             content.Select("style:paragraph-properties/style:tab-stops/style:tab-stop", s)) {
            const double at = left + Inches(content.Value("@style:position", t));
            const std::string type = content.Value("@style:type", t);
            const double edge = type == "right" ? 0.1 : type == "center" ? 0.05 : 0;
            f.stopColumns.insert(static_cast<int>(std::lround((at - edge) * 10)) + 1);
        }
    }

    // The first page's layout: the master page of the body's first paragraph.
    const std::string firstStyle =
        content.Value("//office:body/office:text/text:p[1]/@text:style-name");
    const std::string master = content.Value("//office:automatic-styles/style:style[@style:name='" +
                                             firstStyle + "']/@style:master-page-name");
    const std::string layout =
        styles.Value("//style:master-page[@style:name='" + master + "']/@style:page-layout-name");
    const std::string props =
        "//style:page-layout[@style:name='" + layout + "']/style:page-layout-properties/";
    f.pageMarginLeft = Inches(styles.Value(props + "@fo:margin-left"));
    f.pageMarginRight = Inches(styles.Value(props + "@fo:margin-right"));
    return f;
}
