#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace quillveil {

/// One character of a UTF-8 text: a code point, or U+FFFD for a byte that
/// starts no valid sequence.
struct CodeCharacter {
    char32_t code;
    std::size_t length; ///< in bytes, at least 1
};

/// The character that starts at byte `offset` (< text.size()) of `text`.
CodeCharacter DecodeCharacter(std::string_view text, std::size_t offset);

/// The cells of a fixed-width grid the character takes: none for a mark that
/// combines with the character before it, two for a wide (East Asian)
/// character, one for any other.
std::size_t CellsOf(char32_t code);

/// A tab's stops lie every this many cells.
inline constexpr std::size_t TabCells = 8;

/// A text broken into rows no wider than a number of cells, as the large code
/// view shows it: a row ends at a line break ("\n", "\r\n" or a lone "\r") or
/// before the character that would overflow it. Each character takes the
/// cells CellsOf gives, a tab reaches the next tab stop.
class CodeRows {
public:
    /// An empty text: one empty row.
    CodeRows() = default;
    /// Breaks `text` into rows of at most `cells` cells (at least 1). The rows
    /// refer to `text`, which must outlive them.
    CodeRows(std::string_view text, std::size_t cells);

    /// How many rows; never zero, since an empty text or line is a row.
    std::size_t Count() const { return m_starts.size(); }
    /// The cells a full row holds.
    std::size_t Cells() const { return m_cells; }

    /// The bytes of row `row`, without its line break.
    std::string_view Row(std::size_t row) const;
    /// The byte offset where row `row` starts.
    std::size_t RowStart(std::size_t row) const { return m_starts[row]; }
    /// The row that shows the byte at `offset`; the end of the text is on
    /// the last row, a line break on the row it ends.
    std::size_t RowOf(std::size_t offset) const;

    /// Where the caret goes from `offset` one character on: past the next
    /// character and the marks combined with it, or past a whole "\r\n".
    std::size_t NextStop(std::size_t offset) const;
    /// Where the caret goes from `offset` one character back.
    std::size_t PreviousStop(std::size_t offset) const;

    /// How many characters the text holds.
    std::size_t CharacterCount() const { return m_characters; }
    /// How many characters come before byte `offset`, a character boundary.
    std::size_t CharacterIndex(std::size_t offset) const;
    /// The byte offset of character `index`; the text's end past the last.
    std::size_t CharacterOffset(std::size_t index) const;

private:
    std::size_t StartOfCharacterBefore(std::size_t offset) const;

    std::string_view m_text;
    std::size_t m_cells = 1;
    std::vector<std::size_t> m_starts{0};
    std::size_t m_characters = 0;
    /// The byte offset of every CheckpointSpacing-th character, so that
    /// characters and bytes convert without a pass over the whole text.
    std::vector<std::size_t> m_checkpoints{0};
};

} // namespace quillveil
