#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillveil {

/// A character reference as HTML5 reads it at one place of a text.
struct CharacterReference {
    /// Bytes of source it takes, "&" and any ";" included; 0 when no reference starts there.
    std::size_t length = 0;
    /// What a browser puts in its place, as UTF-8 (one or two characters).
    std::string decoded;
};

/// Reads the character reference that starts at `pos` of `source` the way HTML5's tokenizer
/// does: the longest known name, numeric references with or without ";", the legacy names
/// without ";", and numbers out of range replaced. `inAttribute` applies the rule for
/// attribute values: a name without ";" followed by "=" or a letter or digit is left as text.
CharacterReference ReadCharacterReference(std::string_view source, std::size_t pos,
                                          bool inAttribute);

/// Appends `codePoint` to `out` as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

} // namespace quillveil
