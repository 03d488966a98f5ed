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
        /// A whole attribute value that is a mailto URL. Character references in it, CR and
        /// control characters stay as they are (see ProtectedForm).
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
        /// Left alone: a browser would not read it whole, or protecting it would change how it
        /// reads (`problem` says why).
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
/// it follows, and nothing else: every attribute value that is a mailto URL, whole; every
/// address and "mailto:" in text (title included) and in every other attribute value, as a
/// browser reads them with scripts and without (inside noscript too). Script, style, textarea,
/// comments, CDATA and raw text, where references are not decoded or not shown, stay as they
/// are; so does every byte outside the pieces changed. The protected page is read back before
/// it is handed out: what a browser makes of it is the same as of `source` (else the page is
/// left alone, ReadsDifferently), and a protected page protects to itself.
ProtectedPage ProtectPage(std::string_view source);

/// The changes ProtectPage makes to `source`, read as `reading`, in order and apart; their
/// positions are not counted.
std::vector<PageChange> ChangesToProtect(std::string_view source, const HtmlReading& reading);

/// What a change of `page` is written as: each ASCII character of its span as a decimal
/// reference and every other byte as it is, save, in a mailto URL, the character references
/// already there, CR and control characters, which stay as they are.
std::string ProtectedForm(std::string_view page, const PageChange& change);

/// The reason a page was left alone, in words ("not valid UTF-8").
std::string_view DescribeProblem(HtmlProblemKind kind);

} // namespace quillveil
