// Entry points of the fuzz targets, shared by the libFuzzer programs in this
// directory and by the corpus replay of the unit tests (tests/fuzz), so that
// every input the fuzzers ever kept is run again by the normal test suite.
//
// Each Check* function takes arbitrary bytes, drives one reader of the
// module along the path the program itself takes, and tests what must hold
// for any input whatever.  It returns null when everything held, or a short
// description of what did not.  Crashes, reads and writes outside a buffer,
// undefined arithmetic, leaks and hangs are left to the sanitizers and to
// the fuzzer's own timeout.
//
//   CheckTranslate   the whole translation: source stream over the bytes,
//                    target in memory, ReadInput, EndOut; a fresh
//                    start-of-run state each time.
//   CheckResponse    the bytes as a response file ("@name"), then the
//                    positional arguments taken from its lines.
//   CheckErrMsg      the bytes as the error message file, read back.
//   CheckVnkDump     the bytes as an intermediate stream, listed and counted,
//                    and rendered as text, as an HTML page and (in a build
//                    with the ODT export) as an ODT package.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "common/paths.h"
#include "common/run_settings.h"
#include "driver/report.h"
#include "driver/response_file.h"
#include "driver/run.h"
#include "driver/startup.h"
#include "io/input.h"
#include "io/output.h"
#include "listing.h"
#include "pfs/format.h"
#include "pfs/paragraph.h"
#include "pfs/read_input.h"
#include "render.h"
#ifdef RENDER_HAVE_ODT
#include <zip.h>

#include "odt.h"
#endif

namespace fuzzentry {

using Bytes = std::vector<uint8_t>;

// ------------------------------------------------------------------ helpers ---

// A private directory for the files the readers need, made on first use and
// removed (with whatever is left in it) when the process ends normally.
class ScratchDir {
  public:
    static const std::string& Path() {
        static ScratchDir dir;
        return dir.path_;
    }
    ~ScratchDir() {
        if (path_.empty())
            return;
        for (const char* name : {"/args.rsp", "/mvErrMsg.333"})
            unlink((path_ + name).c_str());
        rmdir(path_.c_str());
    }

  private:
    ScratchDir() {
        // TMPDIR may have been emptied by the start-up code (it does so in
        // the process's own environment); then the system's default.
        const char* base = getenv("TMPDIR");
        std::string tmpl = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") +
                           "/pfs2vnk-fuzz-XXXXXX";
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) == nullptr) {
            perror("mkdtemp");
            abort();
        }
        path_ = name.data();
    }
    std::string path_;
};

// Writes the bytes to path (created or truncated); aborts when it cannot,
// since no check is possible then.
inline void WriteWhole(const std::string& path, const uint8_t* data, size_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        perror(path.c_str());
        abort();
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            perror(path.c_str());
            abort();
        }
        done += (size_t)n;
    }
    close(fd);
}

// ------------------------------------------------------------- translation ---

struct Translation {
    int32_t err = 0; // ErrType at the end of the run (the exit status)
    Bytes out;       // everything written to the target
};

// One whole run of the translator over the bytes, as tmain makes it once the
// files are open: ReadInput, then EndOut, which flushes and closes both
// streams.  The source is a read-only stream over a copy of the bytes, the
// target a stream into memory; neither has a name, so nothing on disk is
// touched.
inline Translation Translate(const uint8_t* data, size_t size) {
    ResetModule();
    InFileName = "";
    OutFileName = "";

    Bytes copy(data, data + size);
    FILE* in = size > 0 ? fmemopen(copy.data(), size, "r") : fopen("/dev/null", "r");
    char* outText = nullptr;
    size_t outSize = 0;
    FILE* out = open_memstream(&outText, &outSize);
    if (in == nullptr || out == nullptr) {
        perror("stream");
        abort();
    }
    // As InitIn and InitOut leave them: unbuffered by stdio.
    setvbuf(in, nullptr, _IONBF, 0);
    InFile = in;
    OutFile = out;

    ReadInput();
    EndOut();

    Translation t;
    t.err = ErrType;
    // EndOut closes only the streams whose position it could take; a stream
    // over memory always has one, but a leak here must not hide a finding.
    if (InFile != nullptr)
        fclose(InFile);
    if (OutFile != nullptr)
        fclose(OutFile);
    InFile = nullptr;
    OutFile = nullptr;
    t.out.assign(outText, outText + outSize);
    free(outText);
    return t;
}

