#pragma once

#include <cstddef>
#include <string>

namespace quillveil {

/// A string of exactly `size` bytes, every one of them written by `write(char* data)`, which
/// may also store up to `spare` bytes past them (whole-word stores) that are then dropped.
/// The encoders know their output size before writing; filling the buffer with zeros first
/// would cost as much as a second pass over the output, so the library is built where the
/// standard library can skip that fill.
template <class Writer>
std::string MakeSizedString(std::size_t size, Writer write, std::size_t spare = 0)
{
    std::string result;
#if defined(__cpp_lib_string_resize_and_overwrite)
    // Return our own size, not the one passed in: libstdc++ 12 may pass a larger, grown
    // capacity there (it rounds small requests up to twice the inline buffer).
    result.resize_and_overwrite(size + spare, [&](char* data, std::size_t) {
        write(data);
        return size;
    });
#else
    result.resize(size + spare);
    write(result.data());
    result.resize(size);
#endif
    return result;
}

/// A string of at most `bound` bytes, written by `write(char* data)`, which returns how many it
/// wrote. For output whose exact size would take a pass of its own to learn: the memory past
/// what is written is never touched, so it costs address space, not pages.
template <class Writer> std::string MakeBoundedString(std::size_t bound, Writer write)
{
    std::string result;
#if defined(__cpp_lib_string_resize_and_overwrite)
    result.resize_and_overwrite(bound, [&](char* data, std::size_t) { return write(data); });
#else
    result.resize(bound);
    result.resize(write(result.data()));
#endif
    return result;
}

} // namespace quillveil
