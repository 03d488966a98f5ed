#include "EncodingSniffer.h"

#include "AsciiText.h"

#include <algorithm>
#include <optional>
#include <set>

namespace quillveil {

namespace {

/// How far browsers look for a declaration before they decode.
constexpr std::size_t PrescanSize = 1024;

/// White space to the prescan: no vertical tab.
bool IsSpace(char c)
{
    return c != '\v' && IsAsciiSpace(c);
}

/// Labels of stateful encodings that the encoding standard does not know, and so neither do
/// browsers.
bool IsStatefulLabel(std::string_view label)
{
    static constexpr std::string_view prefixes[] = {
        "utf-7",     "utf7",    "unicode-1-1-utf-7", "csunicode11utf7", "x-imap4-modified-utf7",
        "iso-2022-", "iso2022", "csiso2022",         "x-iso-2022-"};
    label = TrimAsciiSpace(label);
    return label == "hz" ||
           std::any_of(std::begin(prefixes), std::end(prefixes),
                       [&](std::string_view prefix) { return label.starts_with(prefix); });
}

/// The label after "charset=" in a content attribute's value ("text/html; charset=koi8-r"), as
/// the HTML standard extracts it.
std::optional<std::string_view> CharsetOfContent(std::string_view content)
{
    const auto skipSpace = [&](std::size_t pos) {
        while (pos < content.size() && IsSpace(content[pos]))
            ++pos;
        return pos;
    };
    for (std::size_t pos = content.find("charset"); pos != std::string_view::npos;
         pos = content.find("charset", pos)) {
        pos = skipSpace(pos + 7);
        if (pos == content.size() || content[pos] != '=')
            continue;
        pos = skipSpace(pos + 1);
        if (pos == content.size())
            return std::nullopt;
        const char quote = content[pos];
        if (quote == '"' || quote == '\'') {
            const std::size_t end = content.find(quote, pos + 1);
            if (end == std::string_view::npos)
                return std::nullopt;
            return content.substr(pos + 1, end - pos - 1);
        }
        const std::size_t end = content.find_first_of("\t\n\f\r ;", pos);
        return content.substr(pos, end == std::string_view::npos ? end : end - pos);
    }
    return std::nullopt;
}

struct Attribute {
    std::string name;
    std::string value;
};

/// The HTML standard's prescan of a byte stream: it reads tags only as far as it must to find
/// a meta declaration, skipping comments and the attributes of other tags.
class Prescan {
public:
    explicit Prescan(std::string_view bytes) : m_bytes(bytes.substr(0, PrescanSize)) {}

    SniffedEncoding Run()
    {
        // Only a "<" starts anything the prescan reads.
        for (; (m_pos = m_bytes.find('<', m_pos)) != std::string_view::npos; ++m_pos) {
            if (At("<!--")) {
                // The "-->" may share its dashes with the "<!--".
                m_pos = m_bytes.find("-->", m_pos + 2);
                if (m_pos == std::string_view::npos)
                    break;
                m_pos += 2;
            } else if (AtCaseless("<meta") && m_pos + 5 < m_bytes.size() &&
                       (IsSpace(m_bytes[m_pos + 5]) || m_bytes[m_pos + 5] == '/')) {
                const std::size_t meta = m_pos;
                m_pos += 5;
                if (std::optional<SniffedEncoding> found = ReadMeta(meta))
                    return *found;
            } else if (At("<") && (IsLetterAt(m_pos + 1) || (At("</") && IsLetterAt(m_pos + 2)))) {
                m_pos = m_bytes.find_first_of("\t\n\f\r >", m_pos);
                if (m_pos == std::string_view::npos)
                    break;
                while (ReadAttribute()) {
                }
            } else if (At("<!") || At("</") || At("<?")) {
                m_pos = m_bytes.find('>', m_pos + 1);
                if (m_pos == std::string_view::npos)
                    break;
            }
            if (m_ended)
                break;
        }
        SniffedEncoding sniffed;
        if (!m_statefulLabel.empty()) {
            sniffed.source = SniffedEncoding::Source::StatefulDeclaration;
            sniffed.label = m_statefulLabel;
            sniffed.declarationOffset = m_statefulOffset;
        }
        return sniffed;
    }

private:
    bool At(std::string_view text) const { return m_bytes.substr(m_pos).starts_with(text); }

    bool AtCaseless(std::string_view lower) const
    {
        const std::string_view here = m_bytes.substr(m_pos, lower.size());
        return here.size() == lower.size() &&
               std::equal(here.begin(), here.end(), lower.begin(),
                          [](char a, char b) { return ToAsciiLower(a) == b; });
    }

    bool IsLetterAt(std::size_t pos) const
    {
        return pos < m_bytes.size() && IsAsciiLetter(m_bytes[pos]);
    }

