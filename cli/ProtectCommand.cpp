// quillveil-encode protect: rewrites the addresses of a site's pages in place.

#include "AtomicFile.h"
#include "EncodedPages.h"
#include "FileDescriptorIo.h"
#include "FindingReport.h"
#include "Interruption.h"
#include "OptionValue.h"
#include "PageCommands.h"
#include "PageFile.h"
#include "SiteFiles.h"
#include "WorkerMessage.h"
#include "WorkerPool.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <map>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillveil {

namespace {

constexpr int ExitDone = 0;
constexpr int ExitLeftAlone = 1;
constexpr int ExitTrouble = 2;

/// New pages wait to be renamed over the old ones until this many bytes or pages are
/// written: then one sync puts them all on disk first.
constexpr std::size_t BatchBytes = 64 << 20;
constexpr std::size_t BatchPages = 1000;

/// What became of one page: filled in by a worker, completed by the main process.
struct PageOutcome {
    std::string dryRunLines;
    std::string problems;
    int status = ExitDone;
    bool read = false;
    bool changed = false;
    std::size_t addresses = 0;
    /// Where the new page waits to be renamed over the page, which was `version` when read.
    std::string temporary;
    FileVersion version;
    std::size_t newSize = 0;
    /// What of the page the new one could not be given (NewFile::notKept).
    std::string notKept;
    /// In a pipe: the protected page.
    std::string text;

    std::string Serialize() const
    {
        return MessageWriter()
            .Text(dryRunLines)
            .Text(problems)
            .Number(static_cast<std::uint64_t>(status))
            .Number(read)
            .Number(changed)
            .Number(addresses)
            .Text(temporary)
            .Number(version.device)
            .Number(version.inode)
            .Number(static_cast<std::uint64_t>(version.size))
            .Number(static_cast<std::uint64_t>(version.modified.tv_sec))
            .Number(static_cast<std::uint64_t>(version.modified.tv_nsec))
            .Number(static_cast<std::uint64_t>(version.changed.tv_sec))
            .Number(static_cast<std::uint64_t>(version.changed.tv_nsec))
            .Number(newSize)
            .Text(notKept)
            .Text(text)
            .Take();
    }

