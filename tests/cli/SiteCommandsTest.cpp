#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace quillveil {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

void WriteFile(const fs::path& path, const std::string& contents)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

/// Runs `command` (a shell command line) in a scratch directory of its own.
class SiteCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/quillveil-site-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }

    void TearDown() override
    {
        // Read-only directories would keep their files.
        for (const auto& entry : fs::recursive_directory_iterator(m_dir))
            if (entry.is_directory() && !entry.is_symlink())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }

    Outcome Run(const std::string& command)
    {
        const std::string line = "cd " + m_dir.string() + " && " + command + " >" +
                                 (m_dir / "out").string() + " 2>" + (m_dir / "err").string();
        const int status = std::system(line.c_str());
        Outcome outcome;
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = ReadFile(m_dir / "out");
        outcome.err = ReadFile(m_dir / "err");
        return outcome;
    }

    static std::string Encoder() { return QUILLVEIL_ENCODE_PATH; }

    /// What an independent HTML5 parser makes of every page under `site`.
    std::string DecodedPages(const fs::path& site)
    {
        std::vector<std::string> pages;
        for (const auto& entry : fs::recursive_directory_iterator(site))
            if (entry.is_regular_file())
                pages.push_back(fs::relative(entry.path(), m_dir).string());
        std::sort(pages.begin(), pages.end());
        std::string command = "/usr/bin/python3 " QUILLVEIL_DECODED_DOM;
        for (const std::string& page : pages)
            command += " " + page;
        const Outcome dump = Run(command);
        EXPECT_EQ(dump.status, 0) << dump.err;
        return dump.out;
    }

    std::map<std::string, std::string> Snapshot(const fs::path& site)
    {
        std::map<std::string, std::string> pages;
        for (const auto& entry : fs::recursive_directory_iterator(site))
            if (entry.is_regular_file())
                pages[entry.path().string()] = ReadFile(entry.path());
        return pages;
    }

    fs::path m_dir;
};

/// Pages built from the shapes of real ones, with addresses, references and markup meeting
/// in every order.
std::string RandomPage(std::mt19937& random)
{
    const std::vector<std::string> atoms = {"me@example.org",
                                            "MAILTO:",
                                            "mailto:a@b.co",
                                            "&amp;",
                                            "&amp",
                                            "&copy",
                                            "&#64;",
                                            "x",
                                            "\xC3\xA9",
                                            "\xE6\x97\xA5",
                                            " ",
                                            ".",
                                            "logo@2x.png",
                                            "@",
                                            ";",
                                            "&",
                                            "\r\n",
                                            "&lt;",
                                            "Sales.Team+news@Mail.Example.COM",
                                            "&ampme@x.org",
                                            "&#x40;"};
    const auto text = [&](bool spaces) {
        std::string t;
        for (auto n = random() % 6; n-- > 0;) {
            const std::string& atom = atoms[random() % atoms.size()];
            if (spaces || atom.find_first_of(" \r\n") == std::string::npos)
                t += atom;
        }
        return t.empty() ? std::string("x") : t;
    };
    const std::vector<std::string> shapes = {
        "<p>{t}",
        "<a href=\"mailto:me@example.org?subject={w}\">{t}</a>",
        "<A HREF='{w}'>{t}</A>",
        "<img alt=\"{t}\" srcset=\"{t} 2x\">",
        "<script>var x='{t}';</script>",
        "<!-- {t} -->",
        "<div title={w} data-mail=\"{t}\">{t}</div>",
        "<table><tr><td>{t}</table>",
        "<b>{t}<p>{t}</b>",
        "<STYLE>/* {t} */</STYLE>",
        "<input value=\"{t}\" placeholder='{t}'>",
        "<title>{t}</title>",
        "<svg><title>{t}</title></svg>"};
    std::string page = "<!DOCTYPE html>\n<html><body>\n";
    for (auto n = 1 + random() % 12; n-- > 0;) {
        std::string shape = shapes[random() % shapes.size()];
        for (std::size_t at; (at = shape.find("{t}")) != std::string::npos;)
            shape.replace(at, 3, text(true));
        for (std::size_t at; (at = shape.find("{w}")) != std::string::npos;)
            shape.replace(at, 3, text(false));
        page += shape + "\n";
    }
    return page;
}

