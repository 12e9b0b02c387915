// Micro-benchmarks of the translator's hot paths.
//
// Every benchmark drives the translator through its own entry points, the
// way ReadInput does, on a document in a temporary file (in the page cache
// after the first pass), writing to /dev/null: the translator's own work
// and its read and write calls are what is measured.  Set-up between
// iterations (a fresh window and output buffer, the document setup) is
// kept out of the timing.
//
//   BM_GetIn            GetIn over a 1 MiB source until Done, window moves included
//   BM_PutOut           PutOut of 1 MiB, flushes included
//   BM_WriteNormalChar  the same through WriteNormalChar (PutOut and IPos)
//   BM_ProcessPara      one long paragraph of plain prose with a soft line
//                       end every N columns (N = argument), through ProcessPara
//   BM_ProcessEnhanced  1 MiB of enhanced characters in one run; the attribute
//                       changes never (0), with every word (1) or with every
//                       character (2)
//   BM_ProcessCR        ProcessCR alone on lines "ab": soft (0), hard (1),
//                       double-spaced (2) line ends, or hard ones with an
//                       empty line after each (3); items are line ends
//   BM_EatSpaces        EatSpaces over 1 MiB of runs of N spaces, each run
//                       closed by a letter read with GetIn
//   BM_FindNextTab      FindNextTab from every column 0..254 of a table
//                       with a stop every N columns (N = argument; 0: no
//                       stop); items are searches
//   BM_PutBControl      one-byte records, 1 MiB of them, flushes included
//   BM_Translate        ReadInput on a generated document of N bytes, the
//                       final flush (and the write of the staged output)
//                       included
//   BM_TranslateProse   the same on the plain prose document (pfsgen --prose)
//
// Run: build/release/bench/pfs2vnk_bench [--benchmark_filter=REGEX]
// (--benchmark_repetitions=5 --benchmark_report_aggregates_only=true for
// medians on a busy machine).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/error_codes.h"
#include "common/error_file.h"
#include "driver/report.h"
#include "driver/run.h"
#include "generate.h"
#include "io/input.h"
#include "io/output.h"
#include "pfs/format.h"
#include "pfs/indents.h"
#include "pfs/layout.h"
#include "pfs/line_ends.h"
#include "pfs/paragraph.h"
#include "pfs/read_input.h"
#include "pfs/setup.h"
#include "pfs/tabs.h"
#include "pfs_writer.h"
#include "prose.h"
#include "stream/records.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The sink: /dev/null, unbuffered as InitOut leaves a target.
FILE* DevNull() {
    static FILE* f = [] {
        FILE* n = fopen("/dev/null", "w");
        if (n == nullptr) {
            perror("/dev/null");
            exit(1);
        }
        setvbuf(n, nullptr, _IONBF, 0);
        return n;
    }();
    return f;
}

// A document in a temporary file, read the way the module reads a source:
// an unbuffered stream whose fread goes straight to read(2).  (An fmemopen
// stream would not do: unbuffered, glibc feeds it to fread one byte per
// call.)
class Source {
  public:
    explicit Source(const Bytes& doc) : size_(doc.size()) {
        f_ = tmpfile();
        if (f_ == nullptr || fwrite(doc.data(), 1, doc.size(), f_) != doc.size() ||
            fflush(f_) != 0) {
            perror("tmpfile");
            exit(1);
        }
        setvbuf(f_, nullptr, _IONBF, 0);
    }
    ~Source() { fclose(f_); }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    // The stream at its start, as a freshly opened source.
    FILE* Rewound() {
        clearerr(f_);
        fseek(f_, 0, SEEK_SET);
        return f_;
    }
    int64_t size() const { return (int64_t)size_; }

  private:
    FILE* f_;
    size_t size_;
};

// A fresh translator reading src and writing to /dev/null.
void Open(Source& src) {
    ResetModule();
    InFile = src.Rewound();
    OutFile = DevNull();
}

// Open plus the document setup, with the first paragraph set up as
// BodyStep would, so the body's first byte is next.
bool OpenBody(Source& src) {
    Open(src);
    if (InitPfsp() == 0)
        return false;
    FigureIndents();
    InitPara();
    return ErrType == 0;
}

const char* const Words[] = {"the",      "survey", "of",      "land",     "boundary",
                             "northern", "meadow", "was",     "measured", "in",
                             "spring",   "with",   "a",       "new",      "instrument",
                             "records",  "every",  "reading", "to",       "within"};
constexpr size_t WordCount = sizeof Words / sizeof Words[0];

// Lines of words of at most width columns, count lines in all.
std::vector<std::string> ProseLines(size_t count, size_t width) {
    std::vector<std::string> lines;
    size_t w = 0;
    while (lines.size() < count) {
        std::string line;
        for (;;) {
            const std::string word = Words[w % WordCount];
            size_t need = line.empty() ? word.size() : line.size() + 1 + word.size();
            if (need > width && !line.empty())
                break;
            if (!line.empty())
                line += ' ';
            line += word;
            ++w;
        }
        lines.push_back(line);
    }
    return lines;
}

