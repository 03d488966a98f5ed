#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace quillveil {

/// A text broken into rows of at most a fixed number of characters, as a
/// fixed-width view shows it: a row ends at a line break ("\n", "\r\n" or a
/// lone "\r") or when it is full. Characters are UTF-8 code points; stray
/// continuation bytes count with the character before them.
class CodeRows {
public:
    /// An empty text: one empty row.
    CodeRows() = default;
    /// Breaks `text` into rows of at most `columns` characters (at least 1).
    /// The rows refer to `text`, which must outlive them.
    CodeRows(std::string_view text, std::size_t columns);

    /// How many rows; never zero, since an empty text or line is a row.
    std::size_t Count() const { return m_starts.size(); }
    /// The characters per full row.
    std::size_t Columns() const { return m_columns; }

    /// The bytes of row `row`, without its line break.
    std::string_view Row(std::size_t row) const;
    /// The byte offset where row `row` starts.
    std::size_t RowStart(std::size_t row) const { return m_starts[row]; }
    /// The row that shows the byte at `offset`; the end of the text is on
    /// the last row, a line break on the row it ends.
    std::size_t RowOf(std::size_t offset) const;

    /// The byte offset of column `column` of row `row`, clamped to the
    /// row's end.
    std::size_t OffsetAt(std::size_t row, std::size_t column) const;
    /// How many characters of row `row` come before byte `offset`, which
    /// is clamped to the row.
    std::size_t ColumnOf(std::size_t row, std::size_t offset) const;

private:
    std::string_view m_text;
    std::size_t m_columns = 1;
    std::vector<std::size_t> m_starts{0};
};

} // namespace quillveil