// The stream of the smallest document: the header with the signature and
// the end-of-text byte.  Every translated stream opens with the same
// prologue of 85 bytes.
inline const Bytes& ReferencePrologue() {
    static const Bytes prologue = [] {
        Bytes doc(pfs::BodyStart, 0);
        std::copy(pfs::SignatureText, pfs::SignatureText + 3, doc.begin() + pfs::Signature);
        doc.push_back(pfs::EndOfText);
        Bytes out = Translate(doc.data(), doc.size()).out;
        out.resize(out.size() < 85 ? out.size() : 85);
        return out;
    }();
    return prologue;
}

inline bool CarriesSignature(const uint8_t* data, size_t size) {
    return size >= pfs::Signature + 3 &&
           std::equal(pfs::SignatureText, pfs::SignatureText + 3, data + pfs::Signature);
}

// What must hold for any source: without the signature the run ends with
// error 8 before anything is written; with it the run ends without error and
// the stream opens with the prologue.  Reading from memory and writing to
// memory cannot fail, so no other code may appear.
inline const char* CheckTranslation(const uint8_t* data, size_t size, const Translation& t) {
    if (!CarriesSignature(data, size)) {
        if (t.err != 8)
            return "a source without the signature must end with error 8";
        if (!t.out.empty())
            return "a source without the signature must write nothing";
        return nullptr;
    }
    if (t.err != 0)
        return "a document with the signature must translate without an error code";
    const Bytes& prologue = ReferencePrologue();
    if (prologue.size() != 85)
        return "the smallest document must give the 85-byte prologue";
    if (t.out.size() < prologue.size() ||
        memcmp(t.out.data(), prologue.data(), prologue.size()) != 0)
        return "every stream must open with the prologue";
    return nullptr;
}

inline const char* CheckTranslate(const uint8_t* data, size_t size) {
    Translation t = Translate(data, size);
    return CheckTranslation(data, size, t);
}

// ------------------------------------------------------------ response file ---

// Characters a response-file line may hold, lines taken (ArgV holds 20
// entries with the program name), and bytes read at most.
constexpr size_t RspLineMax = 1023;
constexpr size_t RspLinesMax = 19;
constexpr size_t RspBytesMax = 1u << 20;

// The arguments the bytes must give, by the reading rules written out once
// more on their own: blanks (space, tab, LF, VT, FF, CR) and double quotes at
// the head of a line are dropped, LF or CR ends a line that has begun,
// trailing spaces and quotes are dropped, a last line without a line end
// counts, at most 19 lines are taken and the rest is not read.  An argument
// is a C string, so it ends at its first NUL byte.  Sets *refused when a line
// holds more than 1023 characters or more than 1 MiB would be read before
// the 19th line ends: the file then gives no arguments at all.
inline std::vector<std::string> ExpectedArgs(const uint8_t* data, size_t size,
                                             bool* refused = nullptr) {
    std::vector<std::string> args;
    std::string line;
    bool tooMuch = false;
    auto finish = [&] {
        size_t len = line.size();
        while (len > 0 && (line[len - 1] == ' ' || line[len - 1] == '"'))
            --len;
        line.resize(len);
        args.push_back(line.substr(0, line.find('\0')));
        line.clear();
    };
    for (size_t i = 0; i < size && args.size() < RspLinesMax && !tooMuch; ++i) {
        const char c = (char)data[i];
        tooMuch = i >= RspBytesMax;
        if (tooMuch)
            break;
        if (line.empty()) {
            if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
                c == '"')
                continue;
        } else if (c == '\n' || c == '\r') {
            finish();
            continue;
        }
        tooMuch = line.size() == RspLineMax;
        if (!tooMuch)
            line.push_back(c);
    }
    if (!line.empty() && args.size() < RspLinesMax && !tooMuch)
        finish();
    if (refused != nullptr)
        *refused = tooMuch;
    return tooMuch ? std::vector<std::string>{} : args;
}

