#include "CodeRows.h"

#include <glib.h>

#include <algorithm>

namespace quillveil {

namespace {

constexpr std::size_t CheckpointSpacing = 4096;

bool IsLineBreak(char byte)
{
    return byte == '\n' || byte == '\r';
}

} // namespace

CodeCharacter DecodeCharacter(std::string_view text, std::size_t offset)
{
    const auto lead = static_cast<unsigned char>(text[offset]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    const std::size_t available = std::min<std::size_t>(text.size() - offset, 4);
    const gunichar code =
        g_utf8_get_char_validated(text.data() + offset, static_cast<gssize>(available));
    if (code == static_cast<gunichar>(-1) || code == static_cast<gunichar>(-2)) {
        return {0xFFFD, 1};
    }
    return {code, static_cast<std::size_t>(g_unichar_to_utf8(code, nullptr))};
}

std::size_t CellsOf(char32_t code)
{
    if (code < 0x300) {
        return 1;
    }
    if (g_unichar_iszerowidth(code)) {
        return 0;
    }
    return g_unichar_iswide(code) ? 2 : 1;
}

CodeRows::CodeRows(std::string_view text, std::size_t cells)
    : m_text(text), m_cells(std::max<std::size_t>(cells, 1))
{
    // A generated code is mostly one line of tens of megabytes of ASCII: one
    // pass over the bytes, nothing kept per character.
    m_starts.reserve(text.size() / m_cells + 1);
    m_checkpoints.reserve(text.size() / CheckpointSpacing + 1);
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (m_characters % CheckpointSpacing == 0 && m_characters > 0) {
            m_checkpoints.push_back(i);
        }
        ++m_characters;
        const char byte = text[i];
        if (IsLineBreak(byte)) {
            if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
                if (m_characters % CheckpointSpacing == 0) {
                    m_checkpoints.push_back(i);
                }
                ++m_characters;
            }
            m_starts.push_back(++i);
            used = 0;
            continue;
        }
        std::size_t length = 1;
        std::size_t width = 1;
        if (byte == '\t') {
            width = TabCells - used % TabCells;
        } else if (static_cast<unsigned char>(byte) >= 0x80) {
            const CodeCharacter character = DecodeCharacter(text, i);
            length = character.length;
            width = CellsOf(character.code);
        }
        if (used > 0 && used + width > m_cells) {
            m_starts.push_back(i);
            used = 0;
            if (byte == '\t') {
                width = TabCells;
            }
        }
        used += width;
        i += length;
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

std::size_t CodeRows::NextStop(std::size_t offset) const
{
    if (offset >= m_text.size()) {
        return m_text.size();
    }
    if (m_text.substr(offset, 2) == "\r\n") {
        return offset + 2;
    }
    if (IsLineBreak(m_text[offset])) {
        return offset + 1;
    }
    std::size_t next = offset + DecodeCharacter(m_text, offset).length;
    while (next < m_text.size() && !IsLineBreak(m_text[next])) {
        const CodeCharacter mark = DecodeCharacter(m_text, next);
        if (CellsOf(mark.code) != 0) {
            break;
        }
        next += mark.length;
    }
    return next;
}

std::size_t CodeRows::StartOfCharacterBefore(std::size_t offset) const
{
    // The lead byte of a valid sequence ending at `offset`, else the one byte.
    for (std::size_t length = 2; length <= 4 && length <= offset; ++length) {
        const auto lead = static_cast<unsigned char>(m_text[offset - length]);
        if ((lead & 0xC0) != 0x80) {
            return DecodeCharacter(m_text, offset - length).length == length ? offset - length
                                                                             : offset - 1;
        }
    }
    return offset - 1;
}

std::size_t CodeRows::PreviousStop(std::size_t offset) const
{
    offset = std::min(offset, m_text.size());
    if (offset == 0) {
        return 0;
    }
    if (offset >= 2 && m_text.substr(offset - 2, 2) == "\r\n") {
        return offset - 2;
    }
    std::size_t start = StartOfCharacterBefore(offset);
    // A combining mark goes back with the character it sits on.
    while (start > 0 && !IsLineBreak(m_text[start - 1])) {
        if (CellsOf(DecodeCharacter(m_text, start).code) != 0) {
            break;
        }
        start = StartOfCharacterBefore(start);
    }
    return start;
}

std::size_t CodeRows::CharacterIndex(std::size_t offset) const
{
    offset = std::min(offset, m_text.size());
    const auto after = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), offset);
    const auto block = static_cast<std::size_t>(after - m_checkpoints.begin()) - 1;
    std::size_t index = block * CheckpointSpacing;
    for (std::size_t i = m_checkpoints[block]; i < offset; ++index) {
        i += DecodeCharacter(m_text, i).length;
    }
    return index;
}

std::size_t CodeRows::CharacterOffset(std::size_t index) const
{
    if (index >= m_characters) {
        return m_text.size();
    }
    std::size_t offset = m_checkpoints[index / CheckpointSpacing];
    for (std::size_t n = index % CheckpointSpacing; n > 0; --n) {
        offset += DecodeCharacter(m_text, offset).length;
    }
    return offset;
}

} // namespace quillveil