TEST_F(SiteCommandsTest, ProtectedSiteReadsTheSameAndShowsHarvestersNoAddress)
{
    const fs::path site = m_dir / "site";
    fs::copy(QUILLVEIL_SITE_CORPUS, site, fs::copy_options::recursive);
    std::mt19937 random(7);
    for (int i = 0; i < 150; ++i)
        WriteFile(site / "generated" / ("page" + std::to_string(i) + ".html"), RandomPage(random));

    const Outcome before = Run(Encoder() + " check site");
    EXPECT_EQ(before.status, 1);
    EXPECT_NE(before.out.find("in text"), std::string::npos);
    const std::string decodedBefore = DecodedPages(site);

    const Outcome protect = Run(Encoder() + " protect site");
    EXPECT_EQ(protect.status, 0) << protect.err;
    EXPECT_NE(protect.err.find("154 files read, 1"), std::string::npos) << protect.err;

    // What a browser shows and follows is the same on every page...
    EXPECT_EQ(DecodedPages(site), decodedBefore);
    // ...and a harvester finds addresses only where an author must hide them. (Random links
    // can be broken ones, which the check reports too.)
    const Outcome after = Run(Encoder() + " check site");
    EXPECT_EQ(after.status, 1);
    std::istringstream lines(after.out);
    int found = 0;
    for (std::string line; std::getline(lines, line); ++found)
        EXPECT_TRUE(line.ends_with(" in a script") || line.ends_with(" in a style") ||
                    line.ends_with(" in a comment") ||
                    line.find(": protected mailto link with no well-formed") != std::string::npos)
            << line;
    EXPECT_GT(found, 0);

    // A second run changes no byte.
    const auto protectedOnce = Snapshot(site);
    const Outcome again = Run(Encoder() + " protect site");
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.err.find(" 0 changed, 0 addresses protected, 0 skipped"), std::string::npos);
    EXPECT_TRUE(Snapshot(site) == protectedOnce);
}

