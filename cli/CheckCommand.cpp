// quillveil-encode check: what an address harvester would find in a site's pages.

#include "Baseline.h"
#include "FileDescriptorIo.h"
#include "EncodedPages.h"
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
#include <new>
#include <string>
#include <unistd.h>
#include <utility>

namespace quillveil {

namespace {

constexpr int ExitNothingFound = 0;
constexpr int ExitFound = 1;
constexpr int ExitTrouble = 2;

struct PageOutcome {
    std::string lines;
    std::string problems;
    std::size_t findings = 0;
    bool read = false;
    /// Findings the baseline accepted, which are not in `lines`.
    std::size_t accepted = 0;
    /// For a baseline to be written: the kind and text of every finding, in a message.
    std::string found;

    std::string Serialize() const
    {
        return MessageWriter()
            .Text(lines)
            .Text(problems)
            .Number(findings)
            .Number(read)
            .Number(accepted)
            .Text(found)
            .Take();
    }
    bool Parse(std::string_view bytes)
    {
        MessageReader reader(bytes);
        lines = reader.Text();
        problems = reader.Text();
        findings = reader.Number();
        read = reader.Number() != 0;
        accepted = reader.Number();
        found = reader.Text();
        return reader.Whole();
    }
};

/// How findings are reported and judged.
struct Reporting {
    ReportFormat format = ReportFormat::Text;
    /// Findings accepted, or null.
    const Baseline* baseline = nullptr;
    /// Whether a baseline is to be written.
    bool collect = false;
};

std::string_view KindName(HarvestFinding::Kind kind)
{
    switch (kind) {
    case HarvestFinding::Kind::Address:
        return "address";
    case HarvestFinding::Kind::Mailto:
        return "mailto";
    case HarvestFinding::Kind::BrokenLink:
        return "broken-link";
    }
    return {};
}

std::string_view PlaceName(HarvestPlace place)
{
    switch (place) {
    case HarvestPlace::Text:
        return "text";
    case HarvestPlace::Attribute:
        return "attribute";
    case HarvestPlace::Title:
        return "title";
    case HarvestPlace::Textarea:
        return "textarea";
    case HarvestPlace::Script:
        return "script";
    case HarvestPlace::Style:
        return "style";
    case HarvestPlace::Comment:
        return "comment";
    case HarvestPlace::CData:
        return "cdata";
    case HarvestPlace::RawText:
        return "raw-text";
    case HarvestPlace::Markup:
        return "markup";
    case HarvestPlace::Unread:
        return "unread";
    }
    return {};
}

int Misuse(std::string_view problem)
{
    static_cast<void>(
        WriteAll(STDERR_FILENO, "quillveil-encode: check: " + std::string(problem) +
                                    "\nUsage: quillveil-encode check [--quiet] [--jobs N] "
                                    "[--format FORMAT] [--baseline FILE] [--write-baseline FILE] "
                                    "[SELECTION] PATH...\nTry 'quillveil-encode --help' for more "
                                    "information.\n"));
    return ExitTrouble;
}

/// In a worker: the findings of one page, read from its file or given (standard input).
/// `parse` false for a page the HTML parser failed on: its findings are then placed as in a
/// page not readable as HTML.
PageOutcome CheckPage(const std::string& path, std::string_view given, bool parse,
                      const Reporting& reporting)
{
    PageOutcome outcome;
    const std::string name = path == "-" ? "-" : PrintableName(path);
    PageFile page;
    if (path != "-")
        if (const int error = ReadPageFile(path, page)) {
            outcome.problems = name + ": cannot read: " + DescribeReadError(error) + "\n";
            return outcome;
        }
    const std::string_view contents = path == "-" ? given : std::string_view(page.contents);
    outcome.read = true;
    Baseline::Counts accepted =
        reporting.baseline ? reporting.baseline->Of(path) : Baseline::Counts();
    Occurrences occurrences;
    MessageWriter found;
    for (const HarvestFinding& finding :
         parse ? FindHarvestableBytes(contents) : FindHarvestableUnparsed(contents)) {
        const std::string_view kind = KindName(finding.kind);
        if (reporting.collect)
            found.Text(kind).Text(finding.text);
        if (!accepted.empty())
            if (const auto at = accepted.find(Baseline::KeyOf(kind, finding.text));
                at != accepted.end() && at->second > 0) {
                --at->second;
                ++outcome.accepted;
                continue;
            }
        ++outcome.findings;
        const std::string message = DescribeFinding(finding);
        outcome.lines += FormatFinding(reporting.format, ReportCommand::Check,
                                       {.path = path,
                                        .position = finding.position,
                                        .offset = finding.offset,
                                        .rule = static_cast<std::size_t>(finding.kind),
                                        .kind = kind,
                                        .text = finding.text,
                                        .where = finding.kind == HarvestFinding::Kind::BrokenLink
                                                     ? "attribute"
                                                     : PlaceName(finding.place),
                                        .attribute = finding.attribute,
                                        .message = message,
                                        .occurrence = reporting.format == ReportFormat::CodeQuality
                                                          ? occurrences.Next(kind, finding.text)
                                                          : 0});
    }
    outcome.found = found.Take();
    return outcome;
}

PageOutcome Guarded(const std::string& path, std::string_view given, bool parse,
                    const Reporting& reporting)
{
    PageOutcome outcome;
    try {
        return CheckPage(path, given, parse, reporting);
    } catch (const std::bad_alloc&) {
        outcome.problems = PrintableName(path) + ": cannot check: out of memory\n";
    } catch (const std::exception& error) {
        outcome.problems = PrintableName(path) + ": cannot check: " + error.what() + "\n";
    }
    return outcome;
}

/// A request: the page, whether to parse it, and the page itself when it is standard input.
std::string Request(std::size_t page, bool parse, std::string_view given)
{
    return MessageWriter().Number(page).Number(parse).Text(given).Take();
}

} // namespace

int RunCheck(const std::vector<std::string_view>& args)
{
    bool quiet = false;
    bool optionsEnd = false;
    std::size_t jobs = 0;
    FileSelection selection;
    std::vector<std::string>& paths = selection.paths;
    Reporting reporting;
    std::string baselineFile;
    std::string writtenBaselineFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string problem;
        const std::string_view arg = args[i];
        std::string_view value;
        if (!optionsEnd && TakeOptionValue(args, i, "--format", value)) {
            const std::optional<ReportFormat> format = ReportFormatNamed(value);
            if (!format)
                return Misuse("--format takes " + std::string(ReportFormatNames) + ", not '" +
                              std::string(value) + "'");
            reporting.format = *format;
        } else if (!optionsEnd && (TakeOptionValue(args, i, "--baseline", value) ||
                                   TakeOptionValue(args, i, "--write-baseline", value))) {
            if (value.empty())
                return Misuse(std::string(arg.substr(0, arg.find('='))) + " takes a FILE");
            (arg.starts_with("--baseline") ? baselineFile : writtenBaselineFile) = value;
        } else if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg == "--quiet") {
            quiet = true;
        } else if (!optionsEnd && (arg == "--jobs" || arg.starts_with("--jobs="))) {
            jobs = ParseJobs(arg == "--jobs" ? (i + 1 < args.size() ? args[++i] : "")
                                             : arg.substr(7));
            if (jobs == 0)
                return Misuse("--jobs takes a number of processes from 1 to 1024");
        } else if (!optionsEnd && TakeSelectionOption(args, i, selection, problem)) {
            if (!problem.empty())
                return Misuse(problem);
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            return Misuse("unknown option '" + std::string(arg) + "'");
        } else {
            paths.emplace_back(arg);
        }
    }
    if (const std::string problem = SelectionProblem(selection); !problem.empty())
        return Misuse(problem);
    const bool readsStandardInput = std::find(paths.begin(), paths.end(), "-") != paths.end();
    if (readsStandardInput && paths.size() != 1)
        return Misuse("standard input is checked alone");

    std::optional<Baseline> baseline;
    if (!baselineFile.empty()) {
        std::string error;
        baseline = Baseline::Read(baselineFile, error);
        if (!baseline) {
            static_cast<void>(
                WriteAll(STDERR_FILENO, "quillveil-encode: check: " + PrintableName(baselineFile) +
                                            ": " + error + "\n"));
            return ExitTrouble;
        }
        reporting.baseline = &*baseline;
    }
    reporting.collect = !writtenBaselineFile.empty();
    Baseline written;

    StopOnInterruption();
    SiteFiles site;
    std::string input; // standard input, read here so that it can be read twice
    if (readsStandardInput) {
        site.pages.push_back({"-", 0, 0});
        if (const int error = ReadAll(STDIN_FILENO, input)) {
            site.errors.push_back(std::string("standard input: cannot read: ") +
                                  std::strerror(error));
            site.pages.clear();
        }
    } else {
        site = FindPages(selection);
    }
    std::string problems = RemoveLeftovers(site);
    for (const std::string& error : site.errors)
        problems += error + "\n";
    static_cast<void>(WriteAll(STDERR_FILENO, problems));
    ReportOutput out;
    FindingReport report(reporting.format, ReportCommand::Check, out);
    if (!quiet) {
        report.Begin();
        report.Problems(problems);
    }

    const std::size_t count = site.pages.size();
    std::vector<PageOutcome> outcomes(count);
    std::vector<char> done(count, 0);
    std::vector<char> unparsed(count, 0);
    std::size_t printed = 0;
    bool troubled = !site.errors.empty();
    std::size_t read = 0;
    std::size_t findings = 0;
    std::size_t pagesWithFindings = 0;
    std::size_t accepted = 0;

    WorkerPool pool(
        std::min(jobs ? jobs : UsableProcessors(), std::max<std::size_t>(count, 1)),
        [&](std::string_view request) {
            MessageReader reader(request);
            const std::size_t page = reader.Number();
            const bool parse = reader.Number() != 0;
            return Guarded(site.pages[page].path, reader.Text(), parse, reporting).Serialize();
        });
    std::deque<WorkRequest> queue;
    for (std::size_t page = 0; page < count; ++page)
        queue.push_back({page, Request(page, true, input)});
    pool.Run(
        queue,
        [&](WorkReply reply) {
            PageOutcome& outcome = outcomes[reply.task];
            if (reply.finished && outcome.Parse(reply.bytes)) {
                done[reply.task] = 1;
            } else if (EndedByCrash(reply) && !unparsed[reply.task]) {
                // The parser failed on the page: its findings without it, as for a page
                // the parser gives up on.
                unparsed[reply.task] = 1;
                queue.push_front({reply.task, Request(reply.task, false, input)});
            } else {
                outcome.problems = PrintableName(site.pages[reply.task].path) +
                                   ": cannot check: " + WhyWorkerEnded(reply) + "\n";
                done[reply.task] = 1;
            }
            for (; printed < count && done[printed]; ++printed) {
                PageOutcome& ready = outcomes[printed];
                if (!quiet) {
                    report.Add(ready.lines);
                    report.Problems(ready.problems);
                }
                static_cast<void>(WriteAll(STDERR_FILENO, ready.problems));
                troubled = troubled || !ready.problems.empty();
                read += ready.read;
                findings += ready.findings;
                pagesWithFindings += ready.findings > 0;
                accepted += ready.accepted;
                for (MessageReader found(ready.found); found.Whole() && !found.AtEnd();) {
                    const std::string_view kind = found.Text();
                    written.Add(site.pages[printed].path, kind, found.Text());
                }
                // A site's report need not fit in memory. (Assigning an empty outcome would
                // keep the strings' buffers: the printed outcome is destroyed instead.)
                std::exchange(ready, PageOutcome());
            }
        },
        [&] { return StopRequested() || out.Error() != 0; });

    if (!quiet) {
        std::string summary = "quillveil-encode check: " + std::to_string(read) + " files read, " +
                              std::to_string(findings) + " found in " +
                              std::to_string(pagesWithFindings) + " files";
        if (baseline)
            summary += ", " + std::to_string(accepted) + " accepted by the baseline";
        if (printed < count)
            summary += ", " + std::to_string(count - printed) + " not reached (stopped)";
        static_cast<void>(WriteAll(STDERR_FILENO, summary + "\n"));
        report.End({{"filesRead", read},
                    {"findings", findings},
                    {"filesWithFindings", pagesWithFindings},
                    {"acceptedByBaseline", accepted},
                    {"notReached", count - printed}},
                   !troubled && printed == count);
    }
    EndIfInterrupted();
    if (printed < count)
        troubled = true;
    if (reporting.collect) {
        // A run that did not read every page would accept less than the site holds.
        const int error = troubled ? 0 : written.Write(writtenBaselineFile);
        static_cast<void>(WriteAll(
            STDERR_FILENO, "quillveil-encode check: " + PrintableName(writtenBaselineFile) +
                               (troubled ? ": baseline not written: not every page was read"
                                : error  ? std::string(": cannot write: ") + std::strerror(error)
                                         : ": baseline written, accepting every finding") +
                               "\n"));
        // The findings it lists are accepted from now on.
        return out.Finish(troubled || error ? ExitTrouble : ExitNothingFound);
    }
    return out.Finish(troubled ? ExitTrouble : findings > 0 ? ExitFound : ExitNothingFound);
}

} // namespace quillveil
