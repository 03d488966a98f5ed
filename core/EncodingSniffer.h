#pragma once

#include "TextEncodings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillveil {

/// What the first bytes of a page say about its encoding, read as a browser reads them before
/// it decodes anything (no transport layer: a page on disk has none).
struct SniffedEncoding {
    enum class Source : std::uint8_t {
        /// A byte order mark: `encoding` is UTF-8 or UTF-16, and the mark is `bomSize` bytes.
        ByteOrderMark,
        /// A meta declaration within the first 1,024 bytes, at `declarationOffset`.
        Declaration,
        /// A meta declaration of a stateful encoding that browsers do not know (`label`, at
        /// `declarationOffset`, "utf-7"): they pass over it, but the page is likely written in
        /// it, and its bytes mean nothing apart from their state.
        StatefulDeclaration,
        /// No mark, but the page begins with markup written as UTF-16 in the byte order of
        /// `encoding`; browsers read such a page as UTF-8 or windows-1252.
        Utf16WithoutMark,
        /// Nothing: browsers read the page as UTF-8 if it is valid UTF-8, else as windows-1252.
        None,
    };
    Source source = Source::None;
    /// For ByteOrderMark, Declaration and Utf16WithoutMark.
    const TextEncoding* encoding = nullptr;
    std::size_t bomSize = 0;
    std::size_t declarationOffset = 0;
    /// For Declaration and StatefulDeclaration: the label as declared, in lower case.
    std::string label;
};

/// The byte order mark, else the encoding the first meta declaration within the first 1,024
/// bytes names, found by the HTML standard's prescan (a label it does not know is passed over,
/// one of UTF-16 means UTF-8).
SniffedEncoding SniffEncoding(std::string_view bytes);

} // namespace quillveil