    /// False when `bytes` is not a whole outcome.
    bool Parse(std::string_view bytes)
    {
        MessageReader reader(bytes);
        dryRunLines = reader.Text();
        problems = reader.Text();
        status = static_cast<int>(reader.Number());
        read = reader.Number() != 0;
        changed = reader.Number() != 0;
        addresses = reader.Number();
        temporary = reader.Text();
        version.device = reader.Number();
        version.inode = reader.Number();
        version.size = static_cast<off_t>(reader.Number());
        version.modified.tv_sec = static_cast<time_t>(reader.Number());
        version.modified.tv_nsec = static_cast<long>(reader.Number());
        version.changed.tv_sec = static_cast<time_t>(reader.Number());
        version.changed.tv_nsec = static_cast<long>(reader.Number());
        newSize = reader.Number();
        notKept = reader.Text();
        text = reader.Text();
        return reader.Whole();
    }
};

struct Options {
    bool dryRun = false;
    ReportFormat format = ReportFormat::Text;
    std::string output; // -o FILE
    std::size_t jobs = 0;
    FileSelection files;
};

int Misuse(std::string_view problem)
{
    static_cast<void>(WriteAll(
        STDERR_FILENO,
        "quillveil-encode: protect: " + std::string(problem) +
            "\nUsage: quillveil-encode protect [--dry-run [--format FORMAT]] [--jobs N] "
            "[-o FILE] [SELECTION] PATH...\nTry 'quillveil-encode --help' for more "
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

/// What a change does, in words; `piece`: what it rewrites, as UTF-8.
std::string DescribeChange(const PageChange& change, std::string_view piece)
{
    switch (change.kind) {
    case PageChange::Kind::MailtoUrl:
        return "would protect mailto URL " + Flat(piece);
    case PageChange::Kind::Address:
        return "would protect address " + std::string(piece);
    case PageChange::Kind::MailtoText:
        return "would protect \"" + std::string(piece) + "\"";
    }
    return "would protect";
}

std::string_view KindName(PageChange::Kind kind)
{
    switch (kind) {
    case PageChange::Kind::MailtoUrl:
        return "mailto-url";
    case PageChange::Kind::Address:
        return "address";
    case PageChange::Kind::MailtoText:
        return "mailto-text";
    }
    return {};
}

/// Protects `contents`, the page at `path`; fills in everything of `outcome` but writing.
ProtectedPage Protect(const std::string& name, std::string_view path, std::string_view contents,
                      const Options& options, PageOutcome& outcome)
{
    outcome.read = true;
    ProtectedPageBytes protectedBytes = ProtectPageBytes(contents);
    ProtectedPage& result = protectedBytes.page;
    if (result.outcome == ProtectedPage::Outcome::Unreadable) {
        outcome.problems += name + ": left alone: " + protectedBytes.problem + " (line " +
                            std::to_string(result.problemPosition.line) + ", column " +
                            std::to_string(result.problemPosition.column) + ")\n";
        outcome.status = ExitLeftAlone;
    } else if (result.outcome == ProtectedPage::Outcome::Changed) {
        outcome.changed = true;
        outcome.addresses = result.AddressCount();
        Occurrences occurrences;
        for (std::size_t i = 0; options.dryRun && i < result.changes.size(); ++i) {
            const PageChange& change = result.changes[i];
            const std::string_view piece = protectedBytes.changedText[i];
            const std::string message = DescribeChange(change, piece);
            const std::string_view kind = KindName(change.kind);
            outcome.dryRunLines +=
                FormatFinding(options.format, ReportCommand::Protect,
                              {.path = path,
                               .position = change.position,
                               .offset = change.begin,
                               .rule = static_cast<std::size_t>(change.kind),
                               .kind = kind,
                               .text = piece,
                               .where = {},
                               .attribute = {},
                               .message = message,
                               .occurrence = options.format == ReportFormat::CodeQuality
                                                 ? occurrences.Next(kind, piece)
                                                 : 0});
        }
    }
    return std::move(result);
}

void LeaveAlone(PageOutcome& outcome, const std::string& problem, int status)
{
    outcome.problems += problem + "\n";
    outcome.status = std::max(outcome.status, status);
    outcome.changed = false;
    outcome.addresses = 0;
    outcome.dryRunLines.clear();
}

void Fail(PageOutcome& outcome, const std::string& problem)
{
    LeaveAlone(outcome, problem, ExitTrouble);
}

void ChangedDuringRun(PageOutcome& outcome, const std::string& name)
{
    LeaveAlone(outcome, name + ": changed during the run: left as it is", ExitLeftAlone);
}

/// In a worker: protects the page file and writes the new page beside it.
PageOutcome ProtectFile(const SitePage& page, const Options& options)
{
    PageOutcome outcome;
    const std::string name = PrintableName(page.path);
    PageFile file;
    if (const int error = ReadPageFile(page.path, file)) {
        if (error == EAGAIN)
            ChangedDuringRun(outcome, name);
        else
            Fail(outcome, name + ": cannot read: " + DescribeReadError(error));
        return outcome;
    }
    if (file.info.st_dev != page.device || file.info.st_ino != page.inode) {
        ChangedDuringRun(outcome, name);
        return outcome;
    }
    const ProtectedPage result = Protect(name, page.path, file.contents, options, outcome);
    if (!outcome.changed)
        return outcome;
    if (const std::string why = WhyNotWritable(page.path, file.info); !why.empty()) {
        Fail(outcome, name + ": left alone: " + why);
        return outcome;
    }
    // A new file would part the names: the ones not given here would keep the old page.
    if (file.info.st_nlink > 1) {
        LeaveAlone(outcome,
                   name + ": left alone: it has " + std::to_string(file.info.st_nlink) +
                       " names (hard links), which protecting it would part",
                   ExitLeftAlone);
        return outcome;
    }
    if (options.dryRun)
        return outcome;
    NewFile newFile;
    if (const int error = WriteNewFile(page.path, result.text, &file.info, newFile)) {
        Fail(outcome, name + ": cannot write: " + std::strerror(error));
        return outcome;
    }
    outcome.temporary = std::move(newFile.temporary);
    outcome.notKept = std::move(newFile.notKept);
    outcome.version = FileVersion::Of(file.info);
    outcome.newSize = result.text.size();
    return outcome;
}

/// Whatever goes wrong with one page is that page's outcome, never the run's end.
template <class Work> PageOutcome Guarded(const std::string& name, Work work)
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        PageOutcome outcome;
        Fail(outcome, name + ": cannot protect: out of memory");
        return outcome;
    } catch (const std::exception& error) {
        PageOutcome outcome;
        Fail(outcome, name + ": cannot protect: " + error.what());
        return outcome;
    }
}

/// The outcome of a page whose worker died on it.
PageOutcome DiedOn(const std::string& name, const WorkReply& reply)
{
    PageOutcome outcome;
    if (EndedByCrash(reply)) {
        outcome.read = true;
        LeaveAlone(outcome,
                   name + ": left alone: " +
                       std::string(DescribeProblem(HtmlProblemKind::ParserFailed)) +
                       " (line 1, column 1)",
                   ExitLeftAlone);
    } else {
        Fail(outcome, name + ": cannot protect: " + WhyWorkerEnded(reply));
    }
    return outcome;
}

/// Writes `text` to `output` as a shell's ">" would: through symbolic links, into a device
/// or a FIFO as it is; a regular file (or none) is replaced whole, atomically, keeping what
/// it had besides its bytes. Returns 0 or an errno; `notKept` as NewFile's.
int WriteOutput(const std::string& output, std::string_view text, std::string& notKept)
{
    std::string target = output;
    struct stat info {};
    for (int links = 0; lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode); ++links) {
        std::string destination(PATH_MAX, '\0');
        const ssize_t size = readlink(target.c_str(), destination.data(), destination.size());
        if (links == 40 || size < 0)
            return links == 40 ? ELOOP : errno;
        destination.resize(static_cast<std::size_t>(size));
        target = destination.starts_with('/') || target.find('/') == std::string::npos
                     ? destination
                     : DirectoryOf(target) + destination;
    }
    const bool exists = lstat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT)
        return errno;
    // A file with other names (hard links) is written in place, as ">" does: all see it.
    if (!exists || (S_ISREG(info.st_mode) && info.st_nlink == 1))
        return ReplaceFile(target, text, exists ? &info : nullptr, notKept);
    const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return errno;
    int error = WriteAll(fd, text);
    if (close(fd) != 0 && !error)
        error = errno;
    return error;
}