// The bytes as the response file of "pfs2vnk @file": the arguments taken,
// then the positional arguments applied (file names, display level, lock
// flag, temporary directory), then everything released.
inline const char* CheckResponse(const uint8_t* data, size_t size) {
    const std::string path = ScratchDir::Path() + "/args.rsp";
    WriteWhole(path, data, size);
    bool refused = false;
    const std::vector<std::string> expected = ExpectedArgs(data, size, &refused);
    const bool taken = !refused;

    ResetStartup();
    ResetRunSettings();
    ResetErrorCode();
    ResetErrorFile();
    static char prog[] = "pfs2vnk";
    std::string at = "@" + path;
    std::vector<char> atArg(at.begin(), at.end());
    atArg.push_back('\0');
    char* argv[] = {prog, atArg.data(), nullptr};
    const int32_t r = TakeArgs(2, argv);

    const char* verdict = nullptr;
    if (!taken) {
        if (r != 1 || ArgC != 1 || cmdLineFP != nullptr || ArgV[1] != nullptr)
            verdict = "a refused response file must give error 1 and no arguments";
    } else if (r != 0) {
        verdict = "a readable response file must be taken";
    } else if (ArgC != (int32_t)expected.size() + 1 || ArgPos != 0) {
        verdict = "ArgC must be 1 plus the number of lines, ArgPos back at 0";
    } else if (ArgV[0] == nullptr || strcmp(ArgV[0], prog) != 0) {
        verdict = "entry 0 must be the program name";
    } else {
        for (size_t i = 0; i < expected.size() && verdict == nullptr; ++i) {
            const char* a = ArgV[i + 1];
            if (a == nullptr || expected[i] != a)
                verdict = "a line read differs from its rules";
        }
        for (size_t i = expected.size() + 1; i < 20 && verdict == nullptr; ++i)
            if (ArgV[i] != nullptr)
                verdict = "entries past the lines must stay empty";
    }
    if (verdict == nullptr && taken) {
        ApplyArgs();
        if (expected.size() >= 6 && !expected[5].empty() && expected[5] != MvTempDir)
            verdict = "entry 6 must become the temporary directory";
        else if (expected.size() >= 1 && (InFileName == nullptr || expected[0] != InFileName))
            verdict = "entry 1 must become the source name";
        else if (expected.size() >= 2 && (OutFileName == nullptr || expected[1] != OutFileName))
            verdict = "entry 2 must become the target name";
    }
    ResetStartup(); // frees the copies the response file left
    return verdict;
}

// ------------------------------------------------------- error message file ---

constexpr int ErrTextMax = 1122;
constexpr int ErrCodeDigits = 8;
inline const char* ErrFallback() {
    return " Unknown: Error File incomplete or not found";
}

struct ErrMsgData {
    int32_t code = 0;
    std::string text;
};

// What reading the bytes back as the error message file must give, by the
// reading rules written out once more on their own.
inline ErrMsgData ExpectedErrMsg(const uint8_t* data, size_t size) {
    size_t i = 0;
    auto next = [&]() -> int { return i < size ? data[i++] : EOF; };
    auto restOfLine = [&]() {
        int c;
        do
            c = next();
        while (c != EOF && c != '\r' && c != '\n');
        return c;
    };
    ErrMsgData d;
    int digits = 0;
    int c;
    // The code line: up to 8 decimal digits, every other character passed
    // over; a NUL byte, or the 8th digit, passes over the rest of the line.
    for (;;) {
        c = next();
        if (c == EOF || c == '\r' || c == '\n')
            break;
        if (c == 0) {
            c = restOfLine();
            break;
        }
        if (c >= '0' && c <= '9') {
            d.code = d.code * 10 + (c - '0');
            if (++digits == ErrCodeDigits) {
                c = restOfLine();
                break;
            }
        }
    }
    while (c == '\r' || c == '\n')
        c = next();
    // The text: its first character only when printable, then up to 1122
    // characters until the end or a NUL byte; CR dropped, a tab as three
    // spaces (as many as fit), LF and printable ASCII kept, the rest dropped.
    auto printable = [](int ch) { return ch >= 0x20 && ch <= 0x7E; };
    std::string t;
    if (printable(c))
        t.push_back((char)c);
    if (c != EOF) {
        while ((int)t.size() < ErrTextMax) {
            c = next();
            if (c == EOF || c == 0)
                break;
            if (c == '\t') {
                for (int k = 0; k < 3 && (int)t.size() < ErrTextMax; ++k)
                    t.push_back(' ');
            } else if (c == '\n' || printable(c)) {
                t.push_back((char)c);
            }
        }
    }
    if (t.empty()) {
        d.text = ErrFallback();
    } else {
        while (!t.empty() && ((unsigned char)t.back() < 0x20 || (unsigned char)t.back() > 0x7F))
            t.pop_back();
        d.text = t;
    }
    return d;
}

