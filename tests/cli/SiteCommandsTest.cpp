#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

    /// Starts quillveil-encode with `args` in the scratch directory, its output to files
    /// there; `namedOnly` takes the road of filesystems without unnamed files.
    pid_t Start(const std::vector<std::string>& args, bool namedOnly = false)
    {
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(m_dir.c_str()) != 0)
                _exit(127);
            for (const auto& [fd, name] : {std::pair(1, "out"), std::pair(2, "err")})
                dup2(open(name, O_WRONLY | O_CREAT | O_TRUNC, 0600), fd);
            if (namedOnly)
                setenv("QUILLVEIL_TEST_NAMED_TEMPORARY_FILES", "1", 1);
            std::vector<char*> argv{const_cast<char*>(QUILLVEIL_ENCODE_PATH)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(QUILLVEIL_ENCODE_PATH, argv.data());
            _exit(127);
        }
        return child;
    }

    /// Waits for a program Start()ed; its exit status, or 128 and the signal that ended it.
    Outcome Finish(pid_t child)
    {
        int status = 0;
        waitpid(child, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                ReadFile(m_dir / "out"), ReadFile(m_dir / "err")};
    }

    /// The temporary files of new pages under `folder`.
    static std::vector<fs::path> TemporaryFiles(const fs::path& folder)
    {
        std::vector<fs::path> found;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.path().filename().string().find(".quillveil-") != std::string::npos)
                found.push_back(entry.path());
        return found;
    }

    /// Every page of `old` (path to contents) is as it was or protected, and some of each.
    void ExpectSomeButNotAllProtected(const std::map<std::string, std::string>& old)
    {
        std::size_t replaced = 0;
        for (const auto& [path, contents] : old) {
            const std::string now = ReadFile(path);
            if (now == contents)
                continue;
            ++replaced;
            EXPECT_EQ(Run(Encoder() + " protect - <" + path).out, now) << path;
        }
        EXPECT_GT(replaced, 0u);
        EXPECT_LT(replaced, old.size());
    }

    /// `command` as another user (root only): uid `user`, in the groups `groups`.
    std::string As(int user, const std::string& groups, const std::string& command)
    {
        fs::permissions(m_dir, fs::perms(0777));
        return "setpriv --reuid=" + std::to_string(user) + " --regid=" + std::to_string(user) +
               " --groups=" + groups + " -- " + command;
    }

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
    EXPECT_NE(protect.err.find("156 files read, 1"), std::string::npos) << protect.err;

    // What a browser shows and follows is the same on every page...
    EXPECT_EQ(DecodedPages(site), decodedBefore);
    // ...an XHTML page, protected, is still well-formed XML...
    const std::string xhtml = "site/legacy/contact.xhtml";
    EXPECT_NE(ReadFile(m_dir / xhtml), ReadFile(QUILLVEIL_SITE_CORPUS "/legacy/contact.xhtml"));
    EXPECT_EQ(Run("/usr/bin/python3 -c 'import sys, xml.dom.minidom; "
                  "xml.dom.minidom.parse(sys.argv[1])' " +
                  xhtml)
                  .status,
              0);
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
    WriteFile(site / "utf7.html", "<meta charset=utf-7><p>me@example.org");
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
          "site/utf7.html: left alone: declares utf-7, an encoding browsers do not read (line 1, "
          "column 1)\n",
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
    EXPECT_EQ(Run(Encoder() + " protect - <site/utf7.html").out, ReadFile(site / "utf7.html"));

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
    ExpectSomeButNotAllProtected(old);
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

