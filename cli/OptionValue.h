#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace quillveil {

/// Whether `args[i]` is the option `name` ("--format") given a value, as "--format VALUE" or
/// "--format=VALUE". If so, `value` is the value (empty when none follows) and `i` is at the
/// last argument taken.
inline bool TakeOptionValue(const std::vector<std::string_view>& args, std::size_t& i,
                            std::string_view name, std::string_view& value)
{
    const std::string_view arg = args[i];
    if (arg == name) {
        value = i + 1 < args.size() ? args[++i] : std::string_view();
        return true;
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

} // namespace quillveil