// A title line, then one paragraph of about bodyBytes bytes of plain prose
// wrapped at width columns, then the end of text.
Bytes PlainDocument(size_t bodyBytes, size_t width) {
    std::vector<std::string> lines = ProseLines(bodyBytes / (width + 1) + 1, width);
    PfsWriter w;
    w.beginParagraph(1).text("Plain text").endLine();
    w.paragraph(lines);
    w.endOfText();
    return w.bytes();
}

// One paragraph of enhanced text of about bodyBytes bytes (two per
// character), on one line, so that it may open the body.  mode 0: one attribute throughout; 1: the
// attribute changes with every word; 2: with every character.
Bytes EnhancedDocument(size_t bodyBytes, int mode) {
    static const uint8_t attrs[] = {PfsWriter::kBold, PfsWriter::kUnderline, PfsWriter::kItalic,
                                    PfsWriter::kBold | PfsWriter::kItalic};
    PfsWriter w;
    w.beginParagraph(1);
    size_t chars = 0, k = 0;
    while (2 * chars < bodyBytes) {
        std::string word = std::string(Words[k % WordCount]) + " ";
        if (mode == 2) {
            for (size_t i = 0; i < word.size(); ++i)
                w.enhanced(word.substr(i, 1), attrs[(chars + i) % 4]);
        } else {
            w.enhanced(word, mode == 0 ? attrs[0] : attrs[k % 4]);
        }
        chars += word.size();
        ++k;
    }
    w.endOfText();
    return w.bytes();
}

// Fills the first window with short lines: soft line ends (mode 0), hard
// ones (1), double spacing (2), or hard lines with an empty line after each (3).
Bytes ShortLinesDocument(int mode) {
    PfsWriter w;
    w.beginParagraph(1).text("Short lines").endLine();
    if (mode == 2)
        w.doubleSpaced(true);
    while (w.offset() < InBufData + 1024) {
        switch (mode) {
        case 0:
            w.beginParagraph(64);
            for (int i = 0; i < 64; ++i)
                w.text("ab").endLine();
            break;
        case 1:
            w.beginParagraph(1).text("ab").endLine();
            break;
        case 2:
            w.beginParagraph(8);
            for (int i = 0; i < 8; ++i)
                w.text("ab").endLine();
            break;
        case 3:
            w.beginParagraph(1).text("ab").endLine();
            w.emptyLine();
            break;
        }
    }
    w.endOfText();
    return w.bytes();
}

// ---------------------------------------------------------------- GetIn ---

void BM_GetIn(benchmark::State& state) {
    Bytes data((size_t)state.range(0));
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = (uint8_t)(' ' + i % 90);
    Source src(data);
    unsigned sum = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Open(src);
        InitInBuf(PfsInKeep);
        IRead = 0;
        state.ResumeTiming();
        while (Done == 0)
            sum += (unsigned)GetIn();
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}
BENCHMARK(BM_GetIn)->Arg(1 << 20);

// --------------------------------------------------------------- PutOut ---

// n bytes through Put (PutOut, or WriteNormalChar with its column count).
template <void (*Put)(uint8_t)> void PutBytes(benchmark::State& state) {
    const int64_t n = state.range(0);
    ResetModule();
    OutFile = DevNull();
    InitOutBuf(PfsOutKeep);
    for (auto _ : state) {
        for (int64_t i = 0; i < n; ++i)
            Put((uint8_t)(' ' + (i & 63)));
        benchmark::ClobberMemory();
    }
    if (ErrType != 0)
        state.SkipWithError("write failed");
    state.SetBytesProcessed((int64_t)state.iterations() * n);
}
void BM_PutOut(benchmark::State& state) {
    PutBytes<PutOut>(state);
}
void BM_WriteNormalChar(benchmark::State& state) {
    PutBytes<WriteNormalChar>(state);
}
BENCHMARK(BM_PutOut)->Arg(1 << 20);
BENCHMARK(BM_WriteNormalChar)->Arg(1 << 20);

// ---------------------------------------------------------- ProcessPara ---

