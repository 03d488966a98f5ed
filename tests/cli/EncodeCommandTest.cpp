#include "CharacterEncoders.h"
#include "ProgramInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quillveil {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

/// Runs the built quillveil-encode with `args`, `input` on its standard input, and collects
/// what it wrote. Files rather than pipes, so large outputs cannot block either side.
class EncodeCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/quillveil-cli-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }

    void TearDown() override
    {
        for (const char* name : {"/in", "/out", "/err"})
            unlink((m_dir + name).c_str());
        rmdir(m_dir.c_str());
    }

    Outcome Run(std::vector<std::string> args, const std::string& input = {},
                const std::string& stdoutPath = {}, const std::string& stdinPath = {})
    {
        std::ofstream(m_dir + "/in", std::ios::binary) << input;
        const std::string outPath = stdoutPath.empty() ? m_dir + "/out" : stdoutPath;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(
            &actions, 0, (stdinPath.empty() ? m_dir + "/in" : stdinPath).c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, (m_dir + "/err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        args.insert(args.begin(), QUILLVEIL_ENCODE_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        Outcome outcome;
        pid_t child = 0;
        const int spawned =
            posix_spawn(&child, QUILLVEIL_ENCODE_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0);
        int status = 0;
        if (spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
            outcome.status = WEXITSTATUS(status);
        if (stdoutPath.empty())
            outcome.out = ReadFile(outPath);
        outcome.err = ReadFile(m_dir + "/err");
        return outcome;
    }

    std::string m_dir;
};

TEST_F(EncodeCommandTest, PrintsTheCodeAndOneNewline)
{
    Outcome email = Run({"email", "a", "b", "c"});
    EXPECT_EQ(email.status, 0);
    EXPECT_EQ(email.out, "<a href=\"" + EncodeEntities("mailto:a@b") + "\">&#99;</a>\n");
    EXPECT_EQ(email.err, "");

    Outcome subject = Run({"email", " a ", "b", "J\xC3\xB6rg", "x y"});
    EXPECT_EQ(subject.status, 0);
    EXPECT_EQ(subject.out, "<a href=\"" + EncodeEntities("mailto:a@b?subject=x%20y") +
                               "\">&#74;\xC3\xB6&#114;&#103;</a>\n");

    Outcome link = Run({"link", "<a href='x'>x</a>"});
    EXPECT_EQ(link.status, 0);
    EXPECT_EQ(link.out, "<a href='&#120;'>&#120;</a>\n");

    // Arguments reach the core untrimmed; its trimming is the only one.
    Outcome text = Run({"text", " \t<b>\n"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, "&#60;&#98;&#62;\n");
    // An argument that merely looks like an option is text.
    EXPECT_EQ(Run({"text", "--help"}).out, EncodeEntities("--help") + "\n");
}

TEST_F(EncodeCommandTest, ReadsStandardInputWholeWhenTheTextIsOmittedOrDash)
{
    Outcome omitted = Run({"text"}, "  a\r\nb\n\n");
    EXPECT_EQ(omitted.status, 0);
    EXPECT_EQ(omitted.out, "&#97;&#13;&#10;&#98;\n");

    Outcome dash = Run({"link", "-"}, "<a href=\"x\">\nx</a>\n");
    EXPECT_EQ(dash.status, 0);
    EXPECT_EQ(dash.out, "<a href=\"&#120;\">\n&#120;</a>\n");

    std::string large;
    for (int i = 0; i < 300'000; ++i)
        large += i % 10 == 0 ? "\xE2\x82\xAC\n" : "word ";
    Outcome big = Run({"text"}, large);
    EXPECT_EQ(big.status, 0);
    EXPECT_TRUE(big.out == EncodeEntities(large.substr(0, large.size() - 1)) + "\n");
}

TEST_F(EncodeCommandTest, ReportsWarningsOnStandardErrorOnly)
{
    const struct {
        std::vector<std::string> args;
        std::string input;
        std::string message;
    } cases[] = {
        {{"email", "  ", "", ""}, "", "E-mail User field is empty"},
        {{"email", "a", "\n", "c", "s"}, "", "E-mail Domain field is empty"},
        {{"email", "a", "b", " "}, "", "E-mail Display Name field is empty"},
        {{"link"}, " \n", "Link field is empty"},
        {{"link", "<a>x</a>"}, "", "Invalid link, please specify 'href' attribute"},
        // The HTML parser aborts on this: its last words are the child process's alone.
        {{"link", "-"},
         "<a href=\"mailto:a@b.org\">x</a><table>y<svg><title><![CDATA[z]]>w",
         "Invalid link, it cannot be read as HTML"},
        {{"text", "-"}, "", "Text field is empty"},
    };
    for (const auto& c : cases) {
        Outcome outcome = Run(c.args, c.input);
        EXPECT_EQ(outcome.status, 1) << c.message;
        EXPECT_EQ(outcome.err, c.message + "\n");
        EXPECT_EQ(outcome.out, "");
    }
}

TEST_F(EncodeCommandTest, AnswersMisuseWithUsageAndStatusTwo)
{
    const std::vector<std::vector<std::string>> misuses = {
        {},
        {"html", "x"},
        {"--frobnicate"},
        {"email", "a", "b"},
        {"email", "a", "b", "c", "d", "e"},
        {"text", "a", "b"},
        {"link", "a", "b"},
        {"--help", "text"},
    };
    for (const auto& args : misuses) {
        Outcome outcome = Run(args);
        EXPECT_EQ(outcome.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(outcome.err.find("Usage: quillveil-encode"), std::string::npos);
        EXPECT_EQ(outcome.out, "");
    }
}

TEST_F(EncodeCommandTest, RefusesInputItCannotTakeInsteadOfShorteningIt)
{
    Outcome nul = Run({"text"}, std::string("a\0b", 3));
    EXPECT_EQ(nul.status, 2);
    EXPECT_NE(nul.err.find("NUL byte"), std::string::npos);
    EXPECT_EQ(nul.out, "");

    Outcome unreadable = Run({"link"}, "", {}, "/");
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_NE(unreadable.err.find("cannot read standard input"), std::string::npos);

    // A full disk must not pass for success, whatever the answer was.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"text", "abc"}, {"--help"}, {"--version"}, {"link"},
          {"check", "-"}, {"protect", "--dry-run", "-"}, {"protect", "-"}}) {
        SCOPED_TRACE(args.front());
        Outcome full = Run(args, "<a href=\"mailto:me@example.org\">me</a>", "/dev/full");
        EXPECT_EQ(full.status, 2);
        EXPECT_NE(full.err.find("cannot write standard output"), std::string::npos);
    }
}

TEST_F(EncodeCommandTest, AnswersHelpAndVersion)
{
    Outcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: quillveil-encode email USER DOMAIN NAME [SUBJECT]\n", 0), 0u);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    EXPECT_EQ(help.err, "");

    Outcome version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quillveil-encode (Quillveil) " + std::string(ProgramVersion) + "\n");
    EXPECT_EQ(ProgramVersion, "1.0.0.2");
}

/// Sets environment variables for one scope, which the spawned program inherits.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> variables)
    {
        for (const auto& [name, value] : variables) {
            const char* old = std::getenv(name);
            m_saved.emplace_back(name,
                                 old != nullptr ? std::optional<std::string>(old) : std::nullopt);
            setenv(name, value, 1);
        }
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// The usage and the help follow the user's language (LANGUAGE counts in any locale but C);
// what scripts read (the code, warnings, findings, protected pages) stays the same bytes.
TEST_F(EncodeCommandTest, SpeaksTheUsersLanguageInItsHelpOnly)
{
    const std::string page = "<p title=\"me@example.org\">Write to me@example.org</p>\n";
    const std::vector<std::vector<std::string>> machineRead = {
        {"check", "-"}, {"protect", "-"},     {"protect", "--dry-run", "-"},
        {"text", ""},   {"link", "<a>x</a>"}, {"email", "a", "b", "c"}};
    std::vector<Outcome> english;
    for (const auto& args : machineRead)
        english.push_back(Run(args, page));

    {
        const ScopedEnvironment inGerman{{"LC_ALL", "C.UTF-8"}, {"LANGUAGE", "de"}};
        const Outcome help = Run({"--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(
            help.out.rfind("Aufruf: quillveil-encode email BENUTZER DOMAIN NAME [BETREFF]\n", 0),
            0u);
        EXPECT_NE(help.out.find("Exit-Status: 0 der Code steht auf der Standardausgabe"),
                  std::string::npos);
        const Outcome misuse = Run({"html"});
        EXPECT_EQ(misuse.status, 2);
        EXPECT_NE(misuse.err.find("\u201equillveil-encode --help\u201c"), std::string::npos)
            << misuse.err;

        for (std::size_t i = 0; i < machineRead.size(); ++i) {
            SCOPED_TRACE(::testing::PrintToString(machineRead[i]));
            const Outcome german = Run(machineRead[i], page);
            EXPECT_EQ(german.status, english[i].status);
            EXPECT_EQ(german.out, english[i].out);
            EXPECT_EQ(german.err, english[i].err);
        }
    }
    // glibc ignores LANGUAGE in the C locale.
    const ScopedEnvironment inC{{"LC_ALL", "C"}, {"LANGUAGE", "de"}};
    EXPECT_EQ(Run({"--help"}).out.rfind("Usage: quillveil-encode", 0), 0u);
}

} // namespace
} // namespace quillveil