    /// The attributes of the meta tag at `meta`, from m_pos on; the encoding it declares, if
    /// any.
    std::optional<SniffedEncoding> ReadMeta(std::size_t meta)
    {
        std::set<std::string> names;
        bool gotPragma = false;
        std::optional<bool> needPragma;
        const TextEncoding* charset = nullptr;
        std::string label;
        bool failed = false; // a charset attribute names no encoding
        std::string unknownContentLabel;
        while (std::optional<Attribute> attribute = ReadAttribute()) {
            if (!names.insert(attribute->name).second)
                continue;
            if (attribute->name == "http-equiv") {
                gotPragma = gotPragma || attribute->value == "content-type";
            } else if (attribute->name == "content") {
                const std::optional<std::string_view> declared = CharsetOfContent(attribute->value);
                if (declared && !charset && !failed) {
                    if (const TextEncoding* encoding = EncodingOfLabel(*declared)) {
                        charset = encoding;
                        label = TrimAsciiSpace(*declared);
                        needPragma = true;
                    } else if (unknownContentLabel.empty()) {
                        unknownContentLabel = *declared;
                    }
                }
            } else if (attribute->name == "charset") {
                charset = EncodingOfLabel(attribute->value);
                failed = !charset;
                label = TrimAsciiSpace(attribute->value);
                needPragma = false;
            }
        }
        if (m_ended)
            return std::nullopt;
        if (!charset) {
            // A label the standard does not know is passed over; one of a stateful encoding
            // is remembered, should nothing else be declared.
            const std::string_view unknown = failed      ? std::string_view(label)
                                             : gotPragma ? std::string_view(unknownContentLabel)
                                                         : std::string_view();
            if (m_statefulLabel.empty() && IsStatefulLabel(unknown)) {
                m_statefulLabel = TrimAsciiSpace(unknown);
                m_statefulOffset = meta;
            }
            return std::nullopt;
        }
        if (*needPragma && !gotPragma)
            return std::nullopt;
        if (charset->form == EncodingForm::Utf16LE || charset->form == EncodingForm::Utf16BE)
            charset = &Utf8Encoding();
        else if (charset->iconvName.empty() && charset->form != EncodingForm::Replacement)
            charset = &Windows1252Encoding(); // x-user-defined
        SniffedEncoding sniffed;
        sniffed.source = SniffedEncoding::Source::Declaration;
        sniffed.encoding = charset;
        sniffed.declarationOffset = meta;
        sniffed.label = label;
        return sniffed;
    }

    /// The prescan's "get an attribute": names and values in lower case, values unquoted.
    /// Nothing when the tag ends (m_pos at its ">") or the bytes do (m_ended).
    std::optional<Attribute> ReadAttribute()
    {
        char c = 0;
        const auto next = [&] {
            if (m_pos >= m_bytes.size()) {
                m_ended = true;
                return false;
            }
            c = m_bytes[m_pos];
            return true;
        };
        for (; next() && (IsSpace(c) || c == '/'); ++m_pos) {
        }
        if (m_ended || c == '>')
            return std::nullopt;
        Attribute attribute;
        for (;; ++m_pos) {
            if (!next())
                return std::nullopt;
            if (c == '=' && !attribute.name.empty())
                break;
            if (IsSpace(c)) {
                for (; next() && IsSpace(c); ++m_pos) {
                }
                if (m_ended)
                    return std::nullopt;
                if (c != '=')
                    return attribute;
                break;
            }
            if (c == '/' || c == '>')
                return attribute;
            attribute.name += ToAsciiLower(c);
        }
        for (++m_pos; next() && IsSpace(c); ++m_pos) {
        }
        if (m_ended)
            return std::nullopt;
        if (c == '"' || c == '\'') {
            const char quote = c;
            for (++m_pos; next(); ++m_pos) {
                if (c == quote) {
                    ++m_pos;
                    return attribute;
                }
                attribute.value += ToAsciiLower(c);
            }
            return std::nullopt;
        }
        if (c == '>')
            return attribute;
        for (; next(); ++m_pos) {
            if (IsSpace(c) || c == '>')
                return attribute;
            attribute.value += ToAsciiLower(c);
        }
        return std::nullopt;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    /// Set once the prescan has read past the bytes it may read: it found nothing.
    bool m_ended = false;
    std::string m_statefulLabel;
    std::size_t m_statefulOffset = 0;
};

/// Whether the page begins with markup written as UTF-16 in one byte order: its first code
/// units (eight, or all of a shorter page) are ASCII characters other than NUL, "<" among
/// them. No page in an ASCII-compatible encoding has NUL bytes at every other place.
bool LooksLikeUtf16(std::string_view bytes, bool bigEndian)
{
    const std::size_t units = std::min<std::size_t>(bytes.size() / 2, 8);
    bool markup = false;
    for (std::size_t i = 0; i < units; ++i) {
        const auto high = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
        const auto low = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
        if (high != 0 || low == 0 || low >= 0x80)
            return false;
        markup = markup || low == '<';
    }
    return units >= 2 && markup;
}

} // namespace

SniffedEncoding SniffEncoding(std::string_view bytes)
{
    SniffedEncoding sniffed;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        sniffed.encoding = &Utf8Encoding();
        sniffed.bomSize = 3;
    } else if (bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xFF\xFE")) {
        sniffed.encoding = &Utf16Encoding(bytes[0] == '\xFE');
        sniffed.bomSize = 2;
    }
    if (sniffed.encoding) {
        sniffed.source = SniffedEncoding::Source::ByteOrderMark;
        return sniffed;
    }
    sniffed = Prescan(bytes).Run();
    if (sniffed.source == SniffedEncoding::Source::None) {
        for (const bool bigEndian : {false, true}) {
            if (LooksLikeUtf16(bytes, bigEndian)) {
                sniffed.source = SniffedEncoding::Source::Utf16WithoutMark;
                sniffed.encoding = &Utf16Encoding(bigEndian);
            }
        }
    }
    return sniffed;
}

} // namespace quillveil
