#include "Baseline.h"

#include "AtomicFile.h"
#include "FileDescriptorIo.h"
#include "FindingReport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace quillveil {

namespace {

/// The name a page has in a baseline: the same from wherever under the current folder it
/// was named ("./public/a.html" is "public/a.html").
std::string BaselineName(std::string_view path)
{
    return ValidUtf8(RelativeName(path));
}

} // namespace

std::optional<Baseline> Baseline::Read(const std::string& path, std::string& error)
{
    std::string text;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int readError = fd < 0 ? errno : ReadAll(fd, text);
    if (fd >= 0)
        close(fd);
    if (readError) {
        error = std::string("cannot read: ") + std::strerror(readError);
        return std::nullopt;
    }
    try {
        const nlohmann::json json = nlohmann::json::parse(text);
        if (json.at("version").get<int>() != 1)
            throw std::runtime_error("version " + json.at("version").dump() + " is not known");
        if (!json.at("files").is_object())
            throw std::runtime_error("\"files\" is not an object");
        Baseline baseline;
        for (const auto& [file, entries] : json.at("files").items()) {
            Counts& counts = baseline.m_files[file];
            for (const nlohmann::json& entry : entries) {
                const auto count = entry.at("count").get<std::size_t>();
                if (count == 0)
                    throw std::runtime_error("a count of 0 in " + file);
                counts[KeyOf(entry.at("kind").get<std::string>(),
                             entry.at("text").get<std::string>())] += count;
            }
        }
        return baseline;
    } catch (const nlohmann::json::exception& problem) {
        error = std::string("not a baseline: ") + problem.what();
    } catch (const std::runtime_error& problem) {
        error = std::string("not a baseline: ") + problem.what();
    }
    return std::nullopt;
}

Baseline::Counts::key_type Baseline::KeyOf(std::string_view kind, std::string_view text)
{
    return {std::string(kind), ValidUtf8(text)};
}

Baseline::Counts Baseline::Of(std::string_view path) const
{
    const auto found = m_files.find(BaselineName(path));
    return found == m_files.end() ? Counts() : found->second;
}

void Baseline::Add(std::string_view path, std::string_view kind, std::string_view text)
{
    ++m_files[BaselineName(path)][KeyOf(kind, text)];
}

int Baseline::Write(const std::string& path) const
{
    // Objects keep their keys sorted and the counts are maps: the file comes out in one
    // order, whatever order the findings came in.
    nlohmann::json files = nlohmann::json::object();
    for (const auto& [file, counts] : m_files) {
        nlohmann::json& entries = files[file] = nlohmann::json::array();
        for (const auto& [key, count] : counts)
            entries.push_back({{"kind", key.first}, {"text", key.second}, {"count", count}});
    }
    const std::string text = nlohmann::json{{"version", 1}, {"files", files}}.dump(2) + "\n";
    struct stat info {};
    const bool exists = stat(path.c_str(), &info) == 0;
    std::string notKept; // a baseline's owner and mode are not worth a warning
    return ReplaceFile(path, text, exists ? &info : nullptr, notKept);
}

} // namespace quillveil
