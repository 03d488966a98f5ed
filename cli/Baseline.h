#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quillveil {

/// The findings a site's owner accepted, so that check fails only on new ones: how many
/// findings of each kind and text each file may hold. Lines are not kept, so an edit
/// elsewhere in a page leaves its findings accepted; a second occurrence of an accepted
/// address in the same file is new.
class Baseline {
public:
    /// (kind, text) to how many of them are accepted.
    using Counts = std::map<std::pair<std::string, std::string>, std::size_t>;

    /// Reads the baseline at `path`; nothing, with `error` in words, when it cannot be read or
    /// is not a baseline.
    static std::optional<Baseline> Read(const std::string& path, std::string& error);

    /// The key of a finding in Counts.
    static Counts::key_type KeyOf(std::string_view kind, std::string_view text);

    /// What is accepted in the page `path` (named as on the command line).
    Counts Of(std::string_view path) const;
    /// Accepts one more finding of `kind` and `text` in the page `path`.
    void Add(std::string_view path, std::string_view kind, std::string_view text);

    /// Replaces the file at `path` with this baseline, at once: sorted JSON that diffs well.
    /// Returns 0 or the errno of the failure.
    int Write(const std::string& path) const;

private:
    /// By file name relative to the current folder, as valid UTF-8.
    std::map<std::string, Counts, std::less<>> m_files;
};

} // namespace quillveil