/// One page from a file or standard input to a file or standard output. A page left alone
/// is passed on as it came, so a pipe always carries a whole page. The page is read here and
/// protected in a worker, so that the page is passed on even if the parser fails on it.
PageOutcome ProtectInPipe(const Options& options, ReportOutput& out)
{
    PageOutcome outcome;
    const std::string& input = options.files.paths.front();
    const std::string name = input == "-" ? "-" : PrintableName(input);
    PageFile page;
    if (const int error =
            input == "-" ? ReadAll(STDIN_FILENO, page.contents) : ReadPageFile(input, page)) {
        Fail(outcome, input == "-" ? std::string("standard input: cannot read: ") +
                                         std::strerror(error)
                                   : name + ": cannot read: " + DescribeReadError(error));
        return outcome;
    }
    WorkerPool pool(1, [&](std::string_view request) {
        return Guarded(name, [&] {
                   PageOutcome piped;
                   const ProtectedPage result =
                       Protect(name, input, MessageReader(request).Text(), options, piped);
                   if (piped.changed)
                       piped.text = result.text;
                   return piped;
               })
            .Serialize();
    });
    std::deque<WorkRequest> queue{{0, MessageWriter().Text(page.contents).Take()}};
    pool.Run(
        queue,
        [&](WorkReply reply) {
            if (!reply.finished || !outcome.Parse(reply.bytes))
                outcome = DiedOn(name, reply);
        },
        StopRequested);
    if (!queue.empty())
        return outcome; // interrupted before the page was protected: nothing to write
    if (options.dryRun) {
        FindingReport report(options.format, ReportCommand::Protect, out);
        report.Begin();
        report.Add(outcome.dryRunLines);
        report.Problems(outcome.problems);
        report.End({{"filesRead", outcome.read},
                    {"wouldChange", outcome.changed},
                    {"addresses", outcome.addresses},
                    {"skipped", outcome.status != ExitDone}},
                   outcome.status == ExitDone);
        return outcome;
    }
    const std::string_view text = outcome.changed ? std::string_view(outcome.text) : page.contents;
    if (options.output.empty() || options.output == "-") {
        out.Write(text);
    } else if (const int error = WriteOutput(options.output, text, outcome.notKept)) {
        Fail(outcome, PrintableName(options.output) + ": cannot write: " + std::strerror(error));
    } else if (!outcome.notKept.empty()) {
        outcome.problems += PrintableName(options.output) +
                            ": warning: written, but could not keep its " + outcome.notKept + "\n";
    }
    return outcome;
}

/// A site's pages protected by workers; the new pages renamed over the old ones a batch at
/// a time, once the batch is on disk and right after checking that no page was edited since
/// it was read.
class SiteProtection {
public:
    SiteProtection(const Options& options, ReportOutput& out)
        : m_options(options), m_out(out), m_report(options.format, ReportCommand::Protect, out),
          m_site(FindPages(options.files))
    {}

    /// Returns the exit status.
    int Run();

private:
    void Done(WorkReply reply);
    void Commit();
    void PrintReady();
    std::string Name(std::size_t page) const { return PrintableName(m_site.pages[page].path); }