// The bytes as "mvErrMsg.333" beside a failed file, read back into a buffer
// of exactly the size the reader is promised (1122 characters and a
// terminator), so that a write past it is caught.
inline const char* CheckErrMsg(const uint8_t* data, size_t size) {
    const std::string dir = ScratchDir::Path();
    const std::string file = dir + "/mvErrMsg.333";
    WriteWhole(file, data, size);
    const ErrMsgData expected = ExpectedErrMsg(data, size);

    ResetErrorCode();
    ResetErrorFile();
    char* out = static_cast<char*>(malloc(ErrTextMax + 1));
    const std::string failed = dir + "/target.vnk";
    const int32_t code = GetErrMsgFileData(out, failed.c_str());

    const char* verdict = nullptr;
    if (memchr(out, '\0', ErrTextMax + 1) == nullptr)
        verdict = "the text read back must be terminated inside its buffer";
    else if (code != expected.code)
        verdict = "the code read back differs from its rules";
    else if (expected.text != out)
        verdict = "the text read back differs from its rules";
    else if (access(file.c_str(), F_OK) == 0)
        verdict = "the error message file must be deleted once read";
    free(out);
    unlink(file.c_str());
    ResetErrorCode();
    ResetErrorFile();
    return verdict;
}

// ----------------------------------------------------------------- vnkdump ---

// True when text is valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
inline bool ValidUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const uint8_t b = *p++;
        int more = b < 0x80             ? 0
                   : (b & 0xE0) == 0xC0 ? 1
                   : (b & 0xF0) == 0xE0 ? 2
                   : (b & 0xF8) == 0xF0 ? 3
                                        : -1;
        if (more < 0 || end - p < more)
            return false;
        uint32_t cp = more == 0 ? b : b & (0x3F >> more);
        for (int i = 0; i < more; ++i, ++p) {
            if ((*p & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (*p & 0x3F);
        }
        static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
    }
    return true;
}

// Null when page is an HTML page as the renderer writes one: it opens with
// the doctype, every element is closed in order (void elements aside), a
// '<' in text only starts a tag, every '&' starts one of the entities
// written, attribute values are quoted, and it ends with </html>.
inline const char* CheckPage(const std::string& page) {
    static const char Doctype[] = "<!DOCTYPE html>\n";
    if (page.compare(0, sizeof Doctype - 1, Doctype) != 0)
        return "the page must open with the doctype";
    std::vector<std::string> open;
    size_t at = sizeof Doctype - 1;
    bool inStyle = false;
    while (at < page.size()) {
        const size_t lt = page.find('<', at);
        const std::string text =
            page.substr(at, lt == std::string::npos ? std::string::npos : lt - at);
        if (!inStyle) {
            for (size_t amp = text.find('&'); amp != std::string::npos;
                 amp = text.find('&', amp + 1)) {
                bool known = false;
                for (const char* e : {"&amp;", "&lt;", "&gt;", "&quot;"})
                    known = known || text.compare(amp, strlen(e), e) == 0;
                if (!known)
                    return "a bare '&' in the text";
            }
            if (text.find('>') != std::string::npos)
                return "a bare '>' in the text";
        }
        if (lt == std::string::npos)
            break;
        const size_t gt = page.find('>', lt);
        if (gt == std::string::npos)
            return "a tag is not closed";
        const std::string tag = page.substr(lt + 1, gt - lt - 1);
        at = gt + 1;
        if (std::count(tag.begin(), tag.end(), '"') % 2 != 0 || tag.find('<') != std::string::npos)
            return "a tag with a broken attribute";
        const bool closing = !tag.empty() && tag[0] == '/';
        const std::string name = tag.substr(closing, tag.find_first_of(" >", closing) - closing);
        if (name.empty())
            return "a tag without a name";
        if (name == "br" || name == "wbr" || name == "meta")
            continue;
        if (!closing) {
            open.push_back(name);
            inStyle = name == "style";
            continue;
        }
        if (open.empty() || open.back() != name)
            return "an element is closed out of order";
        open.pop_back();
        inStyle = false;
    }
    if (!open.empty())
        return "an element is left open";
    if (page.size() < 8 || page.compare(page.size() - 8, 8, "</html>\n") != 0)
        return "the page must end with </html>";
    return nullptr;
}

