#include "FindingReport.h"

#include "DecodedText.h"
#include "ProgramInfo.h"
#include "SiteFiles.h"
#include "TextEncodings.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace quillveil {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::array CheckRules{
    ReportRule{"readable-address", "ReadableAddress", "E-mail address readable in the page source",
               "An e-mail address written out in the source of the page, where an address "
               "harvester reads it. Where a browser shows it (text, attribute values, the title), "
               "'quillveil-encode protect' writes it as character references; in scripts, "
               "styles, textareas and comments it is the author's to hide."},
    ReportRule{"readable-mailto", "ReadableMailto", "\"mailto:\" readable in the page source",
               "The text \"mailto:\", with the address that follows it if any, written out in "
               "the source of the page: a harvester that looks for mailto links finds it."},
    ReportRule{
        "broken-mailto-link", "BrokenMailtoLink",
        "Protected mailto link without a well-formed address",
        "A link target written as character references whose decoded mailto URL names no "
        "well-formed e-mail address: it hides nothing a reader could use and leads nowhere."},
};

constexpr std::array ProtectRules{
    ReportRule{"unprotected-mailto-url", "UnprotectedMailtoUrl", "mailto URL protect would encode",
               "An attribute value that is a mailto URL, readable in the source: 'quillveil-encode "
               "protect' writes it whole as decimal character references."},
    ReportRule{"unprotected-address", "UnprotectedAddress", "Address protect would encode",
               "An e-mail address that a browser shows (text, title, attribute values), readable "
               "in the source: 'quillveil-encode protect' writes it as character references."},
    ReportRule{"unprotected-mailto-text", "UnprotectedMailtoText",
               "\"mailto:\" text protect would encode",
               "The text \"mailto:\" without an address after it, shown by a browser and readable "
               "in the source: 'quillveil-encode protect' writes it as character references."},
};

/// Dumps `value` on one line; text that is not UTF-8 has U+FFFD for each stray byte.
std::string Dump(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

/// `value` as an element of an array written piece by piece: after a comma.
std::string ArrayElement(const Json& value)
{
    std::string element = ",";
    element += Dump(value);
    return element;
}

bool IsUtf8(std::string_view bytes)
{
    // The common case, without a decoder.
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
           IsValidUtf8(bytes);
}

std::string Base64(std::string_view bytes)
{
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            encoded += k <= count ? digits[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return encoded;
}

/// A path as a relative URI reference (or a file URI, when absolute): every byte but the
/// unreserved characters and "/" percent-encoded, so ":" cannot pass for a scheme.
std::string FileUri(std::string_view name)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = name.starts_with('/') ? "file://" : "";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') ||
            std::string_view("-._~/").find(c) != std::string_view::npos)
            uri += c;
        else
            uri += {'%', hex[byte >> 4], hex[byte & 15]};
    }
    return uri;
}

const std::filesystem::path& CurrentFolder()
{
    static const std::filesystem::path folder = [] {
        std::error_code error;
        return std::filesystem::current_path(error);
    }();
    return folder;
}

