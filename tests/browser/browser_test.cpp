// Covers tools/vnkdump/render_html.cpp in a real browser (headless Chromium, pdftotext).
// The HTML rendering of every example in a real browser: headless Chromium
// prints the page to PDF and takes a screenshot; pdftotext reads the PDF
// back.  The words of the document must all come back in order (none lost,
// none cut at a sheet's edge), the PDF must have at least one page more
// than the stream has page breaks, and the screenshot must show text.
// Skipped, naming the Debian package, when a program is missing.
//
// Run alone with: ctest --preset debug -L browser

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "support/files.h"
#include "support/shell.h"

namespace {

using testshell::OnPath;
using testshell::Shell;

// The words of a text: split at white space and after hyphens (a browser
// may break a line after a hyphen).
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty())
                words.push_back(word);
            word.clear();
            continue;
        }
        word += c;
        if (c == '-')
            words.push_back(word), word.clear();
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

// The text rendering without its header and footer blocks.
std::string BodyText(std::string text) {
    for (const char* block : {"[header]", "[footer]"}) {
        const size_t at = text.find(block);
        if (at != std::string::npos)
            text.erase(at, text.find('\n', text.find("[end of", at)) + 1 - at);
    }
    return text;
}

// Pixels darker than mid-grey in a PNG file; -1 when it cannot be read.
long DarkPixels(const std::string& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str()))
        return -1;
    image.format = PNG_FORMAT_GRAY;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return -1;
    return std::count_if(pixels.begin(), pixels.end(), [](png_byte p) { return p < 96; });
}

// Page breaks in the stream, from the inspector's summary.
int PageBreaks(const std::string& stats) {
    int breaks = 0;
    std::stringstream lines(stats);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("D5  ", 0) == 0 || line.rfind("D7  ", 0) == 0)
            breaks += std::stoi(line.substr(line.rfind(' ') + 1));
    return breaks;
}

class BrowserRender : public ::testing::TestWithParam<std::string> {};

TEST_P(BrowserRender, PrintsEveryWordOnEnoughPages) {
    for (const auto& [program, package] :
         {std::pair{"chromium", "chromium"}, {"pdftotext", "poppler-utils"}})
        if (!OnPath(program))
            GTEST_SKIP() << program << " is missing: install the Debian package " << package;
    testfs::TempDir dir;
    const std::string doc = dir / "doc";
    const std::string source = SOURCE_DIR "/examples/" + GetParam() + ".pfs";
    const std::string vnkdump = "'" VNKDUMP_EXE "' ";
    ASSERT_EQ(Shell("'" PFS2VNK_EXE "' '" + source + "' " + doc + ".vnk 0"), 0);
    ASSERT_EQ(Shell(vnkdump + "--html " + doc + ".vnk >" + doc + ".html"), 0);
    ASSERT_EQ(Shell(vnkdump + "--text " + doc + ".vnk >" + doc + ".txt"), 0);
    ASSERT_EQ(Shell(vnkdump + "--stats " + doc + ".vnk >" + doc + ".stats"), 0);
    if (OnPath("tidy")) { // 0 clean, 1 warnings, 2 errors
        EXPECT_LT(Shell("tidy -q -e " + doc + ".html 2>" + doc + ".tidy"), 2)
            << testfs::ReadFile(doc + ".tidy");
    }

    // A fresh profile in the temporary directory; no sandbox, for root in CI.
    const std::string chromium = "timeout 120 chromium --headless --no-sandbox --disable-gpu "
                                 "--user-data-dir=" +
                                 dir / "profile" + " --no-pdf-header-footer ";
    ASSERT_EQ(Shell(chromium + "--print-to-pdf=" + doc + ".pdf file://" + doc + ".html 2>" + doc +
                    ".log"),
              0)
        << testfs::ReadFile(doc + ".log");
    ASSERT_EQ(Shell(chromium + "--hide-scrollbars --window-size=900,1200 --screenshot=" + doc +
                    ".png file://" + doc + ".html 2>" + doc + ".log"),
              0)
        << testfs::ReadFile(doc + ".log");
    ASSERT_EQ(Shell("pdftotext -layout " + doc + ".pdf " + doc + ".pdf.txt"), 0);

    const std::string printed = testfs::ReadFile(doc + ".pdf.txt");
    const std::vector<std::string> want = Words(BodyText(testfs::ReadFile(doc + ".txt")));
    const std::vector<std::string> got = Words(printed);
    size_t found = 0;
    for (size_t i = 0; i < got.size() && found < want.size(); ++i)
        if (got[i] == want[found])
            ++found;
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(found, want.size()) << "first word not printed in order: "
                                  << (found < want.size() ? want[found] : "") << "\n"
                                  << printed;

    const long pages = std::count(printed.begin(), printed.end(), '\f');
    EXPECT_GE(pages, PageBreaks(testfs::ReadFile(doc + ".stats")) + 1);
    EXPECT_GT(DarkPixels(doc + ".png"), 2000) << "the screenshot shows no text";
}

INSTANTIATE_TEST_SUITE_P(Examples, BrowserRender, ::testing::Values("letter", "memo", "long"),
                         [](const auto& info) { return info.param; });

} // namespace
