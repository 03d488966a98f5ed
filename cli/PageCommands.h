#pragma once

#include <string_view>
#include <vector>

namespace quillveil {

/// `quillveil-encode protect [--dry-run] [-o FILE] PATH...`; `args` follow "protect".
/// Returns the exit status: 0 done, 1 a page left alone for what it holds, 2 wrong usage or
/// a file or directory that could not be read or written.
int RunProtect(const std::vector<std::string_view>& args);

/// `quillveil-encode check [--quiet] PATH...`; `args` follow "check". Returns the exit
/// status: 0 nothing found, 1 something found, 2 wrong usage or a read error.
int RunCheck(const std::vector<std::string_view>& args);

} // namespace quillveil
