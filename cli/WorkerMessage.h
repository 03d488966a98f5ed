#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quillveil {

/// Builds a message between the main process and a worker: numbers and texts in a row.
class MessageWriter {
public:
    MessageWriter& Number(std::uint64_t number)
    {
        m_bytes.append(reinterpret_cast<const char*>(&number), sizeof number);
        return *this;
    }
    MessageWriter& Text(std::string_view text)
    {
        Number(text.size());
        m_bytes.append(text);
        return *this;
    }
    std::string Take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

/// Reads a message in the order it was written; a message cut short reads as zeros and
/// empty texts, and Whole() is false then.
class MessageReader {
public:
    explicit MessageReader(std::string_view bytes) : m_rest(bytes) {}

    std::uint64_t Number()
    {
        std::uint64_t number = 0;
        if (m_rest.size() < sizeof number) {
            m_whole = false;
            m_rest = {};
            return 0;
        }
        std::memcpy(&number, m_rest.data(), sizeof number);
        m_rest.remove_prefix(sizeof number);
        return number;
    }
    std::string_view Text()
    {
        const std::uint64_t size = Number();
        if (size > m_rest.size()) {
            m_whole = false;
            m_rest = {};
            return {};
        }
        const std::string_view text = m_rest.substr(0, size);
        m_rest.remove_prefix(size);
        return text;
    }
    bool Whole() const { return m_whole; }
    /// Whether all of the message has been read.
    bool AtEnd() const { return m_rest.empty(); }

private:
    std::string_view m_rest;
    bool m_whole = true;
};

} // namespace quillveil
