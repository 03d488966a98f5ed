#pragma once

#include "HtmlReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillveil {

/// Where in a page a finding stands, as a browser reads the page.
enum class HarvestPlace : std::uint8_t {
    Text,
    Attribute,
    Title,
    Textarea,
    Script,
    Style,
    Comment,
    CData,
    /// Raw text (xmp, iframe, noembed, noframes, plaintext).
    RawText,
    /// Inside a tag (an attribute's name, a repeated attribute the browser drops), or text
    /// that a browser leaves out of the document.
    Markup,
    /// Somewhere in a page that cannot be read whole as HTML (not UTF-8, cut off).
    Unread,
};

/// Something an address harvester would take from a page, or a protected link that is broken.
struct HarvestFinding {
    enum class Kind : std::uint8_t {
        /// An address readable in the source (pattern of AddressPattern.h).
        Address,
        /// "mailto:" readable in the source, with the address that follows it if any.
        Mailto,
        /// A mailto link written as references whose address is not well formed.
        BrokenLink,
    };
    Kind kind = Kind::Address;
    std::size_t offset = 0;
    HtmlPosition position;
    HarvestPlace place = HarvestPlace::Text;
    /// Lower-case attribute name, for Attribute.
    std::string attribute;
    /// What was found as it stands in the source; for BrokenLink, the decoded URL.
    std::string text;
};

/// Whether `page` could hold a finding; a page that cannot is passed over without reading.
/// Beyond an address and "mailto:", a reference to a character of "mailto:" or "@" could
/// spell a protected link.
bool MayHoldFinding(std::string_view page);

/// Every address and every "mailto:" readable in the source of `page`, wherever it stands,
/// and every href written as references whose mailto URL names no well-formed address;
/// ordered by offset.
std::vector<HarvestFinding> FindHarvestable(std::string_view page);

/// FindHarvestable for a page the HTML parser fails on, without parsing it: every address and
/// "mailto:" of the source, each placed as in a page not readable as HTML.
std::vector<HarvestFinding> FindHarvestableUnparsed(std::string_view page);

/// One line's worth about a finding, without its place in the file:
/// "address me@example.org in a script".
std::string DescribeFinding(const HarvestFinding& finding);

} // namespace quillveil
