#include "CodeRows.h"

#include <algorithm>

namespace quillveil {

namespace {

bool IsContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

CodeRows::CodeRows(std::string_view text, std::size_t columns)
    : m_text(text), m_columns(std::max<std::size_t>(columns, 1))
{
    // A generated code is mostly one line of tens of megabytes: one pass
    // over the bytes, nothing kept per character.
    m_starts.reserve(text.size() / m_columns + 1);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char byte = text[i];
        if (byte == '\n' || byte == '\r') {
            if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            m_starts.push_back(i + 1);
            characters = 0;
        } else if (!IsContinuationByte(byte)) {
            if (characters == m_columns) {
                m_starts.push_back(i);
                characters = 0;
            }
            ++characters;
        }
    }
}

std::string_view CodeRows::Row(std::size_t row) const
{
    const std::size_t start = m_starts[row];
    std::size_t end = row + 1 < m_starts.size() ? m_starts[row + 1] : m_text.size();
    if (end > start && m_text[end - 1] == '\n') {
        --end;
    }
    if (end > start && m_text[end - 1] == '\r') {
        --end;
    }
    return m_text.substr(start, end - start);
}

std::size_t CodeRows::RowOf(std::size_t offset) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
    return static_cast<std::size_t>(after - m_starts.begin()) - 1;
}

std::size_t CodeRows::OffsetAt(std::size_t row, std::size_t column) const
{
    const std::string_view bytes = Row(row);
    std::size_t i = 0;
    for (std::size_t seen = 0; i < bytes.size(); ++i) {
        if (!IsContinuationByte(bytes[i]) && seen++ == column) {
            break;
        }
    }
    return m_starts[row] + i;
}

std::size_t CodeRows::ColumnOf(std::size_t row, std::size_t offset) const
{
    const std::string_view bytes = Row(row);
    const std::size_t end = std::clamp(offset, m_starts[row], m_starts[row] + bytes.size());
    return static_cast<std::size_t>(std::count_if(
        bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end - m_starts[row]),
        [](char byte) { return !IsContinuationByte(byte); }));
}

} // namespace quillveil