TEST_F(SiteCommandsTest, ReportsWhatItMustLeaveAloneAndNeverLeavesHalfAPage)
{
    const std::string page = "<p>Mail <a href=\"mailto:me@example.org\">me@example.org</a>\n";
    const fs::path site = m_dir / "site";
    WriteFile(site / "ok.html", page);
    fs::permissions(site / "ok.html", fs::perms(0640));
    WriteFile(site / "ro.html", page);
    fs::permissions(site / "ro.html", fs::perms(0444));
    WriteFile(site / "locked" / "in.html", page);
    fs::permissions(site / "locked", fs::perms(0555));
    WriteFile(site / "latin1.html", "<p>caf\xE9 me@example.org");
    WriteFile(site / "cut.html", "<p>me@example.org<a href=\"mailto:x");
    fs::create_symlink("ok.html", site / "link.html");

    const Outcome dryRun = Run(Encoder() + " protect --dry-run site");
    EXPECT_NE(
        dryRun.out.find("site/ok.html:1:18: would protect mailto URL mailto:me@example.org\n"),
        std::string::npos)
        << dryRun.out;
    EXPECT_EQ(ReadFile(site / "ok.html"), page);

    const Outcome run = Run(Encoder() + " protect site missing.html");
    EXPECT_EQ(run.status, 2);
    for (const char* reported :
         {"missing.html: No such file or directory\n", "site/ro.html: left alone: read-only file\n",
          "site/locked/in.html: left alone: read-only directory\n",
          "site/latin1.html: left alone: not valid UTF-8 (line 1, column 7)\n",
          "site/cut.html: left alone: ends inside a quoted attribute value (line 1, column 35)\n",
          "5 files read, 1 changed, 2 addresses protected, 5 skipped\n"})
        EXPECT_NE(run.err.find(reported), std::string::npos) << reported << "\n" << run.err;
    const std::string protectedPage = ReadFile(site / "ok.html");
    EXPECT_NE(protectedPage, page);
    EXPECT_EQ(fs::status(site / "ok.html").permissions(), fs::perms(0640));
    EXPECT_TRUE(fs::is_symlink(site / "link.html"));
    for (const char* untouched : {"ro.html", "locked/in.html"})
        EXPECT_EQ(ReadFile(site / untouched), page);
    EXPECT_EQ(fs::directory_iterator(site / "locked")->path().filename(), "in.html");

    // One page in a pipe, or to a file.
    WriteFile(m_dir / "in.html", page);
    EXPECT_EQ(Run(Encoder() + " protect - <in.html").out, protectedPage);
    EXPECT_EQ(Run(Encoder() + " protect in.html -o piped.html").status, 0);
    EXPECT_EQ(ReadFile(m_dir / "piped.html"), protectedPage);
    EXPECT_EQ(Run(Encoder() + " protect - <site/latin1.html").out, ReadFile(site / "latin1.html"));

    // The gate: status alone, nothing found, a read error.
    const Outcome quiet = Run(Encoder() + " check --quiet in.html");
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_EQ(Run(Encoder() + " check site/ok.html").status, 0);
    EXPECT_EQ(Run(Encoder() + " check site/ok.html missing.html").status, 2);

    // Killed while at work, every page is the old one or the new one. Large pages, so that
    // the kill comes while some are being written.
    const fs::path big = m_dir / "big";
    std::string large;
    while (large.size() < 3'000'000)
        large += "<p>Contact <a href=\"mailto:sales@example.com\">sales@example.com</a> or "
                 "support@example.com for caf\xC3\xA9 orders.\n";
    for (int i = 0; i < 16; ++i)
        WriteFile(big / ("p" + std::to_string(i) + ".html"), large + std::to_string(i));
    const auto old = Snapshot(big);
    const pid_t child = fork();
    if (child == 0) {
        execl(QUILLVEIL_ENCODE_PATH, "quillveil-encode", "protect", big.c_str(), nullptr);
        _exit(127);
    }
    // Wait for the first page to be replaced, then kill at once.
    for (bool replaced = false; !replaced && waitpid(child, nullptr, WNOHANG) == 0;)
        for (const auto& [path, contents] : old)
            replaced = replaced || fs::file_size(path) != contents.size();
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    int replaced = 0;
    for (const auto& [path, contents] : old) {
        const std::string now = ReadFile(path);
        if (now == contents)
            continue;
        ++replaced;
        EXPECT_EQ(Run(Encoder() + " protect - <" + path).out, now) << path;
    }
    EXPECT_GT(replaced, 0);
    EXPECT_LT(replaced, 16);
    // At most a whole new page under a temporary name ".NAME.quillveil-XXXXXX", never part
    // of one, which a deploy step would publish.
    for (const auto& entry : fs::directory_iterator(big)) {
        if (old.contains(entry.path().string()))
            continue;
        const std::string name = entry.path().filename().string();
        const std::size_t suffix = name.rfind(".quillveil-");
        ASSERT_TRUE(name.starts_with(".") && suffix != std::string::npos) << name;
        WriteFile(m_dir / "original.html", old.at((big / name.substr(1, suffix - 1)).string()));
        EXPECT_EQ(ReadFile(entry.path()), Run(Encoder() + " protect - <original.html").out) << name;
    }
}

TEST_F(SiteCommandsTest, ReplacedPageKeepsOwnerAndExtendedAttributes)
{
    const fs::path page = m_dir / "page.html";
    WriteFile(page, "<p>Mail me@example.org\n");
    const std::string value("kept\0as is", 10);
    if (setxattr(page.c_str(), "user.quillveil.test", value.data(), value.size(), 0) != 0)
        GTEST_SKIP() << "no user extended attributes here: " << std::strerror(errno);
    // Only root can give the page another owner, and only then is keeping it a test.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(page.c_str(), 4242, 4343), 0);
    }
    fs::permissions(page, fs::perms(0604));
    struct stat before {};
    ASSERT_EQ(stat(page.c_str(), &before), 0);

    const Outcome run = Run(Encoder() + " protect page.html");
    EXPECT_EQ(run.status, 0) << run.err;
    struct stat after {};
    ASSERT_EQ(stat(page.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // a new file, not the old one rewritten
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    std::string kept(64, '\0');
    const ssize_t size = getxattr(page.c_str(), "user.quillveil.test", kept.data(), kept.size());
    kept.resize(size < 0 ? 0 : static_cast<std::size_t>(size));
    EXPECT_EQ(kept, value);
}

} // namespace
} // namespace quillveil
