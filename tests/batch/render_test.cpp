// pfs2vnk-batch --render: the text, HTML and ODT renderings beside each
// target, compared with what vnkdump prints for that target.

#include <sys/stat.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "batch/batch_support.h"
#include "pfs_writer.h"

namespace {

using namespace batchtest;
namespace fs = std::filesystem;

std::string Vnkdump(const Tree& tree, const std::vector<std::string>& args) {
    auto run = testprog::Run(tree / "", args, "", {}, VNKDUMP_EXE);
    EXPECT_EQ(run.code, 0) << run.err;
    return run.out;
}

int64_t MTimeNs(const std::string& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
}

Json Kinds(std::initializer_list<const char*> kinds) {
    Json list = Json::array();
    for (const char* k : kinds)
        list.push_back(k);
    return list;
}

TEST(BatchRender, EachOkTargetGetsTheTextAndHtmlVnkdumpPrintsAndNothingElseIsWritten) {
    Tree tree;
    tree.AddMixed();
    auto run =
        Batch(tree, {"-j", "2", "--render", "text,html", "--report", "r.jsonl", "src", "dst"});
    ASSERT_EQ(run.code, 0) << run.err;
    auto by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    std::set<std::string> expected;
    for (const auto& [rel, j] : by) {
        const bool ok = j["status"] == "ok";
        EXPECT_EQ(j["rendered"], ok ? Kinds({"text", "html"}) : Kinds({})) << rel;
        EXPECT_TRUE(j["render_error"].is_null()) << rel;
        if (!ok)
            continue;
        const std::string target = "dst/" + rel + ".vnk";
        EXPECT_EQ(testfs::ReadFile(tree / ("dst/" + rel + ".txt")),
                  Vnkdump(tree, {"--text", target}))
            << rel;
        EXPECT_EQ(testfs::ReadFile(tree / ("dst/" + rel + ".html")),
                  Vnkdump(tree, {"--html", target}))
            << rel << ": the title is the target's name, as vnkdump gives it";
        EXPECT_EQ(MTimeNs(tree / ("dst/" + rel + ".html")), MTimeNs(tree / ("src/" + rel)));
        for (const char* ext : {".vnk", ".txt", ".html"})
            expected.insert(rel + ext);
    }
    EXPECT_EQ(expected.size(), 8u * 3);
    std::set<std::string> written;
    for (const auto& [rel, bytes] : ListTree(tree.dst()))
        written.insert(rel);
    EXPECT_EQ(written, expected) << "no rendering of a not-pfs file, none left in a working folder";
    EXPECT_NE(run.err.find("  renderings   16 written, 0 failed\n"), std::string::npos) << run.err;

    const Files first = ListTree(tree.dst());
    run = Batch(tree, {"--render", "text,html", "--report", "r.jsonl", "src", "dst"});
    EXPECT_EQ(run.code, 0);
    for (const auto& [rel, j] : BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src"))
        EXPECT_EQ(j["rendered"], Kinds({})) << rel << " is rendered already";
    EXPECT_EQ(ListTree(tree.dst()), first);
    EXPECT_EQ(run.err.find("renderings"), std::string::npos) << run.err;

    // A missing rendering, and one whose time is not the source's, are made
    // again from the up-to-date target.
    fs::remove(tree / "dst/cut.pfs.html");
    testfs::WriteFile(tree / "dst/letters/l300.pfs.txt", std::string("edited"));
    Batch(tree, {"--render", "text,html", "--report", "r.jsonl", "src", "dst"});
    by = BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src");
    EXPECT_EQ(by["cut.pfs"]["status"], "up-to-date");
    EXPECT_EQ(by["cut.pfs"]["rendered"], Kinds({"html"}));
    EXPECT_EQ(by["letters/l300.pfs"]["rendered"], Kinds({"text"}));
    EXPECT_EQ(ListTree(tree.dst()), first);
}

TEST(BatchRender, ARenderingThatCannotBePlacedFailsTheBatchButNotTheDocument) {
    Tree tree;
    tree.Add("a.pfs", Document(3000, 1));
    fs::create_directories(tree / "dst/a.pfs.txt"); // a folder where the text belongs
    auto run = Batch(tree, {"--render", "html,text", "--report", "-", "src", "dst"});
    EXPECT_EQ(run.code, 1);
    auto a = BySource(ReadReport(run.out), "src")["a.pfs"];
    EXPECT_EQ(a["status"], "ok");
    EXPECT_EQ(a["rendered"], Kinds({"html"}));
    EXPECT_NE(a["render_error"].get<std::string>().find("text rendering could not be put in place"),
              std::string::npos)
        << a;
    EXPECT_TRUE(testfs::Exists(tree / "dst/a.pfs.vnk"));
    EXPECT_TRUE(testfs::Exists(tree / "dst/a.pfs.html"));
    EXPECT_NE(run.err.find("  renderings   1 written, 1 failed\n"), std::string::npos) << run.err;
}

#ifdef RENDER_HAVE_ODT
// The package beside each ok target is byte for byte what vnkdump --odt writes
// for the target (the title is the source's name, the same both ways); with
// text beside it, and once only.
TEST(BatchRender, TheOdtBesideEachTargetIsWhatVnkdumpWrites) {
    Tree tree;
    tree.AddMixed();
    auto run = Batch(tree, {"--render", "odt,text", "--report", "r.jsonl", "src", "dst"});
    ASSERT_EQ(run.code, 0) << run.err;
    size_t packages = 0;
    for (const auto& [rel, j] : BySource(ReadReport(testfs::ReadFile(tree / "r.jsonl")), "src")) {
        if (j["status"] != "ok") {
            EXPECT_FALSE(testfs::Exists(tree / ("dst/" + rel + ".odt"))) << rel;
            continue;
        }
        EXPECT_EQ(j["rendered"], Kinds({"text", "odt"})) << rel;
        EXPECT_EQ(testfs::ReadFile(tree / ("dst/" + rel + ".odt")),
                  Vnkdump(tree, {"--odt", "dst/" + rel + ".vnk"}))
            << rel;
        EXPECT_EQ(MTimeNs(tree / ("dst/" + rel + ".odt")), MTimeNs(tree / ("src/" + rel)));
        ++packages;
    }
    EXPECT_EQ(packages, 8u);
    run = Batch(tree, {"--render", "odt", "--report", "r.jsonl", "src", "dst"});
    EXPECT_EQ(run.err.find("renderings"), std::string::npos) << "nothing to render again";
}
#else
TEST(BatchRender, OdtIsRefusedInABuildWithoutIt) {
    Tree tree;
    tree.AddMixed();
    auto run = Batch(tree, {"--render", "odt", "src", "dst"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("libodfgen-dev"), std::string::npos) << run.err;
}
#endif

TEST(BatchRender, TheCodePageReachesTheRenderingsAndBadValuesAreUsageErrors) {
    Tree tree;
    PfsWriter w;
    w.beginParagraph(1).text("Caf").enhanced("\xE9",
                                             PfsWriter::kKeepHigh | PfsWriter::kEnhancedOnly);
    w.text(" au lait").endLine().endOfText();
    const auto doc = w.bytes();
    tree.Add("menu.pfs", std::string(doc.begin(), doc.end()));
    ASSERT_EQ(Batch(tree, {"--render", "text", "--codepage", "CP1252", "src", "dst"}).code, 0);
    const std::string text = testfs::ReadFile(tree / "dst/menu.pfs.txt");
    EXPECT_EQ(text, Vnkdump(tree, {"--text", "--codepage", "CP1252", "dst/menu.pfs.vnk"}));
    EXPECT_NE(text.find("Caf\xC3\xA9 au lait"), std::string::npos) << text;
    EXPECT_FALSE(testfs::Exists(tree / "dst/menu.pfs.html"));

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--render", "pdf"},
          {"--render", ""},
          {"--render", "text,"},
          {"--codepage", "CP1252"},
          {"--render", "text", "--codepage", "NO-SUCH-PAGE"}}) {
        std::vector<std::string> args = bad;
        args.insert(args.end(), {"src", "other"});
        auto run = Batch(tree, args);
        EXPECT_EQ(run.code, 2) << bad[1];
        EXPECT_NE(run.err.find("pfs2vnk-batch: --"), std::string::npos) << run.err;
        EXPECT_FALSE(testfs::Exists(tree / "other"));
    }
}

} // namespace
