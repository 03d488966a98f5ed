#pragma once

#include <cstddef>
#include <string>

namespace quillveil {

/// A string of at most `bound` bytes, written by `write(char* data)`, which returns how many it
/// wrote. Filling the buffer with zeros first would cost as much as a second pass over the
/// output, so the library is built where the standard library can skip that fill; the memory
/// past what is written is never touched, so a generous bound costs address space, not pages.
template <class Writer> std::string MakeBoundedString(std::size_t bound, Writer write)
{
    std::string result;
#if defined(__cpp_lib_string_resize_and_overwrite)
    // The size is the one written, not the capacity passed in: libstdc++ 12 may pass a larger,
    // grown one (it rounds small requests up to twice the inline buffer).
    result.resize_and_overwrite(bound, [&](char* data, std::size_t) { return write(data); });
#else
    result.resize(bound);
    result.resize(write(result.data()));
#endif
    return result;
}

/// A string of exactly `size` bytes, every one of them written by `write(char* data)`: for the
/// encoders, which know their output size before writing.
template <class Writer> std::string MakeSizedString(std::size_t size, Writer write)
{
    return MakeBoundedString(size, [&](char* data) {
        write(data);
        return size;
    });
}

} // namespace quillveil