// Runs one renderer into memory; returns its exit status.
inline int RenderInto(bool html, const uint8_t* data, size_t size, std::string& out) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* mem = open_memstream(&buf, &len);
    static FILE* sink = fopen("/dev/null", "w");
    if (mem == nullptr || sink == nullptr)
        abort();
    const int status = html ? vnkdump::RenderHtml(data, size, mem, sink, "CP437", "fuzz")
                            : vnkdump::RenderText(data, size, mem, sink, "CP437");
    fclose(mem);
    out.assign(buf, len);
    free(buf);
    return status;
}

#ifdef RENDER_HAVE_ODT
// The ODT package of the bytes: it ends as the listing does, and libzip
// opens it (consistency checks on) with the file "mimetype" first, stored,
// holding the media type, and the four parts after it.
inline const char* CheckOdt(const uint8_t* data, size_t size, int listed) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* mem = open_memstream(&buf, &len);
    static FILE* sink = fopen("/dev/null", "w");
    if (mem == nullptr || sink == nullptr)
        abort();
    const int status = vnkdump::RenderOdt(data, size, mem, sink, "CP437", "fuzz");
    fclose(mem);
    const std::string package(buf, len);
    free(buf);
    if (status != listed)
        return "the ODT must end as the listing does";
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(package.data(), package.size(), 0, &error);
    zip_t* za = src ? zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    zip_error_fini(&error);
    if (za == nullptr) {
        if (src)
            zip_source_free(src);
        return "libzip must open the ODT package";
    }
    const char* why = nullptr;
    zip_stat_t st;
    std::string mime(64, '\0');
    zip_file_t* f = zip_fopen_index(za, 0, 0);
    const zip_int64_t got = f ? zip_fread(f, mime.data(), mime.size()) : -1;
    if (f)
        zip_fclose(f);
    if (zip_stat_index(za, 0, 0, &st) != 0 || std::strcmp(st.name, "mimetype") != 0 ||
        st.comp_method != ZIP_CM_STORE)
        why = "the package's first file must be mimetype, stored";
    else if (got < 0 || mime.substr(0, static_cast<size_t>(got)) != vnkdump::OdtMimeType)
        why = "mimetype must hold the media type of ODT";
    for (const char* part : {"META-INF/manifest.xml", "content.xml", "styles.xml", "meta.xml"})
        if (why == nullptr && zip_name_locate(za, part, 0) < 0)
            why = "a part of the package is missing";
    zip_close(za); // also frees src
    return why;
}
#endif

// The bytes as an intermediate stream, listed, summarised and rendered: each
// ends with 0, or 1 after reporting a record cut off by the end, and all
// agree; the text is valid UTF-8 and the page is valid UTF-8 and well formed;
// the ODT package opens with its mimetype first.
inline const char* CheckVnkDump(const uint8_t* data, size_t size) {
    static FILE* sink = fopen("/dev/null", "w");
    if (sink == nullptr)
        abort();
    // A copy of exactly the input's size, so that a read past it is caught.
    Bytes copy(data, data + size);
    const uint8_t* p = copy.empty() ? nullptr : copy.data();
    const int listed = vnkdump::VnkDump(p, size, sink, sink, false);
    const int counted = vnkdump::VnkDump(p, size, sink, sink, true);
    if (listed != 0 && listed != 1)
        return "the listing must end with 0 or 1";
    if (listed != counted)
        return "the listing and the summary must agree about truncation";
    std::string text, page;
    if (RenderInto(false, p, size, text) != listed)
        return "the text must end as the listing does";
    if (!ValidUtf8(text))
        return "the text must be valid UTF-8";
    if (RenderInto(true, p, size, page) != listed)
        return "the page must end as the listing does";
    if (!ValidUtf8(page))
        return "the page must be valid UTF-8";
#ifdef RENDER_HAVE_ODT
    if (const char* why = CheckOdt(p, size, listed))
        return why;
#endif
    return CheckPage(page);
}

} // namespace fuzzentry
