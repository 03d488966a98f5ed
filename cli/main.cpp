// quillveil-encode: the code generator for scripts. Prints the protected HTML of an e-mail
// link, of an anchor element or of any text.

#include "CodeGenerator.h"
#include "ContainedGeneration.h"
#include "FileDescriptorIo.h"
#include "MessageCatalog.h"
#include "PageCommands.h"
#include "ProgramInfo.h"

#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillveil;

constexpr std::string_view CommandName = "quillveil-encode";

// Exit statuses: scripts tell a warning about the input from a mistake in the call.
constexpr int ExitCode = 0;
constexpr int ExitWarning = 1;
constexpr int ExitMisuse = 2;

// The usage and the help are each one text for the translators: a line added to either goes
// inside its Translatable(...).
// clang-format off
constexpr std::string_view UsageLines = Translatable(
    "Usage: quillveil-encode email USER DOMAIN NAME [SUBJECT]\n"
    "       quillveil-encode link [LINK]\n"
    "       quillveil-encode text [TEXT]\n"
    "       quillveil-encode protect [--dry-run [--format FORMAT]] [--jobs N] [-o FILE]\n"
    "                                [SELECTION] PATH...\n"
    "       quillveil-encode check [--quiet] [--jobs N] [--format FORMAT]\n"
    "                              [--baseline FILE] [--write-baseline FILE]\n"
    "                              [SELECTION] PATH...\n"
    "       quillveil-encode --help | --version\n");
// clang-format on

constexpr std::string_view HelpText = Translatable(
    "\n"
    "Writes HTML in which an e-mail address, the target of an anchor element or a whole\n"
    "text is spelled as decimal character references (\"&#64;\" for \"@\"): browsers show it\n"
    "as before, address harvesters find nothing.\n"
    "\n"
    "  email  an encoded mailto link for USER@DOMAIN shown as NAME, with an optional SUBJECT\n"
    "  link   the anchor element LINK with the value of its first href encoded where a\n"
    "         browser decodes it, and for a mailto link every address it names\n"
    "  text   all of TEXT as character references\n"
    "\n"
    "LINK or TEXT omitted or \"-\": read from standard input, whole and unchanged.\n"
    "Leading and trailing white space of every input is ignored.\n"
    "\n"
    "Exit status: 0 the code is on standard output; 1 a warning about the input is on\n"
    "standard error; 2 wrong usage, or input that cannot be read or holds a NUL byte.\n"
    "\n"
    "  protect  rewrites HTML pages in place: every mailto URL of an attribute, whole,\n"
    "           and every e-mail address a browser shows (text, title, attribute values)\n"
    "           as character references; scripts, styles, textareas and comments stay as\n"
    "           they are, and so does every other byte. A directory PATH gives every\n"
    "           *.html, *.htm, *.xhtml and *.shtml under it (symbolic links not\n"
    "           followed), each file once.\n"
    "           Each page is replaced whole (written beside it, synced, then renamed over\n"
    "           it, keeping owner, group, mode and extended attributes where allowed), or\n"
    "           left alone and reported: not valid in its encoding, not readable as HTML,\n"
    "           several names (hard links), or changed during the run.\n"
    "           --dry-run  list what would change (FILE:LINE:COLUMN), write nothing\n"
    "           --format FORMAT  report --dry-run's list as check does\n"
    "           --jobs N   N worker processes (default: one per usable processor)\n"
    "           -o FILE    write the one PATH's protected page to FILE, as > would\n"
    "           PATH \"-\": standard input to standard output (or -o FILE)\n"
    "           Exit status: 0 done; 1 a page was left alone; 2 wrong usage, or a file\n"
    "           or directory could not be examined, read or written (read-only ones\n"
    "           included). SIGINT or SIGTERM: the pages under way are finished first.\n"
    "  check    lists, as FILE:LINE:COLUMN: what, every e-mail address and \"mailto:\"\n"
    "           readable in the source of the pages (text, attributes, scripts, styles,\n"
    "           comments alike) and every protected mailto link without a well-formed\n"
    "           address. --quiet: the exit status alone. --jobs N: as for protect.\n"
    "           --format FORMAT  text (the default), json (JSON Lines), sarif (SARIF\n"
    "                            2.1.0), github (workflow commands) or codequality\n"
    "                            (GitLab Code Quality)\n"
    "           --baseline FILE  accept the findings FILE lists (by file, kind and\n"
    "                            text, not line): only new ones are reported\n"
    "           --write-baseline FILE  write every finding to FILE, accepted (status 0)\n"
    "           Exit status: 0 nothing found; 1 something found; 2 wrong usage or a\n"
    "           read error.\n"
    "\n"
    "SELECTION, for protect and check, beside or instead of the PATHs:\n"
    "  --files-from FILE  the files FILE names, one a line (\"-\": standard input), each\n"
    "                     a page whatever its name, a folder as a PATH is\n"
    "  -0, --null         the names of FILE end with NUL (find -print0, git ls-files -z)\n"
    "  --exclude GLOB     leave out what GLOB matches (a folder with all it holds): the\n"
    "                     path below a PATH, a name as the list spells it; * ? [...]\n"
    "                     within a folder name, ** any number of folders; repeatable\n"
    "Control characters in file names are printed as \\xHH, a backslash as \\\\.\n"
    "Summaries go to standard error.\n");