    const Options& m_options;
    ReportOutput& m_out;
    FindingReport m_report;
    SiteFiles m_site;
    std::vector<PageOutcome> m_outcomes;
    /// Which outcomes are final, and the first not yet printed: reports come in file order.
    std::vector<char> m_final;
    std::size_t m_printed = 0;
    std::vector<std::size_t> m_batch;
    std::size_t m_batchBytes = 0;
    /// A page on each filesystem where pages were renamed, for the last sync.
    std::map<dev_t, std::string> m_renamedOn;
};

void SiteProtection::Done(WorkReply reply)
{
    PageOutcome& outcome = m_outcomes[reply.task];
    if (!reply.finished || !outcome.Parse(reply.bytes))
        outcome = DiedOn(Name(reply.task), reply);
    if (outcome.temporary.empty()) {
        m_final[reply.task] = 1;
    } else {
        m_batch.push_back(reply.task);
        m_batchBytes += outcome.newSize;
        if (m_batchBytes >= BatchBytes || m_batch.size() >= BatchPages)
            Commit();
    }
    PrintReady();
}

void SiteProtection::Commit()
{
    // One sync a filesystem puts every new page of the batch on disk before any is renamed.
    std::map<dev_t, int> synced;
    for (const std::size_t page : m_batch) {
        PageOutcome& outcome = m_outcomes[page];
        const auto [at, first] = synced.emplace(outcome.version.device, 0);
        if (first)
            at->second = SyncFileSystemOf(outcome.temporary);
        int error = at->second;
        struct stat now {};
        const std::string& path = m_site.pages[page].path;
        if (!error && (lstat(path.c_str(), &now) != 0 || !(FileVersion::Of(now) == outcome.version))) {
            unlink(outcome.temporary.c_str());
            ChangedDuringRun(outcome, Name(page));
        } else if (error || rename(outcome.temporary.c_str(), path.c_str()) != 0) {
            error = error ? error : errno;
            unlink(outcome.temporary.c_str());
            Fail(outcome, Name(page) + ": cannot write: " + std::strerror(error));
        } else {
            m_renamedOn.emplace(outcome.version.device, path);
            if (!outcome.notKept.empty())
                outcome.problems += Name(page) + ": warning: protected, but could not keep its " +
                                    outcome.notKept + "\n";
        }
        outcome.temporary.clear();
        m_final[page] = 1;
    }
    m_batch.clear();
    m_batchBytes = 0;
}

void SiteProtection::PrintReady()
{
    for (; m_printed < m_final.size() && m_final[m_printed]; ++m_printed) {
        PageOutcome& outcome = m_outcomes[m_printed];
        m_report.Add(outcome.dryRunLines);
        if (m_options.dryRun)
            m_report.Problems(outcome.problems);
        static_cast<void>(WriteAll(STDERR_FILENO, outcome.problems));
        // Only the counts are wanted from here on: a site's report need not fit in memory.
        // (Assigning an empty string would keep the buffer; exchanging frees it.)
        std::exchange(outcome.dryRunLines, std::string());
        std::exchange(outcome.problems, std::string());
    }
}

