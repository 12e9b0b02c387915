// Writes the starting inputs of the four fuzz targets:
//
//   fuzz_make_seeds DIR
//
// fills DIR/translate, DIR/response, DIR/errmsg and DIR/vnkdump with small
// files: PFS documents covering each byte class, command, format record,
// spacing, enhanced pair and header field (and a few damaged ones);
// response files and error message files in their odd shapes; and, for the
// inspector, the streams the translator makes of those documents.  The
// checked-in corpus under fuzz/corpus is these files after a merge
// (-merge=1), which keeps only those that add coverage.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "entries.h"
#include "pfs_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes S(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// The bytes of a string literal, NULs included.
template <size_t N> Bytes L(const char (&s)[N]) {
    return Bytes(s, s + N - 1);
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A document on PfsWriter's default page (66 lines, margins of 6 lines,
// columns 10 to 75) with this body.
Bytes Doc(const Bytes& body) {
    return PfsWriter().raw(body).bytes();
}

// A string's bytes as a string_view, for header and footer lines.
std::string Str(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

void Save(const std::string& dir, const std::string& name, const Bytes& b) {
    const std::string path = dir + "/" + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        perror(path.c_str());
        exit(1);
    }
    fwrite(b.data(), 1, b.size(), f);
    fclose(f);
}

// A tiny deterministic generator, so the seeds are the same on every run.
struct Lcg {
    uint32_t s;
    uint32_t Next() { return s = s * 1664525u + 1013904223u; }
    uint32_t Below(uint32_t n) { return (Next() >> 8) % n; }
};

// A long body crossing several windows: paragraphs of words with line ends,
// indents, tabs, commands, format lines, enhanced runs and double spacing.
Bytes LongBody(size_t approx, uint32_t seed) {
    static const char* words[] = {"the",     "module",  "reads", "a",    "document", "of",
                                  "decades", "old",     "text",  "and",  "writes",   "stream",
                                  "margin",  "hyphen-", "ated",  "line", "page",     "tab"};
    static const char* commands[] = {"*N*", "*@D*", "*@T*", "*JY*",          "*JYNN*",  "*C*",
                                     "*R*", "*P*",  "*1*",  "*GO chapter2*", "*JOIN x*"};
    Lcg r{seed};
    Bytes b = S("Title\x01 \x01");
    bool dbl = false;
    while (b.size() < approx) {
        int lines = 1 + (int)r.Below(5);
        std::string lead(r.Below(4) == 0 ? r.Below(12) : 0, ' ');
        b = b + S(lead);
        for (int l = 0; l < lines; ++l) {
            int n = 4 + (int)r.Below(10);
            for (int w = 0; w < n; ++w) {
                switch (r.Below(14)) {
                case 0:
                    b = b + S(commands[r.Below(11)]);
                    break;
                case 1:
                    b.push_back(0x09);
                    break;
                case 2: {
                    uint8_t attr = (uint8_t)(1u << r.Below(6));
                    for (const char* p = words[r.Below(18)]; *p; ++p) {
                        b.push_back((uint8_t)(*p | 0x80));
                        b.push_back(attr);
                    }
                    break;
                }
                default:
                    b = b + S(words[r.Below(18)]);
                    break;
                }
                b.push_back(' ');
            }
            uint8_t end = (uint8_t)((l + 2 == lines) ? 1 : 0) | (dbl ? 2 : 0);
            if (dbl) {
                b.push_back(0x03);
                b.push_back(' ');
            }
            b.push_back(end);
            if (r.Below(8) == 0)
                b = b + S(std::string(r.Below(6), ' '));
        }
        switch (r.Below(6)) {
        case 0:
            b = b + Bytes{' ', 0x07, 0x05, 0x01, (uint8_t)(5 + r.Below(10)), 0x46, 0x01};
            break;
        case 1:
            dbl = !dbl;
            b = b + Bytes{' ', (uint8_t)(dbl ? 0x03 : 0x01)};
            break;
        default:
            b = b + Bytes{' ', 0x01};
            break;
        }
    }
    b.push_back(0x0E);
    return b;
}

void TranslateSeeds(const std::string& dir, std::vector<Bytes>& docs) {
    auto save = [&](const std::string& name, const Bytes& b) {
        Save(dir, name, b);
        docs.push_back(b);
    };
    save("minimal.pfs", Doc({0x0E}));
    save("letter.pfs", Doc(L("12 March\x01 \x01"
                             "Dear reader,\x01 \x00"
                             "     This paragraph is indented and runs over\x00"
                             "two lines of text.\x01 \x01"
                             "Yours,\x01\x0E")));

    Bytes classes;
    for (int c = 0; c < 256; ++c) {
        if (c == 0x0E)
            continue;
        classes.push_back((uint8_t)c);
        classes.push_back('a');
    }
    save("byte-classes.pfs", Doc(classes + Bytes{0x0E}));
    save("byte-classes-no-end.pfs", Doc(classes));

    save("commands.pfs",
         Doc(S("*N* *NEW* *NOW* *@D* *@T* *@X* *JY* *JYON* *JYNN* *JX text* *C* "
               "*CENTER* *R* *P* *1* *12* *GO x* *GRAPH abc* *JOIN y* *JR zz* *Note* * \x01"
               " *unclosed\x01 *G") +
             S(std::string(120, 'x')) + S("* *9") + S(std::string(300, 'y')) + S("* tail *GO") +
             Bytes{0x0E}));
    save("command-at-end.pfs", Doc(S("text *GO")));
    save("command-at-end2.pfs", Doc(S("text *JR ab")));

    save("format.pfs", Doc(Bytes{'a',  0x01, ' ',  0x07, 0x05, 0x01, 0x0A, 0x41, 0x01, 'b',
                                 0x07, 0x06, 0x01, 0x05, 0x46, 0x00, 0x07, 0x05, 0x00, 0x00,
                                 0x00, 'c',  0x07, 0x05, 0x01, 0xFF, 0xFF, 'd',  0x01, 0x0E}));
    save("format-size0.pfs", Doc(Bytes{'a', 0x07, 0x00, 0x07, 0x00, 'b', 0x01, 0x0E}));
    save("format-size1.pfs", Doc(Bytes{'a', 0x07, 0x01, 'b', 0x01, 0x0E}));
    save("format-size2.pfs", Doc(Bytes{'a', 0x07, 0x02, 'b', 0x01, 0x0E}));
    save("format-past-end.pfs", Doc(Bytes{'a', 0x07, 0xFF, 0x01, 0x20}));
    save("format-last-byte.pfs", Doc(Bytes{'a', 0x07}));

    save("double-spaced.pfs",
         Doc(Bytes{'t', 0x01, ' ', 0x03} + S("line one") + Bytes{0x03, ' ', 0x02} + S("line two") +
             Bytes{0x03, ' ', 0x03} + S("line three") + Bytes{0x03, ' ', 0x01} + S("   end") +
             Bytes{0x02, 0x03, 0x0E}));
    save("double-spaced-at-end.pfs", Doc(Bytes{'x', 0x03, ' '}));

    Bytes enh;
    for (uint8_t attr : {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x18, 0x20, 0x40, 0x42, 0x7F, 0x80,
                         0xFF, 0x09, 0x11}) {
        enh.push_back(0xC1);
        enh.push_back(attr);
    }
    enh = enh + Bytes{0xFF, 0x02, 0xFF, 0x40, 0xFF, 0x00, 0x80, 0x01, 0x80, 0x41, 'p', 'l', 0x01};
    save("enhanced.pfs", Doc(enh + Bytes{0x0E}));
    save("enhanced-lead-last.pfs", Doc(Bytes{'a', 0xC1}));
    save("enhanced-pair-last.pfs", Doc(Bytes{'a', 0xC1, 0x02}));

    PfsWriter h;
    h.headerLine(1, "Running *1* head").headerLine(2, std::string(73, 'h'));
    h.footerLine(1, Str({'F', 0xC6, 0x02, 'o', 0x09, 'o', '*', '@', 'D', '*', 0x00, 'x'}));
    h.footerLine(2, "second foot");
    h.headerAlign(0).footerAlign(2).justify(1).headerAttr(0x1F).footerAttr(0x18);
    save("head-foot.pfs", h.text("Body\x01\x0E").bytes());

    std::string long255(255, 'L');
    long255[10] = 0x07;
    long255[11] = 0x00;
    long255[40] = '*';
    long255[41] = 'N';
    long255[42] = '*';
    long255[100] = 0x0E;
    // The footer line runs over the signature; the header line, laid over
    // both, runs into the footer's first 100 bytes.
    PfsWriter h255;
    h255.omitSignature().footerLine(1, long255).headerAlign(2);
    h255.patch(pfs::HeaderLine1, "\xFF" + std::string(255, 'H'));
    save("head-255.pfs", h255.text("Body\x01\x0E").bytes());

    save("indents.pfs", Doc(L("lead\x01 \x01     indented first line\x00  second line\x01 \x01") +
                            S(std::string(300, ' ')) + S("x\x01\x09\x09tabs\x09x\x01") +
                            L("  \x09 mixed\x00\x09second\x01\x0E")));

    PfsWriter wide;
    wide.pageLines(0xFFFF).topLines(0xFFFF).bottomLines(0x8000).leftColumn(300).rightColumn(255);
    save("wide-margins.pfs",
         wide.raw({'a', 0x09, 'b', 0x09, 'c', 0x01, ' ', ' ', ' ', 'd', 0x01, 0x0E}).bytes());
    PfsWriter zero;
    zero.pageLines(0).topLines(0).bottomLines(0).leftColumn(0).rightColumn(0);
    save("zero-margins.pfs", zero.raw({' ', ' ', 'a', 0x09, 'b', 0x01, 0x0E}).bytes());

    save("after-end.pfs", Doc(S("text\x0E more text after the end")));
    save("long.pfs", Doc(LongBody(36000, 7)));

    // Not documents, or cut short.
    Bytes full = Doc(S("x\x01\x0E"));
    for (size_t cut : {0, 5, 643, 644, 1024, 1025, 1026})
        save("cut-" + std::to_string(cut) + ".pfs", Bytes(full.begin(), full.begin() + cut));
    save("lower-case-signature.pfs", PfsWriter().signature("typ").text("x\x01\x0E").bytes());
    save("not-pfs.txt", S("Just some text, not a document.\n"));
}

void ResponseSeeds(const std::string& dir) {
    Save(dir, "plain.rsp", S("doc.pfs\nout.vnk\n1\n"));
    Save(dir, "crlf-quotes.rsp", S("  \"my doc.pfs\"  \r\n\r\n\t out \"x\".vnk\t\r\n1"));
    Save(dir, "seven.rsp", S("a.pfs\nb.vnk\nL\nx\ny\n/tmp/dir\nignored\n"));
    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "arg" + std::to_string(i) + "\n";
    Save(dir, "many.rsp", S(many));
    Save(dir, "long-line.rsp", S("a\n" + std::string(1500, 'z') + "\nb\n"));
    Save(dir, "nul.rsp", Bytes{'a', 0, 'b', '\n', 0, '\n', '"', '"', ' ', '\n', 'c', '\v', 'd'});
    Save(dir, "quotes-only.rsp", S("\"\"\"\n\" \" \"\n  \t\f\v\n"));
    Save(dir, "display.rsp", S("in\nout\n  -12abc\n\n\n\n" + std::string(1023, 't') + "\n"));
}

void ErrMsgSeeds(const std::string& dir) {
    Save(dir, "target.txt", S("3\nError trying to create target file.\n\tName:d/t.\n"));
    Save(dir, "negative-crlf.txt", S("-24\r\n\r\n\r\nA message\r\nover lines\r\n"));
    Save(dir, "digits.txt", S("123456789012 trailing\nabc"));
    Save(dir, "nul-code.txt", Bytes{'7', 0, '9', '\n', 'm', 's', 'g', 0, 'x'});
    std::string tabs;
    for (int i = 0; i < 500; ++i)
        tabs += "\tab";
    Save(dir, "tabs.txt", S("5\n" + tabs));
    Save(dir, "empty.txt", {});
    Save(dir, "code-only.txt", S("5"));
    Save(dir, "binary.txt", Bytes{'1', '\n', 0x01, 0x80, 0xFF, 'a', 0x7F, '\n', '\n'});
}

void VnkDumpSeeds(const std::string& dir, const std::vector<Bytes>& docs) {
    int n = 0;
    for (const Bytes& doc : docs) {
        fuzzentry::Translation t = fuzzentry::Translate(doc.data(), doc.size());
        if (t.out.empty() || t.out.size() > 20000)
            continue;
        Save(dir, "stream-" + std::to_string(n++) + ".vnk", t.out);
    }
    Save(dir, "truncated.vnk", Bytes{0x00, 0xF0, 0x01, 0x0A, 0x00, 0x64, 0x02, 0x10});
    Save(dir, "cut-header.vnk", Bytes{'a', 0x0D, 0x00, 0x64});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    for (const char* t : {"", "/translate", "/response", "/errmsg", "/vnkdump"})
        mkdir((root + t).c_str(), 0755);
    std::vector<Bytes> docs;
    TranslateSeeds(root + "/translate", docs);
    ResponseSeeds(root + "/response");
    ErrMsgSeeds(root + "/errmsg");
    VnkDumpSeeds(root + "/vnkdump", docs);
    return 0;
}