void Print(int fd, std::string_view text)
{
    // Nothing sensible is left to do when even the diagnostics cannot be written.
    static_cast<void>(WriteAll(fd, text));
}

int Misuse(std::string_view problem)
{
    Print(STDERR_FILENO, std::string(CommandName) + ": " + std::string(problem) + "\n");
    Print(STDERR_FILENO, Translated(UsageLines));
    Print(STDERR_FILENO,
          Translated(Translatable("Try 'quillveil-encode --help' for more information.\n")));
    return ExitMisuse;
}

int Failure(std::string_view what, int error)
{
    Print(STDERR_FILENO,
          std::string(CommandName) + ": " + std::string(what) + ": " + std::strerror(error) + "\n");
    return ExitMisuse;
}

/// Writes an answer the caller asked for: one that did not arrive (a full disk, a closed
/// output) must not pass for success.
int Answer(std::string_view text)
{
    if (const int error = WriteAll(STDOUT_FILENO, text))
        return Failure("cannot write standard output", error);
    return ExitCode;
}

/// The text of a link or text argument: the argument itself, or standard input when it is
/// absent or "-". Empty when the input cannot be taken; the error has been reported then.
std::optional<std::string> ReadTextArgument(const std::vector<std::string_view>& args)
{
    if (args.size() == 2 && args[1] != "-")
        return std::string(args[1]);
    std::string input;
    if (const int error = ReadAll(STDIN_FILENO, input)) {
        Failure("cannot read standard input", error);
        return std::nullopt;
    }
    // A text never holds NUL; encoding it would hand back something nobody typed.
    if (const std::size_t nul = input.find('\0'); nul != std::string::npos) {
        Print(STDERR_FILENO, std::string(CommandName) + ": standard input holds a NUL byte (at " +
                                 std::to_string(nul) + "); texts cannot contain one\n");
        return std::nullopt;
    }
    return input;
}

int Run(const std::vector<std::string_view>& args)
{
    if (args.empty())
        return Misuse("no mode given");
    const std::string_view mode = args[0];
    if (args.size() == 1 && mode == "--help")
        return Answer(Translated(UsageLines) + Translated(HelpText));
    if (args.size() == 1 && mode == "--version")
        return Answer(std::string(CommandName) + " (" + std::string(ProgramName) + ") " +
                      std::string(ProgramVersion) + "\n");

    if (mode == "protect" || mode == "check") {
        const std::vector<std::string_view> rest(args.begin() + 1, args.end());
        return mode == "protect" ? RunProtect(rest) : RunCheck(rest);
    }

    EncoderForm form;
    EncoderMode encoderMode{};
    if (mode == "email") {
        if (args.size() != 4 && args.size() != 5)
            return Misuse("email takes USER DOMAIN NAME and an optional SUBJECT");
        encoderMode = EncoderMode::Email;
        form.user = args[1];
        form.domain = args[2];
        form.displayName = args[3];
        if (args.size() == 5)
            form.subject = args[4];
    } else if (mode == "link" || mode == "text") {
        if (args.size() > 2)
            return Misuse(std::string(mode) + " takes at most one argument");
        std::optional<std::string> input = ReadTextArgument(args);
        if (!input)
            return ExitMisuse;
        encoderMode = mode == "link" ? EncoderMode::Link : EncoderMode::AnyText;
        (mode == "link" ? form.link : form.text) = std::move(*input);
    } else {
        return Misuse("unknown mode '" + std::string(mode) + "'");
    }

    // The code can be several times the input: write it piece by piece as it is made. Link
    // mode's reading of the markup runs in a child process, which the parser may crash.
    int writeError = 0;
    const auto write = [&writeError](std::string_view piece) {
        writeError = WriteAll(STDOUT_FILENO, piece);
        return writeError == 0;
    };
    std::optional<GenerateWarning> warning;
    if (encoderMode == EncoderMode::Link) {
        const GenerateResult result = GenerateCodeContained(encoderMode, form);
        if (result.IsCode())
            write(result.GetCode());
        else
            warning = result.GetWarning();
    } else {
        warning = GenerateCodeInPieces(encoderMode, form, write);
    }
    if (warning) {
        Print(STDERR_FILENO, warning->message + "\n");
        return ExitWarning;
    }
    if (writeError == 0)
        writeError = WriteAll(STDOUT_FILENO, "\n");
    if (writeError != 0)
        return Failure("cannot write standard output", writeError);
    return ExitCode;
}

} // namespace

int main(int argc, char** argv)
{
    UseMessageCatalog();
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    try {
        return Run(args);
    } catch (const std::exception& error) {
        // Out of memory, or no process to be had for link mode's reading.
        Print(STDERR_FILENO, std::string(CommandName) + ": " + error.what() + "\n");
        return ExitMisuse;
    }
}
