// quillveil-encode protect: rewrites the addresses of a site's pages in place.

#include "AtomicFile.h"
#include "FileDescriptorIo.h"
#include "PageCommands.h"
#include "PageFile.h"
#include "PageProtector.h"
#include "ParallelWork.h"
#include "SiteFiles.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quillveil {

namespace {

constexpr int ExitDone = 0;
constexpr int ExitLeftAlone = 1;
constexpr int ExitTrouble = 2;

/// What became of one page; kept until all are done, so reports come in file order.
struct PageOutcome {
    std::string dryRunLines;
    std::string problems;
    int status = ExitDone;
    bool read = false;
    bool changed = false;
    /// A new file was renamed over the page.
    bool replaced = false;
    std::size_t addresses = 0;
};

/// Syncs each directory in which pages were replaced, once: the renames are then on disk.
/// Returns the problems, one a line.
std::string SyncDirectories(const std::vector<std::string>& pages,
                            const std::vector<PageOutcome>& outcomes)
{
    std::vector<std::string> pagesIn; // one page of each directory
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (outcomes[i].replaced)
            pagesIn.push_back(pages[i].substr(0, pages[i].rfind('/') + 1) + ".");
    std::sort(pagesIn.begin(), pagesIn.end());
    pagesIn.erase(std::unique(pagesIn.begin(), pagesIn.end()), pagesIn.end());
    std::string problems;
    for (const std::string& page : pagesIn)
        if (const int error = SyncDirectoryOf(page))
            problems += page.substr(0, page.size() - 1) +
                        ": cannot sync directory: " + std::strerror(error) + "\n";
    return problems;
}

struct Options {
    bool dryRun = false;
    std::string output; // -o FILE
    std::vector<std::string> paths;
};

int Misuse(std::string_view problem)
{
    static_cast<void>(
        WriteAll(STDERR_FILENO, "quillveil-encode: protect: " + std::string(problem) +
                                    "\nUsage: quillveil-encode protect [--dry-run] [-o FILE] "
                                    "PATH...\nTry 'quillveil-encode --help' for more "
                                    "information.\n"));
    return ExitTrouble;
}

std::string Flat(std::string_view text)
{
    std::string flat(text);
    std::replace_if(
        flat.begin(), flat.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return flat;
}

std::string DescribeChange(const std::string& name, std::string_view source,
                           const PageChange& change)
{
    std::string line = name + ":" + std::to_string(change.position.line) + ":" +
                       std::to_string(change.position.column) + ": would protect ";
    const std::string_view piece = source.substr(change.begin, change.end - change.begin);
    switch (change.kind) {
    case PageChange::Kind::MailtoUrl:
        return line + "mailto URL " + Flat(piece) + "\n";
    case PageChange::Kind::Address:
        return line + "address " + std::string(piece) + "\n";
    case PageChange::Kind::MailtoText:
        return line + "\"" + std::string(piece) + "\"\n";
    }
    return line + "\n";
}

/// Protects what `page` holds; fills in everything of `outcome` but writing.
ProtectedPage Protect(const std::string& name, const PageFile& page, bool dryRun,
                      PageOutcome& outcome)
{
    outcome.read = true;
    ProtectedPage result = ProtectPage(page.contents);
    if (result.outcome == ProtectedPage::Outcome::Unreadable) {
        outcome.problems += name +
                            ": left alone: " + std::string(DescribeProblem(result.problem.kind)) +
                            " (line " + std::to_string(result.problemPosition.line) + ", column " +
                            std::to_string(result.problemPosition.column) + ")\n";
        outcome.status = ExitLeftAlone;
    } else if (result.outcome == ProtectedPage::Outcome::Changed) {
        outcome.changed = true;
        outcome.addresses = result.AddressCount();
        if (dryRun)
            for (const PageChange& change : result.changes)
                outcome.dryRunLines += DescribeChange(name, page.contents, change);
    }
    return result;
}

void Fail(PageOutcome& outcome, const std::string& problem)
{
    outcome.problems += problem + "\n";
    outcome.status = ExitTrouble;
    outcome.changed = false;
    outcome.addresses = 0;
}

PageOutcome ProtectInPlace(const std::string& path, bool dryRun)
{
    PageOutcome outcome;
    PageFile page;
    if (const int error = ReadPageFile(path, page)) {
        Fail(outcome, path + ": cannot read: " + std::strerror(error));
        return outcome;
    }
    const ProtectedPage result = Protect(path, page, dryRun, outcome);
    if (!outcome.changed)
        return outcome;
    if (const std::string why = WhyNotWritable(path, page.info); !why.empty()) {
        Fail(outcome, path + ": left alone: " + why);
        return outcome;
    }
    if (dryRun)
        return outcome;
    if (const int error =
            ReplaceFile(path, result.text, page.info.st_mode, page.info.st_uid, page.info.st_gid))
        Fail(outcome, path + ": cannot write: " + std::strerror(error));
    else
        outcome.replaced = true;
    return outcome;
}

/// One page from a file or standard input to a file or standard output. A page left alone
/// is passed on as it came, so a pipe always carries a whole page.
PageOutcome ProtectInPipe(const std::string& input, const std::string& output, bool dryRun)
{
    PageOutcome outcome;
    PageFile page;
    const std::string name = input == "-" ? "-" : input;
    if (const int error = ReadPageFile(input, page)) {
        Fail(outcome,
             (input == "-" ? "standard input" : input) + ": cannot read: " + std::strerror(error));
        return outcome;
    }
    const ProtectedPage result = Protect(name, page, dryRun, outcome);
    if (dryRun)
        return outcome;
    const std::string_view text = outcome.changed ? std::string_view(result.text) : page.contents;
    if (output == "-") {
        if (const int error = WriteAll(STDOUT_FILENO, text))
            Fail(outcome, std::string("cannot write standard output: ") + std::strerror(error));
        return outcome;
    }
    struct stat existing {};
    mode_t mode = 0666;
    uid_t owner = geteuid();
    gid_t group = getegid();
    if (stat(output.c_str(), &existing) == 0) {
        mode = existing.st_mode;
        owner = existing.st_uid;
        group = existing.st_gid;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    int error = ReplaceFile(output, text, mode, owner, group);
    if (!error)
        error = SyncDirectoryOf(output);
    if (error)
        Fail(outcome, output + ": cannot write: " + std::strerror(error));
    return outcome;
}

bool ParseOptions(const std::vector<std::string_view>& args, Options& options, int& status)
{
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg == "--dry-run") {
            options.dryRun = true;
        } else if (!optionsEnd && arg == "-o") {
            if (i + 1 == args.size() || !options.output.empty()) {
                status = Misuse("-o takes one FILE, once");
                return false;
            }
            options.output = args[++i];
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            status = Misuse("unknown option '" + std::string(arg) + "'");
            return false;
        } else {
            options.paths.emplace_back(arg);
        }
    }
    if (options.paths.empty()) {
        status = Misuse("no PATH given");
        return false;
    }
    const bool readsStandardInput =
        std::find(options.paths.begin(), options.paths.end(), "-") != options.paths.end();
    if ((readsStandardInput || !options.output.empty()) && options.paths.size() != 1) {
        status = Misuse("standard input and -o FILE take exactly one page");
        return false;
    }
    return true;
}

void PrintSummary(const std::vector<PageOutcome>& outcomes, std::size_t errors, bool dryRun)
{
    std::size_t read = 0;
    std::size_t changed = 0;
    std::size_t addresses = 0;
    std::size_t skipped = errors;
    for (const PageOutcome& outcome : outcomes) {
        read += outcome.read;
        changed += outcome.changed;
        addresses += outcome.addresses;
        skipped += outcome.status != ExitDone;
    }
    const std::string summary =
        "quillveil-encode protect: " + std::to_string(read) + " files read, " +
        std::to_string(changed) + (dryRun ? " would change, " : " changed, ") +
        std::to_string(addresses) +
        (dryRun ? " addresses would be protected, " : " addresses protected, ") +
        std::to_string(skipped) + " skipped\n";
    static_cast<void>(WriteAll(STDERR_FILENO, summary));
}

} // namespace

