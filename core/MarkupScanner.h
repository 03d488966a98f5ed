#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillveil {

/// What one byte of a piece of HTML is to a reader of the markup.
enum class ByteRole : std::uint8_t {
    /// Part of the markup itself: "<", "/", ">", tag and attribute names, "=", quotes, the
    /// white space between attributes, comments.
    Markup,
    /// Starts a character of text between tags or of an attribute value.
    ContentStart,
    /// Continues a character reference ("&amp;") begun by a ContentStart byte.
    ContentInside,
};

/// Classifies every byte of `html` the way an HTML tokenizer reads it. Two stretches of
/// content are always parted by at least one Markup byte, so a run of content bytes is one
/// text or one attribute value.
std::vector<ByteRole> ClassifyMarkup(std::string_view html);

/// The length of the character reference ("&amp;", "&#64;", "&#x40;") that starts at `pos`,
/// or 0 when none does. Named references need their ";"; numeric ones are read without it too,
/// as browsers do.
std::size_t CharacterReferenceLength(std::string_view html, std::size_t pos);

} // namespace quillveil
