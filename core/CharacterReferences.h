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

/// The end of the character of text[pos, end) that starts at `pos`, as HTML5 reads it: a
/// character reference (then `reference` holds it, else its length is 0), a line break (CR LF
/// or CR) or a single byte.
std::size_t DecodedCharacterEnd(std::string_view text, std::size_t pos, std::size_t end,
                                bool inAttribute, CharacterReference& reference);

/// Calls unit(begin, end, decoded) for each character of text[begin, end) with what a browser
/// reads there: a reference's character, LF for a line break, U+FFFD for NUL, any other byte
/// as it is. `begin` must not lie inside a character.
template <class Unit>
void ForEachDecodedCharacter(std::string_view text, std::size_t begin, std::size_t end,
                             bool inAttribute, Unit unit)
{
    CharacterReference reference;
    for (std::size_t pos = begin; pos < end;) {
        const std::size_t next = DecodedCharacterEnd(text, pos, end, inAttribute, reference);
        if (reference.length > 0)
            unit(pos, next, std::string_view(reference.decoded));
        else if (text[pos] == '\r')
            unit(pos, next, std::string_view("\n"));
        else if (text[pos] == '\0')
            unit(pos, next, std::string_view("\xEF\xBF\xBD"));
        else
            unit(pos, next, text.substr(pos, 1));
        pos = next;
    }
}

/// Appends `codePoint` to `out` as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

} // namespace quillveil