/// GitHub's workflow commands: "%", CR and LF escaped in the message; in a property ("file=")
/// ":" and "," as well, which would end it.
std::string WorkflowEscaped(std::string_view text, bool property)
{
    std::string escaped;
    for (const char c : ValidUtf8(text)) {
        switch (c) {
        case '%':
            escaped += "%25";
            break;
        case '\r':
            escaped += "%0D";
            break;
        case '\n':
            escaped += "%0A";
            break;
        case ':':
            escaped += property ? "%3A" : ":";
            break;
        case ',':
            escaped += property ? "%2C" : ",";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

/// What the findings of one file repeat about its name.
struct FileNames {
    std::string path;
    /// RelativeName, as valid UTF-8.
    std::string relative;
    /// RelativeName as a URI reference.
    std::string uri;
    /// The path as valid UTF-8, and its bytes in base64 when it is not.
    std::string utf8;
    std::string base64;
};

/// The names of the file at `path`, made once for all its findings: a worker formats the
/// findings of one page after another.
const FileNames& NamesOf(std::string_view path)
{
    static std::optional<FileNames> names;
    if (!names || names->path != path) {
        const std::string relative = RelativeName(path);
        names = FileNames{std::string(path), ValidUtf8(relative), FileUri(relative),
                          ValidUtf8(path), IsUtf8(path) ? "" : Base64(path)};
    }
    return *names;
}

/// Stays the same while the finding does, wherever its line moves: Code Quality tells new
/// findings from old ones by it (FNV-1a).
std::string Fingerprint(const ReportedFinding& finding, std::string_view rule)
{
    std::uint64_t hash = 14695981039346656037u;
    const std::string& name = NamesOf(finding.path).relative;
    const std::string occurrence = std::to_string(finding.occurrence);
    for (const std::string_view part :
         {std::string_view(name), rule, finding.text, std::string_view(occurrence)}) {
        for (const char c : part)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
        hash = (hash ^ 0xFF) * 1099511628211u; // parts apart
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string digits(16, '0');
    for (std::size_t i = 16; i-- > 0; hash >>= 4)
        digits[i] = hex[hash & 15];
    return digits;
}

Json JsonFinding(const ReportedFinding& finding, const ReportRule& rule)
{
    const FileNames& names = NamesOf(finding.path);
    Json record{{"type", "finding"}, {"file", names.utf8}};
    if (!names.base64.empty())
        record["fileBase64"] = names.base64;
    record["line"] = finding.position.line;
    record["column"] = finding.position.column;
    record["offset"] = finding.offset;
    record["rule"] = rule.id;
    record["kind"] = finding.kind;
    record["text"] = finding.text;
    if (!finding.where.empty())
        record["where"] = finding.where;
    if (!finding.attribute.empty())
        record["attribute"] = finding.attribute;
    record["message"] = finding.message;
    return record;
}

/// The SARIF result of `finding`, dumped. A site can hold a hundred thousand findings: one
/// result is made once and refilled for each, which costs a fraction of building it anew.
std::string SarifResult(const ReportedFinding& finding, ReportCommand command)
{
    static Json result{
        {"ruleId", ""},
        {"ruleIndex", 0},
        {"level", ""},
        {"message", {{"text", ""}}},
        {"locations",
         Json::array(
             {{{"physicalLocation",
                {{"artifactLocation", Json::object()},
                 // SARIF counts columns in the unit the run names: ours are
                 // code points (columnKind below), both from 1.
                 {"region", {{"startLine", 1}, {"startColumn", 1}, {"byteOffset", 0}}}}}}})},
    };
    static Json& location = result["locations"][0]["physicalLocation"];
    static Json& artifact = location["artifactLocation"];
    static Json& region = location["region"];
    static std::string artifactPath;

    const FileNames& names = NamesOf(finding.path);
    if (artifactPath != finding.path || artifact.empty()) {
        artifactPath = finding.path;
        artifact = Json{{"uri", names.uri}};
        if (!names.relative.starts_with('/'))
            artifact["uriBaseId"] = "%SRCROOT%";
    }
    result["ruleId"] = RulesOf(command)[finding.rule].id;
    result["ruleIndex"] = finding.rule;
    result["level"] = command == ReportCommand::Check ? "error" : "warning";
    result["message"]["text"] = finding.message;
    region["startLine"] = finding.position.line;
    region["startColumn"] = finding.position.column;
    region["byteOffset"] = finding.offset;
    std::string element = ",";
    element += Dump(result);
    return element;
}

Json SarifHeader(ReportCommand command)
{
    Json rules = Json::array();
    for (const ReportRule& rule : RulesOf(command))
        rules.push_back({{"id", rule.id},
                         {"name", rule.name},
                         {"shortDescription", {{"text", rule.summary}}},
                         {"fullDescription", {{"text", rule.description}}},
                         {"defaultConfiguration",
                          {{"level", command == ReportCommand::Check ? "error" : "warning"}}}});
    std::string base = FileUri(CurrentFolder().string());
    if (!base.ends_with('/'))
        base += '/';
    return Json{
        {"$schema", "https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/"
                    "sarif-schema-2.1.0.json"},
        {"version", "2.1.0"},
        {"runs", Json::array({{
                     {"tool",
                      {{"driver",
                        {{"name", "quillveil-encode"},
                         {"version", ProgramVersion},
                         {"semanticVersion", ProgramVersion},
                         {"informationUri", HomePageUrl},
                         {"rules", rules}}}}},
                     {"originalUriBaseIds", {{"%SRCROOT%", {{"uri", base}}}}},
                     {"columnKind", "unicodeCodePoints"},
                 }})},
    };
}

} // namespace

std::optional<ReportFormat> ReportFormatNamed(std::string_view name)
{
    static constexpr std::pair<std::string_view, ReportFormat> formats[] = {
        {"text", ReportFormat::Text},
        {"json", ReportFormat::Json},
        {"sarif", ReportFormat::Sarif},
        {"github", ReportFormat::Github},
        {"codequality", ReportFormat::CodeQuality},
    };
    for (const auto& [formatName, format] : formats)
        if (name == formatName)
            return format;
    return std::nullopt;
}

std::span<const ReportRule> RulesOf(ReportCommand command)
{
    if (command == ReportCommand::Check)
        return CheckRules;
    return ProtectRules;
}

std::string FormatFinding(ReportFormat format, ReportCommand command,
                          const ReportedFinding& finding)
{
    const ReportRule& rule = RulesOf(command)[finding.rule];
    switch (format) {
    case ReportFormat::Text:
        return PrintableName(finding.path) + ":" + std::to_string(finding.position.line) + ":" +
               std::to_string(finding.position.column) + ": " + std::string(finding.message) + "\n";
    case ReportFormat::Json:
        return Dump(JsonFinding(finding, rule)) + "\n";
    case ReportFormat::Sarif:
        return SarifResult(finding, command);
    case ReportFormat::Github:
        return std::string(command == ReportCommand::Check ? "::error" : "::warning") +
               " file=" + WorkflowEscaped(NamesOf(finding.path).relative, true) +
               ",line=" + std::to_string(finding.position.line) +
               ",col=" + std::to_string(finding.position.column) +
               ",title=" + WorkflowEscaped(rule.summary, true) +
               "::" + WorkflowEscaped(finding.message, false) + "\n";
    case ReportFormat::CodeQuality:
        return ArrayElement(Json{
            {"description", finding.message},
            {"check_name", rule.id},
            {"fingerprint", Fingerprint(finding, rule.id)},
            {"severity", command == ReportCommand::Check ? "major" : "info"},
            {"location",
             {{"path", NamesOf(finding.path).relative},
              {"lines", {{"begin", finding.position.line}}}}},
        });
    }
    return {};
}

std::string RelativeName(std::string_view path)
{
    namespace fs = std::filesystem;
    const fs::path normal = fs::path(path).lexically_normal();
    if (normal.is_relative() || CurrentFolder().empty())
        return normal.string();
    const fs::path relative = normal.lexically_relative(CurrentFolder());
    if (relative.empty() || *relative.begin() == "..")
        return normal.string();
    return relative.string();
}

std::string ValidUtf8(std::string_view bytes)
{
    if (IsUtf8(bytes))
        return std::string(bytes);
    return Decode(bytes, Utf8Encoding(), InvalidBytes::Replace).text.Text();
}

void FindingReport::Begin()
{
    if (m_format == ReportFormat::Sarif) {
        // The results are streamed into the run: its object is left open for them.
        std::string header = Dump(SarifHeader(m_command));
        header.resize(header.size() - 3); // "}]}"
        m_out.Write(header + ",\"results\":[");
    } else if (m_format == ReportFormat::CodeQuality) {
        m_out.Write("[");
    }
}

void FindingReport::Add(std::string_view records)
{
    const bool array = m_format == ReportFormat::Sarif || m_format == ReportFormat::CodeQuality;
    if (records.empty())
        return;
    if (array && m_first)
        records.remove_prefix(1); // the comma before the first element
    m_first = false;
    m_out.Write(records);
}

void FindingReport::Problems(std::string_view lines)
{
    std::string records;
    for (std::size_t end; !lines.empty(); lines.remove_prefix(end + 1)) {
        end = std::min(lines.find('\n'), lines.size() - 1);
        const std::string_view line = lines.substr(0, lines[end] == '\n' ? end : end + 1);
        if (m_format == ReportFormat::Json)
            records += Dump(Json{{"type", "problem"}, {"message", line}}) + "\n";
        else if (m_format == ReportFormat::Github)
            records += "::error::" + WorkflowEscaped(line, false) + "\n";
        else if (m_format == ReportFormat::Sarif)
            m_problems.emplace_back(line);
    }
    m_out.Write(records);
}

void FindingReport::End(const ReportCounts& counts, bool complete)
{
    Json summary = Json::object();
    for (const auto& [name, count] : counts)
        summary[std::string(name)] = count;
    if (m_format == ReportFormat::Json) {
        Json record{{"type", "summary"}};
        record.update(summary);
        m_out.Write(Dump(record) + "\n");
    } else if (m_format == ReportFormat::Sarif) {
        // Problems are the run's, not the pages': a page that could not be read holds no
        // result, and code scanning shows them apart from the alerts.
        Json notifications = Json::array();
        for (const std::string& problem : m_problems) {
            const bool note = problem.find(": removed: ") != std::string::npos;
            const bool warning = problem.find(": warning: ") != std::string::npos;
            notifications.push_back({{"level", note      ? "note"
                                               : warning ? "warning"
                                                         : "error"},
                                     {"message", {{"text", problem}}}});
        }
        const Json invocation{{"executionSuccessful", complete},
                              {"toolExecutionNotifications", notifications},
                              {"properties", summary}};
        m_out.Write("],\"invocations\":[" + Dump(invocation) + "]}]}\n");
    } else if (m_format == ReportFormat::CodeQuality) {
        m_out.Write("]\n");
    }
}

} // namespace quillveil
