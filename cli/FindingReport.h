#pragma once

#include "FileDescriptorIo.h"
#include "HtmlReader.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillveil {

// The reports of check and of protect --dry-run, in the forms the places that run site builds
// read: text lines for people, JSON Lines for scripts, SARIF 2.1.0 for code scanning, GitHub's
// workflow commands, GitLab's Code Quality JSON. Workers format each finding, in parallel;
// the main process writes the frame around them, so no report is ever held whole.

enum class ReportFormat : std::uint8_t { Text, Json, Sarif, Github, CodeQuality };

/// The format `name` names on the command line, or nothing.
std::optional<ReportFormat> ReportFormatNamed(std::string_view name);

/// The names ReportFormatNamed knows, for a usage message.
inline constexpr std::string_view ReportFormatNames = "text, json, sarif, github or codequality";

/// The command whose findings are reported: each has its own rules.
enum class ReportCommand : std::uint8_t { Check, Protect };

/// A kind of finding, with its words for the formats that explain what they report.
struct ReportRule {
    std::string_view id;
    std::string_view name;
    std::string_view summary;
    std::string_view description;
};

/// The rules of `command`'s findings; a finding names its rule by index.
std::span<const ReportRule> RulesOf(ReportCommand command);

/// One finding, as every format reports it.
struct ReportedFinding {
    /// The page's path as it was named.
    std::string_view path;
    /// Lines from 1; columns from 1, counting characters (Unicode code points).
    HtmlPosition position;
    /// Bytes from the start of the file.
    std::size_t offset = 0;
    /// Index into RulesOf.
    std::size_t rule = 0;
    /// "address", "mailto", ...: the kind, without the command's words around it.
    std::string_view kind;
    /// The address or URL found.
    std::string_view text;
    /// Where it stands ("text", "attribute", "script", ...); empty where that is not known.
    std::string_view where;
    /// The attribute's name, for "attribute".
    std::string_view attribute;
    /// The text format's words for it, without the place in the file.
    std::string_view message;
    /// How many findings of the same kind and text came before it in the same file.
    std::size_t occurrence = 0;
};

/// Counts, per file, the findings of each kind and text met so far.
class Occurrences {
public:
    /// How many findings of `kind` and `text` came before this one; counts this one.
    std::size_t Next(std::string_view kind, std::string_view text)
    {
        return m_seen[{std::string(kind), std::string(text)}]++;
    }

private:
    std::map<std::pair<std::string, std::string>, std::size_t> m_seen;
};

/// The record of `finding` in `format`: a line of text, JSON or workflow command; for SARIF
/// and Code Quality an element of the report's array, preceded by a comma.
std::string FormatFinding(ReportFormat format, ReportCommand command,
                          const ReportedFinding& finding);

/// `path` relative to the current folder where it lies below it, else absolute; normalised
/// ("./a/../b" is "b"). Bytes as they are.
std::string RelativeName(std::string_view path);

/// `bytes` as valid UTF-8: each byte that starts no character as U+FFFD.
std::string ValidUtf8(std::string_view bytes);

/// Counts for a report's summary, in the order they are to be shown: ("filesRead", 12), ...
using ReportCounts = std::vector<std::pair<std::string_view, std::size_t>>;

/// The frame of a report around the records the workers format, written to `out`.
class FindingReport {
public:
    FindingReport(ReportFormat format, ReportCommand command, ReportOutput& out)
        : m_format(format), m_command(command), m_out(out)
    {}

    /// Writes what comes before the first record.
    void Begin();
    /// Writes records made by FormatFinding, as many as there are.
    void Add(std::string_view records);
    /// Reports problems (lines as they go to standard error) in the formats that carry them.
    void Problems(std::string_view lines);
    /// Writes what comes after the last record; `complete` false when the run stopped early or
    /// met a problem.
    void End(const ReportCounts& counts, bool complete);

private:
    ReportFormat m_format;
    ReportCommand m_command;
    ReportOutput& m_out;
    bool m_first = true;
    std::vector<std::string> m_problems;
};

} // namespace quillveil
