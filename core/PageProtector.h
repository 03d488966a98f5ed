#pragma once

#include "HtmlReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillveil {

/// One piece of a page that protection writes as character references.
struct PageChange {
    enum class Kind : std::uint8_t {
        /// A whole attribute value that is a mailto URL.
        MailtoUrl,
        /// An address in text or in an attribute value.
        Address,
        /// The text "mailto:" without an address right after it.
        MailtoText,
    };
    Kind kind = Kind::Address;
    /// Where it is in the page that was read: [begin, end), and the line and column of begin.
    std::size_t begin = 0;
    std::size_t end = 0;
    HtmlPosition position;
};

/// What protecting one page came to.
struct ProtectedPage {
    enum class Outcome : std::uint8_t {
        /// Holds no "@" and no "mailto:"; not read as HTML at all.
        NothingToProtect,
        /// Read; every address in it already protected.
        Unchanged,
        /// `text` is the protected page.
        Changed,
        /// Left alone: a browser would not read it whole (`problem` says why).
        Unreadable,
    };
    Outcome outcome = Outcome::NothingToProtect;
    std::string text;
    std::vector<PageChange> changes;
    HtmlProblem problem{};
    HtmlPosition problemPosition;

    /// Addresses protected: mailto URLs and addresses, not "mailto:" standing alone.
    std::size_t AddressCount() const;
};

/// Writes as decimal character references every address a browser shows and every mailto URL
/// it follows, and nothing else: every attribute value that is a mailto URL, whole, as the
/// e-mail mode writes it; every address and "mailto:" in text (title included) and in every
/// other attribute value. Script, style, textarea, comments, CDATA, raw text and noscript,
/// where references are not decoded or not shown, stay as they are; so does every byte
/// outside the pieces changed. What a browser makes of the page is the same before and after,
/// and a protected page protects to itself.
ProtectedPage ProtectPage(std::string_view source);

/// The reason a page was left alone, in words ("not valid UTF-8").
std::string_view DescribeProblem(HtmlProblemKind kind);

} // namespace quillveil