int SiteProtection::Run()
{
    std::string problems = RemoveLeftovers(m_site);
    for (const std::string& error : m_site.errors)
        problems += error + "\n";
    static_cast<void>(WriteAll(STDERR_FILENO, problems));
    if (m_options.dryRun) {
        m_report.Begin();
        m_report.Problems(problems);
    }
    problems.clear();

    const std::size_t count = m_site.pages.size();
    m_outcomes.resize(count);
    m_final.assign(count, 0);
    const std::size_t jobs =
        std::min(m_options.jobs ? m_options.jobs : UsableProcessors(), std::max<std::size_t>(count, 1));
    WorkerPool pool(
        jobs,
        [&](std::string_view request) {
            const std::size_t page = MessageReader(request).Number();
            return Guarded(Name(page), [&] { return ProtectFile(m_site.pages[page], m_options); })
                .Serialize();
        },
        [](std::string_view reply) {
            // The main process is gone: no one will rename the new page, or remove it.
            PageOutcome lost;
            if (lost.Parse(reply) && !lost.temporary.empty())
                unlink(lost.temporary.c_str());
        });
    std::deque<WorkRequest> queue;
    for (std::size_t page = 0; page < count; ++page)
        queue.push_back({page, MessageWriter().Number(page).Take()});
    pool.Run(queue, [&](WorkReply reply) { Done(std::move(reply)); },
             [&] { return StopRequested() || m_out.Error() != 0; });
    Commit();
    PrintReady();

    int status = m_site.errors.empty() ? ExitDone : ExitTrouble;
    for (const auto& [device, path] : m_renamedOn)
        if (const int error = SyncFileSystemOf(path)) {
            problems += PrintableName(DirectoryOf(path)) + ": cannot sync: " + std::strerror(error) + "\n";
            status = ExitTrouble;
        }
    std::size_t read = 0;
    std::size_t changed = 0;
    std::size_t addresses = 0;
    std::size_t skipped = m_site.errors.size();
    for (std::size_t page = 0; page < m_printed; ++page) {
        const PageOutcome& outcome = m_outcomes[page];
        read += outcome.read;
        changed += outcome.changed;
        addresses += outcome.addresses;
        skipped += outcome.status != ExitDone;
        status = std::max(status, outcome.status);
    }
    const bool dryRun = m_options.dryRun;
    problems += "quillveil-encode protect: " + std::to_string(read) + " files read, " +
                std::to_string(changed) + (dryRun ? " would change, " : " changed, ") +
                std::to_string(addresses) +
                (dryRun ? " addresses would be protected, " : " addresses protected, ") +
                std::to_string(skipped) + " skipped";
    if (m_printed < count)
        problems += ", " + std::to_string(count - m_printed) + " not reached (stopped)";
    static_cast<void>(WriteAll(STDERR_FILENO, problems + "\n"));
    if (dryRun) {
        m_report.Problems(problems.substr(0, problems.rfind('\n') + 1)); // the syncs'
        m_report.End({{"filesRead", read},
                      {"wouldChange", changed},
                      {"addresses", addresses},
                      {"skipped", skipped},
                      {"notReached", count - m_printed}},
                     status == ExitDone && m_printed == count);
    }
    return status;
}

bool ParseOptions(const std::vector<std::string_view>& args, Options& options, int& status)
{
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        std::string problem;
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg == "--dry-run") {
            options.dryRun = true;
        } else if (std::string_view formatName;
                   !optionsEnd && TakeOptionValue(args, i, "--format", formatName)) {
            const std::optional<ReportFormat> format = ReportFormatNamed(formatName);
            if (!format) {
                status = Misuse("--format takes " + std::string(ReportFormatNames) + ", not '" +
                                std::string(formatName) + "'");
                return false;
            }
            options.format = *format;
        } else if (!optionsEnd && (arg == "--jobs" || arg.starts_with("--jobs="))) {
            const std::string_view value =
                arg == "--jobs" ? (i + 1 < args.size() ? args[++i] : "") : arg.substr(7);
            options.jobs = ParseJobs(value);
            if (options.jobs == 0) {
                status = Misuse("--jobs takes a number of processes from 1 to 1024");
                return false;
            }
        } else if (!optionsEnd && arg == "-o") {
            if (i + 1 == args.size() || !options.output.empty()) {
                status = Misuse("-o takes one FILE, once");
                return false;
            }
            options.output = args[++i];
        } else if (!optionsEnd && TakeSelectionOption(args, i, options.files, problem)) {
            if (!problem.empty()) {
                status = Misuse(problem);
                return false;
            }
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            status = Misuse("unknown option '" + std::string(arg) + "'");
            return false;
        } else {
            options.files.paths.emplace_back(arg);
        }
    }
    if (const std::string problem = SelectionProblem(options.files); !problem.empty()) {
        status = Misuse(problem);
        return false;
    }
    if (options.format != ReportFormat::Text && !options.dryRun) {
        status = Misuse("--format reports what --dry-run finds");
        return false;
    }
    const std::vector<std::string>& paths = options.files.paths;
    const bool readsStandardInput = std::find(paths.begin(), paths.end(), "-") != paths.end();
    if ((readsStandardInput || !options.output.empty()) &&
        (paths.size() != 1 || !options.files.lists.empty())) {
        status = Misuse("standard input and -o FILE take exactly one page");
        return false;
    }
    return true;
}

} // namespace

int RunProtect(const std::vector<std::string_view>& args)
{
    Options options;
    int status = ExitDone;
    if (!ParseOptions(args, options, status))
        return status;

    StopOnInterruption();
    ReportOutput out;
    if (!options.output.empty() ||
        (!options.files.paths.empty() && options.files.paths.front() == "-")) {
        const PageOutcome outcome = ProtectInPipe(options, out);
        static_cast<void>(WriteAll(STDERR_FILENO, outcome.problems));
        status = outcome.status;
    } else {
        status = SiteProtection(options, out).Run();
    }
    EndIfInterrupted();
    return out.Finish(status);
}

} // namespace quillveil
