#pragma once

#include <string>
#include <string_view>

namespace quillveil::testing {

/// Replaces every decimal character reference "&#N;" (N in 0..255) by the byte N and keeps
/// everything else; just enough to undo EncodeEntities.
inline std::string DecodeDecimalReferences(std::string_view html)
{
    std::string decoded;
    for (std::size_t i = 0; i < html.size();) {
        if (html.substr(i, 2) == "&#") {
            std::size_t end = i + 2;
            unsigned value = 0;
            while (end < html.size() && end < i + 5 && html[end] >= '0' && html[end] <= '9')
                value = value * 10 + static_cast<unsigned>(html[end++] - '0');
            if (end > i + 2 && end < html.size() && html[end] == ';' && value < 256) {
                decoded += static_cast<char>(value);
                i = end + 1;
                continue;
            }
        }
        decoded += html[i++];
    }
    return decoded;
}

/// Undoes "%XX" escapes.
inline std::string DecodePercentEscapes(std::string_view text)
{
    const auto hex = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            decoded += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

} // namespace quillveil::testing
