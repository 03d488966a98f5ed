// quillveil-encode check: what an address harvester would find in a site's pages.

#include "FileDescriptorIo.h"
#include "HarvestCheck.h"
#include "PageCommands.h"
#include "PageFile.h"
#include "ParallelWork.h"
#include "SiteFiles.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>

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
};

int Misuse(std::string_view problem)
{
    static_cast<void>(WriteAll(STDERR_FILENO, "quillveil-encode: check: " + std::string(problem) +
                                                  "\nUsage: quillveil-encode check [--quiet] "
                                                  "PATH...\nTry 'quillveil-encode --help' for "
                                                  "more information.\n"));
    return ExitTrouble;
}

PageOutcome CheckPage(const std::string& path)
{
    PageOutcome outcome;
    PageFile page;
    if (const int error = ReadPageFile(path, page)) {
        outcome.problems = (path == "-" ? "standard input" : path) +
                           ": cannot read: " + std::strerror(error) + "\n";
        return outcome;
    }
    outcome.read = true;
    for (const HarvestFinding& finding : FindHarvestable(page.contents)) {
        outcome.lines += path + ":" + std::to_string(finding.position.line) + ":" +
                         std::to_string(finding.position.column) + ": " + DescribeFinding(finding) +
                         "\n";
        ++outcome.findings;
    }
    return outcome;
}

} // namespace

int RunCheck(const std::vector<std::string_view>& args)
{
    bool quiet = false;
    bool optionsEnd = false;
    std::vector<std::string> paths;
    for (const std::string_view arg : args) {
        if (!optionsEnd && arg == "--")
            optionsEnd = true;
        else if (!optionsEnd && arg == "--quiet")
            quiet = true;
        else if (!optionsEnd && arg.size() > 1 && arg[0] == '-')
            return Misuse("unknown option '" + std::string(arg) + "'");
        else
            paths.emplace_back(arg);
    }
    if (paths.empty())
        return Misuse("no PATH given");
    const bool readsStandardInput = std::find(paths.begin(), paths.end(), "-") != paths.end();
    if (readsStandardInput && paths.size() != 1)
        return Misuse("standard input is checked alone");

    SiteFiles site;
    if (readsStandardInput)
        site.pages = paths;
    else
        site = FindPages(paths);
    std::vector<PageOutcome> outcomes(site.pages.size());
    ForEachInParallel(site.pages.size(),
                      [&](std::size_t i) { outcomes[i] = CheckPage(site.pages[i]); });

    std::string report;
    std::string problems;
    for (const std::string& error : site.errors)
        problems += error + "\n";
    std::size_t read = 0;
    std::size_t findings = 0;
    std::size_t pagesWithFindings = 0;
    for (const PageOutcome& outcome : outcomes) {
        report += outcome.lines;
        problems += outcome.problems;
        read += outcome.read;
        findings += outcome.findings;
        pagesWithFindings += outcome.findings > 0;
    }
    const bool troubled = !problems.empty();
    if (!quiet) {
        static_cast<void>(WriteAll(STDOUT_FILENO, report));
        problems += "quillveil-encode check: " + std::to_string(read) + " files read, " +
                    std::to_string(findings) + " found in " + std::to_string(pagesWithFindings) +
                    " files\n";
    }
    static_cast<void>(WriteAll(STDERR_FILENO, problems));
    if (troubled)
        return ExitTrouble;
    return findings > 0 ? ExitFound : ExitNothingFound;
}

} // namespace quillveil