TEST_F(SiteCommandsTest, ParserCrashesEndOnlyTheirOwnPage)
{
    // Markup the HTML parser aborts on, among pages it reads.
    const std::string crashing[] = {"<table>me@example.org<svg><title><![CDATA[y]]>z",
                                    "<table>s@e.or<svg><title><![CDATA[g]]>h",
                                    "<p>a@b.org</p><table>x<svg><title><![CDATA[y]]>z"};
    const fs::path site = m_dir / "site";
    for (int i = 0; i < 200; ++i)
        WriteFile(site / ("page" + std::to_string(i) + ".html"),
                  "<p>Write to me" + std::to_string(i) + "@example.org\n");
    for (int i = 0; i < 3; ++i)
        WriteFile(site / ("crash" + std::to_string(i) + ".html"), crashing[i]);
    fs::copy(site, m_dir / "one-job", fs::copy_options::recursive);

    const Outcome check = Run(Encoder() + " check site");
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("site/crash0.html:1:8: address me@example.org in a page not "
                             "readable as HTML\n"),
              std::string::npos);
    EXPECT_NE(check.err.find("203 files read, 203 found in 203 files"), std::string::npos);

    // One worker, restarted after each crash, does what several do.
    for (const std::string folder : {"site", "one-job"}) {
        const Outcome run =
            Run(Encoder() + " protect " + (folder == "site" ? "" : "--jobs 1 ") + folder);
        EXPECT_EQ(run.status, 1) << run.err;
        for (int i = 0; i < 3; ++i)
            EXPECT_NE(run.err.find(folder + "/crash" + std::to_string(i) +
                                   ".html: left alone: holds markup the HTML parser fails on"),
                      std::string::npos)
                << run.err;
        EXPECT_NE(run.err.find("203 files read, 200 changed, 200 addresses protected, 3 skipped"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("Assertion"), std::string::npos) << run.err;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(ReadFile(m_dir / folder / ("crash" + std::to_string(i) + ".html")),
                      crashing[i]);
    }
    EXPECT_TRUE(Snapshot(m_dir / "one-job").size() == 203);
    EXPECT_EQ(ReadFile(site / "page7.html"), ReadFile(m_dir / "one-job" / "page7.html"));
    EXPECT_EQ(Run(Encoder() + " check --jobs 1 site one-job").out,
              Run(Encoder() + " check one-job").out + Run(Encoder() + " check site").out);
    EXPECT_EQ(Run(Encoder() + " protect --jobs 0 site").status, 2);
}

