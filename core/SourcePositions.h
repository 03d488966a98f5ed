#pragma once

#include "HtmlReader.h"

#include <cstddef>
#include <string_view>

namespace quillveil {

/// Line and column of offsets asked for in increasing order, as HtmlReading::PositionOf
/// counts them (lines end at LF, CR LF or CR; columns count characters), in time linear in
/// the text: a minified page is one line, and counting from its start for each of its
/// thousands of addresses would take minutes.
class SourcePositions {
public:
    explicit SourcePositions(std::string_view source) : m_source(source) {}

    /// `offset` must not be less than the one asked for before.
    HtmlPosition operator()(std::size_t offset)
    {
        for (; m_offset < offset && m_offset < m_source.size(); ++m_offset) {
            const char c = m_source[m_offset];
            // A line ends after its LF, or after a CR without LF.
            if (c == '\n' || (c == '\r' && (m_offset + 1 == m_source.size() ||
                                            m_source[m_offset + 1] != '\n'))) {
                ++m_position.line;
                m_position.column = 1;
            } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                ++m_position.column;
            }
        }
        return m_position;
    }

private:
    std::string_view m_source;
    std::size_t m_offset = 0;
    HtmlPosition m_position;
};

} // namespace quillveil
