#pragma once

#include <cstddef>
#include <string_view>

namespace quillveil {

// What counts as an e-mail address in page source, written down once for link mode and for
// the commands that protect pages and check them, as address harvesters read addresses:
//
//   local part  one or more of A-Z a-z 0-9 and ! # $ % & ' * + / = ? ^ _ ` { | } ~ . -,
//               as many as stand before the "@" (leading dots dropped);
//   "@";
//   domain      two or more labels of A-Z a-z 0-9 and inner hyphens, joined by single dots
//               (a label may start with a digit: "mail.163.com", "fu-berlin.de",
//               "xn--bcher-kva.example"), the longest that ends in a top-level label of two or
//               more letters or an "xn--" label; the letters a label starts with may end it
//               ("a.org2" ends at "org"). A top-level label that names an image format (png,
//               jpg, jpeg, gif, svg, webp, avif, bmp, ico, tif, tiff) makes no address:
//               "logo@2x.png" in a srcset is a file, not a mailbox.
//
// Letters are ASCII letters in either case; no other byte is part of an address: never ";",
// "<", ">", a double quote or white space. The local part may take in a "&" or a quote before
// it in raw source; callers that know where a text or value begins search within it.
// "mailto:" is found in any letter case.

/// One address or "mailto:" in a text: [begin, end).
struct AddressMatch {
    std::size_t begin = 0;
    std::size_t end = 0;
    /// True for the text "mailto:", false for an address.
    bool isMailto = false;
};

/// Calls `found(AddressMatch)` for every address and every "mailto:" in `text`, ordered by
/// begin; an address right after "mailto:" is a match of its own. Matches never overlap: a
/// search reads on after the end of the last match.
template <class Found> void ForEachAddress(std::string_view text, Found found);

/// Whether `c` may stand in an address: a byte of a local part, of a domain, or the "@".
bool IsAddressByte(char c);

/// Whether `text` is one address and nothing else.
bool IsAddress(std::string_view text);

/// Whether `text` holds an address or a "mailto:": a fast test to pass over a page without
/// reading it as HTML.
bool MayHoldAddress(std::string_view text);

/// Whether "mailto:", in any letter case, ends at `colon` (the offset of its ":").
bool IsMailtoAt(std::string_view text, std::size_t colon);

/// The address whose "@" is at `at`, or {at, at} when none is there.
AddressMatch AddressAround(std::string_view text, std::size_t at);

template <class Found> void ForEachAddress(std::string_view text, Found found)
{
    // Both kinds of match hold a byte that is rare in page text ("@", ":"); look for those
    // and read around them. (A plain loop: find_first_of asks memchr about every byte.)
    std::size_t lastEnd = 0;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] != '@' && text[pos] != ':')
            continue;
        AddressMatch match;
        if (text[pos] == ':') {
            // In "x@a.orgmailto:" the address holds the letters; nothing is left to find.
            if (!IsMailtoAt(text, pos) || pos - 6 < lastEnd)
                continue;
            match = {pos - 6, pos + 1, true};
        } else {
            match = AddressAround(text, pos);
            // Read on from the end of the last match, as a harvester does: in
            // "a@b.co2x.me@c.org" the second address is "2x.me@c.org".
            while (match.begin < match.end && (match.begin < lastEnd || text[match.begin] == '.'))
                ++match.begin;
            if (match.begin >= pos)
                continue;
        }
        lastEnd = match.end;
        found(match);
    }
}

} // namespace quillveil
