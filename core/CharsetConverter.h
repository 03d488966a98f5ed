#pragma once

#include <cstddef>
#include <string_view>

namespace quillveil {

/// One conversion between two encodings of the C library's (iconv), open for as long as it
/// lives; each thread needs its own.
class CharsetConverter {
public:
    /// Encodings by the C library's names ("UTF-8", "CP932").
    CharsetConverter(std::string_view to, std::string_view from);
    ~CharsetConverter();
    CharsetConverter(const CharsetConverter&) = delete;
    CharsetConverter& operator=(const CharsetConverter&) = delete;

    /// False when the C library has no such conversion.
    bool IsOpen() const;

    struct Step {
        std::size_t consumed = 0;
        std::size_t produced = 0;
        /// EILSEQ (invalid input) or EINVAL (input cut off inside a character), or 0: all of
        /// it converted, or as much as fitted.
        int error = 0;
    };

    /// Converts `in` until it ends, is invalid or `out` is full. With an empty `in`, writes
    /// what the conversion holds back and returns to the initial state.
    Step Convert(std::string_view in, char* out, std::size_t outSize);

    /// Back to the initial state, dropping anything held back.
    void Reset();

private:
    void* m_cd;
};

} // namespace quillveil