int RunProtect(const std::vector<std::string_view>& args)
{
    Options options;
    int status = ExitDone;
    if (!ParseOptions(args, options, status))
        return status;

    RemoveTemporaryFilesOnSignals();
    std::vector<PageOutcome> outcomes;
    std::vector<std::string> errors;
    if (options.paths.front() == "-" || !options.output.empty()) {
        outcomes.push_back(ProtectInPipe(
            options.paths.front(), options.output.empty() ? "-" : options.output, options.dryRun));
    } else {
        SiteFiles site = FindPages(options.paths);
        errors = std::move(site.errors);
        outcomes.resize(site.pages.size());
        ForEachInParallel(site.pages.size(), [&](std::size_t i) {
            outcomes[i] = ProtectInPlace(site.pages[i], options.dryRun);
        });
        if (const std::string problems = SyncDirectories(site.pages, outcomes); !problems.empty())
            errors.push_back(problems.substr(0, problems.size() - 1));
    }

    std::string report;
    std::string problems;
    for (const std::string& error : errors)
        problems += error + "\n";
    status = errors.empty() ? ExitDone : ExitTrouble;
    for (const PageOutcome& outcome : outcomes) {
        report += outcome.dryRunLines;
        problems += outcome.problems;
        status = std::max(status, outcome.status);
    }
    static_cast<void>(WriteAll(STDOUT_FILENO, report));
    static_cast<void>(WriteAll(STDERR_FILENO, problems));
    PrintSummary(outcomes, errors.size(), options.dryRun);
    return status;
}

} // namespace quillveil
