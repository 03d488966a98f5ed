#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace quillveil::testing {

/// `text` converted by the C library from one encoding to another ("UTF-8" to "CP932"), the
/// conversion ended in its initial state; nothing if it cannot be converted.
inline std::optional<std::string> ConvertedText(std::string_view text, const char* to,
                                                const char* from)
{
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(text.size() * 4 + 16, '\0');
    char* input = const_cast<char*>(text.data());
    std::size_t inputLeft = text.size();
    char* output = out.data();
    std::size_t outputLeft = out.size();
    const bool converted =
        iconv(cd, &input, &inputLeft, &output, &outputLeft) != static_cast<std::size_t>(-1) &&
        iconv(cd, nullptr, nullptr, &output, &outputLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!converted)
        return std::nullopt;
    out.resize(out.size() - outputLeft);
    return out;
}

} // namespace quillveil::testing