TEST_F(SiteCommandsTest, OutputGoesWhereAShellsRedirectionWould)
{
    WriteFile(m_dir / "in.html", "<p>me@example.org\n");
    const std::string protectedPage = Run(Encoder() + " protect - <in.html").out;
    ASSERT_NE(protectedPage.find("&#64;"), std::string::npos);

    // Through a symbolic link, dangling or not: the link stays, its target is written.
    WriteFile(m_dir / "target.html", "old");
    fs::create_symlink("target.html", m_dir / "link.html");
    fs::create_symlink("made.html", m_dir / "dangling.html");
    for (const char* output : {"link.html", "dangling.html"})
        EXPECT_EQ(Run(Encoder() + " protect in.html -o " + output).status, 0) << output;
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.html") && fs::is_symlink(m_dir / "dangling.html"));
    EXPECT_EQ(ReadFile(m_dir / "target.html"), protectedPage);
    EXPECT_EQ(ReadFile(m_dir / "made.html"), protectedPage);
    EXPECT_EQ(Run(Encoder() + " protect in.html -o -").out, protectedPage);

    // Into a FIFO, which a reader empties.
    ASSERT_EQ(mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    const Outcome fifo =
        Run("{ cat fifo >from-fifo & } && " + Encoder() + " protect in.html -o fifo && wait");
    EXPECT_EQ(fifo.status, 0) << fifo.err;
    EXPECT_TRUE(fs::is_fifo(m_dir / "fifo"));
    EXPECT_EQ(ReadFile(m_dir / "from-fifo"), protectedPage);

    // Into a character device of the test's own (the null device's numbers).
    if (mknod((m_dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    const Outcome device = Run(Encoder() + " protect in.html -o null");
    EXPECT_EQ(device.status, 0) << device.err;
    EXPECT_TRUE(fs::is_character_file(m_dir / "null"));
    EXPECT_TRUE(TemporaryFiles(m_dir).empty());
}

TEST_F(SiteCommandsTest, EachFileOnceAndHardLinksNeverParted)
{
    const std::string page = "<p>me@example.org\n";
    const fs::path site = m_dir / "site";
    WriteFile(site / "a.html", page);
    fs::create_hard_link(site / "a.html", site / "b.htm");
    WriteFile(site / "c.html", page);

    // "site", "./site" and "site//c.html" name the same files.
    const Outcome check = Run(Encoder() + " check site ./site site//c.html");
    EXPECT_EQ(check.out, "site/a.html:1:4: address me@example.org in text\n"
                         "site/c.html:1:4: address me@example.org in text\n");
    const Outcome run = Run(Encoder() + " protect site ./site site//c.html");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("site/a.html: left alone: it has 2 names (hard links), which "
                           "protecting it would part\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("2 files read, 1 changed, 1 addresses protected, 1 skipped"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadFile(site / "a.html"), page);
    EXPECT_TRUE(fs::equivalent(site / "a.html", site / "b.htm"));
    EXPECT_NE(ReadFile(site / "c.html"), page);
}

TEST_F(SiteCommandsTest, NamesFromAListJoinThePathsAndEachPageIsReadOnce)
{
    const std::string page = "<p>me@example.org\n";
    const fs::path site = m_dir / "site";
    for (const char* name : {"a b.html", "new\nline.html", "notes.txt", "sub/c.html"})
        WriteFile(site / name, page);
    // As find -print0 gives them, with a page named twice, one the PATH gives too, and an
    // empty name; a file named is a page whatever its name.
    const char names[] = "site/a b.html\0site/new\nline.html\0\0./site/notes.txt\0"
                         "site//sub/c.html\0site/a b.html\0";
    WriteFile(m_dir / "names", std::string(names, sizeof names - 1));

    const Outcome check = Run(Encoder() + " check --files-from - -0 site/sub <names");
    EXPECT_EQ(check.status, 1) << check.err;
    EXPECT_EQ(check.out, "./site/notes.txt:1:4: address me@example.org in text\n"
                         "site/a b.html:1:4: address me@example.org in text\n"
                         "site/new\\x0Aline.html:1:4: address me@example.org in text\n"
                         "site/sub/c.html:1:4: address me@example.org in text\n");
    EXPECT_EQ(check.err, "quillveil-encode check: 4 files read, 4 found in 4 files\n");

    // One a line: a name that does not exist is reported as a PATH would be; a NUL byte
    // would cut a name short, so such a list is refused whole.
    WriteFile(m_dir / "lines", "site/a b.html\n\nmissing.html\n");
    const Outcome lines = Run(Encoder() + " check --files-from=lines");
    EXPECT_EQ(lines.status, 2);
    EXPECT_EQ(lines.out, "site/a b.html:1:4: address me@example.org in text\n");
    EXPECT_NE(lines.err.find("missing.html: No such file or directory\n"), std::string::npos);
    const Outcome unsplit = Run(Encoder() + " check --files-from names");
    EXPECT_EQ(unsplit.status, 2);
    EXPECT_NE(unsplit.err.find("names: the list of names holds a NUL byte"), std::string::npos)
        << unsplit.err;

    const Outcome run = Run(Encoder() + " protect --null --files-from - <names");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("4 files read, 4 changed, 4 addresses protected, 0 skipped"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Run(Encoder() + " check site").status, 0);
    EXPECT_EQ(Run(Encoder() + " check --files-from names site").status, 2);
    EXPECT_EQ(Run(Encoder() + " check --files-from - - <names").status, 2);
}

TEST_F(SiteCommandsTest, ExcludedPagesAndFoldersAreLeftOut)
{
    const fs::path site = m_dir / "site";
    const std::vector<std::string> pages = {"index.html",
                                            "page.htm",
                                            "sub/page.htm",
                                            "app.min.html",
                                            "sub/deep/app.min.html",
                                            "vendor/lib.html",
                                            "vendor/deep/lib.html",
                                            "sub/vendor/own.html",
                                            "sub/node_modules/m/x.html",
                                            "feed.xhtml",
                                            "sub/inc.SHTML"};
    for (const std::string& page : pages)
        WriteFile(site / page, "<p>me@example.org\n");
    std::string listed; // as find lists them
    for (const std::string& page : pages)
        listed += "./site/" + page + "\n";
    WriteFile(m_dir / "listed", listed);
    const std::string leftover = "vendor/.lib.html.quillveil-AbCdEf";
    WriteFile(site / leftover, "");

    // An excluded folder is not even entered: what a killed run left there stays.
    const Outcome pruned = Run(Encoder() + " check --exclude 'vendor/**' site");
    EXPECT_TRUE(fs::exists(site / leftover)) << pruned.err;

    const struct {
        std::string options;
        std::string found; // the pages checked, as named
    } cases[] = {
        {"--exclude 'vendor/**' site",
         "site/app.min.html site/feed.xhtml site/index.html site/page.htm "
         "site/sub/deep/app.min.html site/sub/inc.SHTML site/sub/node_modules/m/x.html "
         "site/sub/page.htm site/sub/vendor/own.html "},
        {"--exclude '**/*.min.html' --exclude='**/node_modules/**' --exclude '**/vendor' site",
         "site/feed.xhtml site/index.html site/page.htm site/sub/inc.SHTML site/sub/page.htm "},
        {"--exclude '*.htm' --exclude 'sub/*' site",
         "site/app.min.html site/feed.xhtml site/index.html site/vendor/deep/lib.html "
         "site/vendor/lib.html "},
        {"--exclude '[a-f]*' --exclude 's?b/**/*.?HTML' --exclude '**/deep' site/",
         "site/index.html site/page.htm site/sub/node_modules/m/x.html site/sub/page.htm "
         "site/sub/vendor/own.html site/vendor/lib.html "},
        {"--exclude '**' site", ""},
        // A listed name as the list spells it, a leading "./" aside.
        {"--exclude 'site/vendor/**' --exclude '**/*.min.html' --exclude 'sub/**' "
         "--files-from listed",
         "./site/feed.xhtml ./site/index.html ./site/page.htm ./site/sub/inc.SHTML "
         "./site/sub/node_modules/m/x.html ./site/sub/page.htm ./site/sub/vendor/own.html "},
    };
    for (const auto& [options, found] : cases) {
        const Outcome check = Run(Encoder() + " check " + options);
        std::string named;
        std::istringstream lines(check.out);
        for (std::string line; std::getline(lines, line);)
            named += line.substr(0, line.find(':')) + " ";
        EXPECT_EQ(named, found) << options << "\n" << check.err;
        EXPECT_EQ(check.status, found.empty() ? 0 : 1) << options << "\n" << check.err;
    }
    EXPECT_FALSE(fs::exists(site / leftover));
    EXPECT_EQ(Run(Encoder() + " check --exclude site").status, 2);
}

TEST_F(SiteCommandsTest, AnEditDuringTheRunIsNeverLost)
{
    const fs::path site = m_dir / "site";
    std::string large;
    while (large.size() < 8'000'000)
        large += "<p>Write to <a href=\"mailto:sales@example.com\">sales@example.com</a>.\n";
    WriteFile(site / "a.html", large);
    // Pages after it keep the run going while its new page waits to be renamed.
    for (int i = 0; i < 1000; ++i)
        WriteFile(site / ("page" + std::to_string(i) + ".html"), "<p>me@example.org\n");
    WriteFile(m_dir / "original.html", large);
    const std::string protectedPage = Run(Encoder() + " protect - <original.html").out;

    const pid_t child = Start({"protect", "--jobs", "1", "site"});
    // Edit the page as soon as its new version is written.
    while (TemporaryFiles(site).empty() && waitpid(child, nullptr, WNOHANG) == 0)
        usleep(1000);
    const std::string edit = "<p>An edit: edit@example.org\n";
    std::ofstream(site / "a.html", std::ios::binary | std::ios::app) << edit;
    const Outcome run = Finish(child);

    const std::string now = ReadFile(site / "a.html");
    ASSERT_TRUE(now.ends_with(edit));
    if (run.err.find("site/a.html: changed during the run: left as it is\n") !=
        std::string::npos) {
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(now == large + edit);
    } else {
        // The edit came after the page was replaced (a slow start here).
        EXPECT_TRUE(now == protectedPage + edit);
    }
    EXPECT_TRUE(TemporaryFiles(site).empty());
}

TEST_F(SiteCommandsTest, InterruptedRunFinishesItsPagesAndLeavesNoTemporaryFile)
{
    const fs::path site = m_dir / "site";
    std::string large;
    while (large.size() < 3'000'000)
        large += "<p>Contact <a href=\"mailto:sales@example.com\">sales@example.com</a>.\n";
    for (int i = 0; i < 16; ++i)
        WriteFile(site / ("page" + std::to_string(i) + ".html"), large + std::to_string(i));
    const auto old = Snapshot(site);
    // What a run killed outright left: reported and removed by the next.
    WriteFile(site / ".page1.html.quillveil-Ab12Cd", "<p>half a pa");

    // Filesystems without unnamed files have every new page under a name from the start.
    const pid_t child = Start({"protect", "--jobs", "1", "site"}, true);
    while (TemporaryFiles(site).size() < 2 && waitpid(child, nullptr, WNOHANG) == 0)
        usleep(1000);
    kill(child, SIGINT);
    const Outcome run = Finish(child);
    EXPECT_EQ(run.status, 128 + SIGINT);
    EXPECT_NE(run.err.find("site/.page1.html.quillveil-Ab12Cd: removed: a temporary file that an "
                           "interrupted run left\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(" not reached (stopped)\n"), std::string::npos) << run.err;
    EXPECT_TRUE(TemporaryFiles(site).empty());
    ExpectSomeButNotAllProtected(old);
}

TEST_F(SiteCommandsTest, TeamMembersKeepGroupAndModeAndLearnWhatTheyCannotRead)
{
    const std::string page = "<p>me@example.org\n";
    const fs::path site = m_dir / "site";
    WriteFile(site / "shared.html", page);
    WriteFile(site / "closed" / "in.html", page);
    WriteFile(site / "name\nwith:1:1: a fake finding.html", page);
    fs::permissions(site / "closed", fs::perms(0644)); // listed, not entered
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(site.c_str(), 4242, 4343), 0);
        ASSERT_EQ(chown((site / "shared.html").c_str(), 4242, 4343), 0);
        fs::permissions(site, fs::perms(0775));
        fs::permissions(site / "shared.html", fs::perms(0664));
    }
    // As root: another member of the page's group.
    const auto command = [&](const std::string& line) {
        return root ? As(4444, "4343", line) : line;
    };

    const Outcome check = Run(command(Encoder() + " check site"));
    EXPECT_EQ(check.status, 2);
    EXPECT_NE(check.err.find("site/closed/in.html: cannot examine: Permission denied\n"),
              std::string::npos)
        << check.err;
    // A file name cannot fake a line of the report.
    EXPECT_NE(check.out.find("site/name\\x0Awith:1:1: a fake finding.html:1:4: address"),
              std::string::npos)
        << check.out;

    const Outcome run = Run(command(Encoder() + " protect site"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(ReadFile(site / "shared.html"), page);
    if (!root)
        GTEST_SKIP() << "only root can protect as another member of a group";
    struct stat info {};
    ASSERT_EQ(stat((site / "shared.html").c_str(), &info), 0);
    EXPECT_EQ(info.st_gid, 4343u);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
    EXPECT_NE(run.err.find("site/shared.html: warning: protected, but could not keep its owner "
                           "4242\n"),
              std::string::npos)
        << run.err;
}

/// A site with every kind of finding in every place it can stand, under names that need
/// escaping in each format (one not UTF-8).
void WriteSiteWithEveryFinding(const fs::path& site)
{
    const std::string every = "<!DOCTYPE html><html><head><title>t@example.org</title>\n"
                              "<style>/* s@example.org */</style>\n"
                              "<script>var a = \"j@example.org\";</script>\n"
                              "</head><body>\n"
                              "<p>caf\xC3\xA9 text@example.org, mailto:m@example.org</p>\n"
                              "<a href=\"mailto:href@example.org\">x</a>\n"
                              "<img alt=\"alt@example.org\" src=x.png>\n"
                              "<a href=\"&#109;ailto:not-an-address\">broken</a>\n"
                              "<textarea>ta@example.org</textarea>\n"
                              "<!-- c@example.org -->\n"
                              "<xmp>raw@example.org</xmp>\n"
                              "<svg><![CDATA[cd@example.org]]></svg>\n"
                              "<p data-x=1 data-x=\"dup@example.org\">repeated</p>\n";
    WriteFile(site / "every.html", every);
    WriteFile(site / "na,me:50% off.html", every);
    WriteFile(site / "old" / "caf\xE9.htm",
              "<p>\xE9 u@example.org</p>\n<a title=\"cut@example.org");
}

std::string Base64Decoded(std::string_view text)
{
    static constexpr std::string_view digits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text.substr(0, text.find('='))) {
        bits = bits << 6 | static_cast<std::uint32_t>(digits.find(c));
        if ((count += 6) >= 8)
            bytes += static_cast<char>((bits >> (count -= 8)) & 0xFF);
    }
    return bytes;
}

std::string PercentDecoded(std::string_view uri)
{
    std::string bytes;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            bytes += uri[i];
            continue;
        }
        bytes += static_cast<char>(std::stoi(std::string(uri.substr(i + 1, 2)), nullptr, 16));
        i += 2;
    }
    return bytes;
}

TEST_F(SiteCommandsTest, EveryReportFormatHoldsTheTextFormatsFindingsAndSarifIsValid)
{
    WriteSiteWithEveryFinding(m_dir / "site");
    const Outcome text = Run(Encoder() + " check site missing.html");
    ASSERT_EQ(text.status, 2) << text.err;
    std::multiset<std::string> expected;
    std::istringstream textLines(text.out);
    for (std::string line; std::getline(textLines, line);)
        expected.insert(line);
    const auto finding = [](const std::string& file, const nlohmann::json& line,
                            const nlohmann::json& column, const nlohmann::json& message) {
        return file + ":" + std::to_string(line.get<int>()) + ":" +
               std::to_string(column.get<int>()) + ": " + message.get<std::string>();
    };

    // JSON Lines: the findings, the problem and the summary; a name that is not UTF-8 has its
    // bytes in base64 beside a readable form.
    const Outcome json = Run(Encoder() + " check --format json site missing.html");
    EXPECT_EQ(json.status, 2);
    std::multiset<std::string> found;
    std::set<std::string> places;
    std::istringstream jsonLines(json.out);
    for (std::string line; std::getline(jsonLines, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);
        if (record["type"] == "finding") {
            found.insert(finding(record.contains("fileBase64")
                                     ? Base64Decoded(record["fileBase64"].get<std::string>())
                                     : record["file"].get<std::string>(),
                                 record["line"], record["column"], record["message"]));
            places.insert(record["where"].get<std::string>() + " " +
                          record["kind"].get<std::string>());
            EXPECT_NE(
                record["message"].get<std::string>().find(
                    record["kind"] == "broken-link" ? "mailto" : record["text"].get<std::string>()),
                std::string::npos);
        } else if (record["type"] == "problem") {
            EXPECT_EQ(record["message"], "missing.html: No such file or directory");
        } else {
            EXPECT_EQ(record["findings"], expected.size()) << line;
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(places, (std::set<std::string>{
                          "attribute address", "attribute broken-link", "attribute mailto",
                          "cdata address", "comment address", "markup address", "raw-text address",
                          "script address", "style address", "text address", "text mailto",
                          "textarea address", "title address", "unread address"}));

    // SARIF: the same results at URIs relative to the current folder, the problem as the
    // run's notification; and valid by the official validator.
    const Outcome sarif = Run(Encoder() + " check --format sarif site missing.html");
    EXPECT_EQ(sarif.status, 2);
    const nlohmann::json log = nlohmann::json::parse(sarif.out);
    const nlohmann::json& run = log["runs"][0];
    found.clear();
    for (const nlohmann::json& result : run["results"]) {
        const nlohmann::json& location = result["locations"][0]["physicalLocation"];
        EXPECT_EQ(location["artifactLocation"]["uriBaseId"], "%SRCROOT%");
        found.insert(finding(PercentDecoded(location["artifactLocation"]["uri"].get<std::string>()),
                             location["region"]["startLine"], location["region"]["startColumn"],
                             result["message"]["text"]));
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(run["tool"]["driver"]["rules"].size(), 3u);
    EXPECT_EQ(run["invocations"][0]["executionSuccessful"], false);
    EXPECT_EQ(run["invocations"][0]["toolExecutionNotifications"][0]["message"]["text"],
              "missing.html: No such file or directory");

    // Code Quality: one entry a finding, each told from the others.
    const nlohmann::json quality =
        nlohmann::json::parse(Run(Encoder() + " check --format codequality site").out);
    std::set<std::string> fingerprints;
    for (const nlohmann::json& issue : quality)
        fingerprints.insert(issue["fingerprint"].get<std::string>());
    EXPECT_EQ(fingerprints.size(), expected.size());

    WriteFile(m_dir / "report.sarif", sarif.out);
    if (std::string(QUILLVEIL_SARIF_VALIDATOR).empty())
        GTEST_SKIP() << "SARIF output NOT VALIDATED: sarif-multitool was not found when the "
                        "build was configured (scripts/install-deps test installs it)";
    const Outcome validation =
        Run(std::string(QUILLVEIL_SARIF_VALIDATOR) + " validate report.sarif");
    EXPECT_EQ(validation.status, 0) << validation.err;
    EXPECT_NE(validation.out.find("Analysis completed successfully"), std::string::npos)
        << validation.out << validation.err;
    EXPECT_EQ(validation.out.find(": error "), std::string::npos) << validation.out;
}

TEST_F(SiteCommandsTest, GithubAnnotationsEscapeNamesAndMessages)
{
    WriteFile(m_dir / "site" / "a,b:c%d\ne.html", "<p>50%off@example.org</p>");
    const Outcome check = Run(Encoder() + " check --format github site");
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, "::error file=site/a%2Cb%3Ac%25d%0Ae.html,line=1,col=4,title=E-mail "
                         "address readable in the page source::address 50%25off@example.org in "
                         "text\n");
    const Outcome dryRun = Run(Encoder() + " protect --dry-run --format github site");
    EXPECT_EQ(dryRun.status, 0);
    EXPECT_EQ(dryRun.out, "::warning file=site/a%2Cb%3Ac%25d%0Ae.html,line=1,col=4,title=Address "
                          "protect would encode::would protect address 50%25off@example.org\n");
    EXPECT_EQ(Run(Encoder() + " check --format xml site").status, 2);
    EXPECT_EQ(Run(Encoder() + " protect --format json site").status, 2);
}

TEST_F(SiteCommandsTest, BaselineAcceptsWhatItListsWhereverItMovesAndNothingNew)
{
    const fs::path site = m_dir / "site";
    const std::string page = "<p>Hello</p>\n<!-- old@example.org -->\n"
                             "<script>var a = 'js@example.org';</script>\n";
    WriteFile(site / "a.html", page);
    WriteFile(site / "b.html", "<!-- old@example.org -->\n");
    const Outcome written = Run(Encoder() + " check --write-baseline base.json site");
    EXPECT_EQ(written.status, 0) << written.err;
    // Sorted: however the pages were named, the same file.
    EXPECT_EQ(
        Run(Encoder() + " check --write-baseline again.json ./site/b.html site/a.html").status, 0);
    EXPECT_EQ(ReadFile(m_dir / "again.json"), ReadFile(m_dir / "base.json"));

    const Outcome accepted = Run(Encoder() + " check --baseline base.json site");
    EXPECT_EQ(accepted.status, 0);
    EXPECT_EQ(accepted.out, "");
    EXPECT_NE(accepted.err.find("0 found in 0 files, 3 accepted by the baseline"),
              std::string::npos)
        << accepted.err;

    // An edit elsewhere moves the findings to other lines: still accepted.
    WriteFile(site / "a.html", "<h1>News</h1>\n<p>More</p>\n" + page);
    EXPECT_EQ(Run(Encoder() + " check --baseline base.json site").status, 0);

    // A new address, and a second occurrence of an accepted one: those alone are new.
    WriteFile(site / "a.html", page + "<p>new@example.org</p>\n<!-- old@example.org -->\n");
    const Outcome grown = Run(Encoder() + " check --baseline base.json --format json site");
    EXPECT_EQ(grown.status, 1);
    std::vector<std::string> news;
    std::istringstream lines(grown.out);
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);
        if (record["type"] == "finding") {
            news.push_back(record["text"].get<std::string>() + " at " +
                           std::to_string(record["line"].get<int>()));
        } else {
            EXPECT_EQ(record["acceptedByBaseline"], 3);
        }
    }
    EXPECT_EQ(news, (std::vector<std::string>{"new@example.org at 4", "old@example.org at 5"}));

    // A baseline that cannot be read or is not one: wrong usage, nothing checked.
    WriteFile(m_dir / "broken.json", "{\"version\": 1, \"files\": [");
    WriteFile(m_dir / "other.json", "{\"version\": 1, \"files\": {\"a\": [{\"kind\": 1}]}}");
    for (const std::string file : {"broken.json", "other.json", "missing.json"}) {
        const Outcome refused = Run(Encoder() + " check --baseline " + file + " site");
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find(file + ": "), std::string::npos) << refused.err;
    }
}

} // namespace
} // namespace quillveil