void BM_ProcessPara(benchmark::State& state) {
    Source src(PlainDocument(1 << 20, (size_t)state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        bool ok = OpenBody(src);
        state.ResumeTiming();
        while (ok && Done == 0 && ErrType == 0) {
            if (CrFlag) { // the paragraph set-up, as BodyStep does it
                FigureIndents();
                InitPara();
            }
            ProcessPara();
        }
        state.PauseTiming();
        if (!ok || ErrType != 0) {
            state.SkipWithError("translation failed");
            break;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * src.size());
}
BENCHMARK(BM_ProcessPara)->Arg(60)->Arg(240);

// ------------------------------------------------------ ProcessEnhanced ---

void BM_ProcessEnhanced(benchmark::State& state) {
    Source src(EnhancedDocument(1 << 20, (int)state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        bool ok = OpenBody(src);
        state.ResumeTiming();
        // One call: the run ends at the end-of-text byte, which is the last
        // byte of the file, so the read there ends the input (Done).
        if (ok)
            ProcessEnhanced();
        state.PauseTiming();
        if (!ok || ErrType != 0 || Done == 0) {
            state.SkipWithError("the run did not reach the end of text");
            break;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * src.size());
}
BENCHMARK(BM_ProcessEnhanced)->DenseRange(0, 2);

// ------------------------------------------------------------ ProcessCR ---

// ProcessCR alone: the window is loaded once and every line end in it is
// handed to ProcessCR in turn, IRead set just past the code as ProcessPara
// leaves it.  Only line ends well inside the window are used, so that
// nothing ProcessCR reads moves the window.  After a hard return the
// paragraph start InitPara runs as the body loop would run it (no indents
// here, so it writes nothing); without it CrFlag would stay set and every
// line end would take the paragraph-start path.
void BM_ProcessCR(benchmark::State& state) {
    Source src(ShortLinesDocument((int)state.range(0)));
    if (!OpenBody(src)) {
        state.SkipWithError("setup failed");
        return;
    }
    std::vector<int16_t> ends;
    for (int p = pfs::BodyStart + 1; p < ILimit - 64; ++p)
        if (InBuf[p] <= pfs::LineEnd3 && InBuf[p - 1] >= 'A')
            ends.push_back((int16_t)(p + 1));
    for (auto _ : state) {
        for (int16_t r : ends) {
            IRead = r;
            ProcessCR();
            if (CrFlag)
                InitPara();
        }
        if (ErrType != 0 || Done != 0) {
            state.SkipWithError("ProcessCR left the window");
            break;
        }
    }
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)ends.size());
}
BENCHMARK(BM_ProcessCR)->DenseRange(0, 3);

// ----------------------------------------------------------- tabs, records ---

void BM_FindNextTab(benchmark::State& state) {
    const int every = (int)state.range(0);
    ResetModule();
    LastColumn = 255;
    memset(TabArray, 0, sizeof TabArray);
    for (int c = every; every > 0 && c < TabColumns; c += every)
        TabArray[c][TabStopByte] = 1;
    int sum = 0;
    for (auto _ : state) {
        for (int p = 0; p < 255; ++p) {
            IPos = (int16_t)p;
            sum += FindNextTab();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * 255);
}
BENCHMARK(BM_FindNextTab)->Arg(0)->Arg(8)->Arg(64);

void BM_PutBControl(benchmark::State& state) {
    constexpr int64_t records = (1 << 20) / 4;
    ResetModule();
    OutFile = DevNull();
    InitOutBuf(PfsOutKeep);
    for (auto _ : state) {
        for (int64_t i = 0; i < records; ++i)
            PutBControl(0x77, (uint8_t)i);
        benchmark::ClobberMemory();
    }
    if (ErrType != 0)
        state.SkipWithError("write failed");
    state.SetBytesProcessed((int64_t)state.iterations() * records * 4);
}
BENCHMARK(BM_PutBControl);

// ------------------------------------------------------------ EatSpaces ---

void BM_EatSpaces(benchmark::State& state) {
    Bytes data;
    while (data.size() < (1u << 20)) {
        data.insert(data.end(), (size_t)state.range(0), ' ');
        data.push_back('x');
    }
    Source src(data);
    for (auto _ : state) {
        state.PauseTiming();
        Open(src);
        InitInBuf(PfsInKeep);
        IRead = 0;
        state.ResumeTiming();
        while (Done == 0) {
            EatSpaces();
            GetIn();
        }
    }
    state.SetBytesProcessed((int64_t)state.iterations() * src.size());
}
BENCHMARK(BM_EatSpaces)->Arg(1)->Arg(8)->Arg(64);

// ------------------------------------------------------------ Translate ---

void Translate(benchmark::State& state, const Bytes& doc) {
    Source src(doc);
    for (auto _ : state) {
        state.PauseTiming();
        Open(src);
        state.ResumeTiming();
        ReadInput();
        Done = 1;
        WriteOutBuf();
        FlushOutFile();
        state.PauseTiming();
        if (ErrType != 0) {
            state.SkipWithError("translation failed");
            break;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * src.size());
}

void BM_Translate(benchmark::State& state) {
    Translate(state, GenerateDocument((size_t)state.range(0), 1));
}
BENCHMARK(BM_Translate)->Arg(4 << 10)->Arg(1 << 20);

void BM_TranslateProse(benchmark::State& state) {
    Translate(state, GenerateProse((size_t)state.range(0), 1));
}
BENCHMARK(BM_TranslateProse)->Arg(1 << 20);

} // namespace

BENCHMARK_MAIN();
