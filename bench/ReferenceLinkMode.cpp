// Link mode as it was before it read the anchor with an HTML5 parser: a hand-written markup
// scanner and the first "href=" in the text. Kept only as the reference the benchmark
// measures the present link mode against.

#include "ReferenceLinkMode.h"

#include "AsciiText.h"
#include "CharacterEncoders.h"
#include "OccurrenceSearch.h"
#include "SizedString.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillveil::reference {

namespace {

/// What one byte of a piece of HTML is to a reader of the markup.
enum class ByteRole : std::uint8_t {
    /// Part of the markup itself: "<", "/", ">", tag and attribute names, "=", quotes, the
    /// white space between attributes, comments.
    Markup,
    /// Starts a character of text between tags or of an attribute value.
    ContentStart,
    /// Continues a character reference ("&amp;") begun by a ContentStart byte.
    ContentInside,
};

std::size_t CharacterReferenceLength(std::string_view html, std::size_t pos);

/// A small HTML tokenizer that only tells markup from content; it never fails, whatever it
/// is given, and looks at each byte a bounded number of times.
class MarkupClassifier {
public:
    explicit MarkupClassifier(std::string_view html) : m_html(html), m_roles(html.size()) {}

    std::vector<ByteRole> Run()
    {
        while (m_pos < m_html.size())
            Step(m_html[m_pos]);
        return std::move(m_roles);
    }

private:
    enum class State {
        Text,
        TagName,
        BeforeAttributeName,
        AttributeName,
        AfterAttributeName,
        BeforeAttributeValue,
        DoubleQuotedValue,
        SingleQuotedValue,
        UnquotedValue,
    };

    void Step(char c)
    {
        switch (m_state) {
        case State::Text:
            if (c == '<')
                return OpenTag();
            return Content();
        case State::TagName:
            if (IsAsciiSpace(c) || c == '/')
                return Markup(State::BeforeAttributeName);
            if (c == '>')
                return Markup(State::Text);
            return Markup(State::TagName);
        case State::BeforeAttributeName:
            if (c == '>')
                return Markup(State::Text);
            if (IsAsciiSpace(c) || c == '/')
                return Markup(State::BeforeAttributeName);
            return Markup(State::AttributeName);
        case State::AttributeName:
            if (c == '=')
                return Markup(State::BeforeAttributeValue);
            if (IsAsciiSpace(c))
                return Markup(State::AfterAttributeName);
            if (c == '/' || c == '>')
                return Reconsume(State::BeforeAttributeName);
            return Markup(State::AttributeName);
        case State::AfterAttributeName:
            if (c == '=')
                return Markup(State::BeforeAttributeValue);
            if (IsAsciiSpace(c))
                return Markup(State::AfterAttributeName);
            return Reconsume(State::BeforeAttributeName);
        case State::BeforeAttributeValue:
            if (IsAsciiSpace(c))
                return Markup(State::BeforeAttributeValue);
            if (c == '"')
                return Markup(State::DoubleQuotedValue);
            if (c == '\'')
                return Markup(State::SingleQuotedValue);
            if (c == '>')
                return Markup(State::Text);
            return Reconsume(State::UnquotedValue);
        case State::DoubleQuotedValue:
            if (c == '"')
                return Markup(State::BeforeAttributeName);
            return Content();
        case State::SingleQuotedValue:
            if (c == '\'')
                return Markup(State::BeforeAttributeName);
            return Content();
        case State::UnquotedValue:
            if (IsAsciiSpace(c))
                return Markup(State::BeforeAttributeName);
            if (c == '>')
                return Markup(State::Text);
            return Content();
        }
    }

    void Markup(State next)
    {
        m_roles[m_pos++] = ByteRole::Markup;
        m_state = next;
    }

    void Reconsume(State next) { m_state = next; }

    /// One character of text or of a value; a character reference counts as one character,
    /// so nothing that starts or ends inside it is taken for a match.
    void Content()
    {
        const std::size_t length =
            std::max<std::size_t>(1, CharacterReferenceLength(m_html, m_pos));
        m_roles[m_pos] = ByteRole::ContentStart;
        for (std::size_t i = 1; i < length; ++i)
            m_roles[m_pos + i] = ByteRole::ContentInside;
        m_pos += length;
    }

    /// At "<": a start or end tag, a comment or declaration, or just a "<" in the text.
    void OpenTag()
    {
        const std::string_view rest = m_html.substr(m_pos);
        const auto at = [&](std::size_t i) { return i < rest.size() ? rest[i] : '\0'; };
        if (IsAsciiLetter(at(1)))
            return Markup(State::TagName);
        if (at(1) == '/' && IsAsciiLetter(at(2))) {
            Markup(State::TagName);
            return Markup(State::TagName);
        }
        if (at(1) == '!' || at(1) == '?' || at(1) == '/')
            return SkipComment(rest.starts_with("<!--") ? "-->" : ">");
        Content();
    }

    /// Comments, declarations and stray "</" stay as they are, up to their end or the end.
    void SkipComment(std::string_view terminator)
    {
        const std::size_t found = m_html.find(terminator, m_pos + 2);
        const std::size_t end =
            found == std::string_view::npos ? m_html.size() : found + terminator.size();
        while (m_pos < end)
            m_roles[m_pos++] = ByteRole::Markup;
        m_state = State::Text;
    }

    std::string_view m_html;
    std::vector<ByteRole> m_roles;
    std::size_t m_pos = 0;
    State m_state = State::Text;
};

std::vector<ByteRole> ClassifyMarkup(std::string_view html)
{
    return MarkupClassifier(html).Run();
}

std::size_t CharacterReferenceLength(std::string_view html, std::size_t pos)
{
    const auto at = [&](std::size_t i) { return i < html.size() ? html[i] : '\0'; };
    if (at(pos) != '&')
        return 0;
    std::size_t end = pos + 1;
    if (at(end) == '#') {
        ++end;
        const bool hex = at(end) == 'x' || at(end) == 'X';
        if (hex)
            ++end;
        const std::size_t digitsStart = end;
        while (hex ? IsAsciiHexDigit(at(end)) : IsAsciiDigit(at(end)))
            ++end;
        if (end == digitsStart)
            return 0;
        return (at(end) == ';' ? end + 1 : end) - pos;
    }
    if (!IsAsciiLetter(at(end)))
        return 0;
    while (IsAsciiLetter(at(end)) || IsAsciiDigit(at(end)))
        ++end;
    if (at(end) != ';')
        return 0;
    return end + 1 - pos;
}

constexpr std::string_view HrefKey = "href=";

/// Position of the first "href=" in any letter case, or npos.
std::size_t FindHrefKey(std::string_view link)
{
    for (std::size_t pos = 0; pos + HrefKey.size() <= link.size(); ++pos) {
        std::size_t i = 0;
        while (i < HrefKey.size() && ToAsciiLower(link[pos + i]) == HrefKey[i])
            ++i;
        if (i == HrefKey.size())
            return pos;
    }
    return std::string_view::npos;
}

/// The attribute value at the start of `rest` (the trimmed text after "href="), or empty when
/// it has no end. A quoted value runs to its closing quote of the same kind; an unquoted one
/// ends at white space or ">", as HTML reads it.
std::string_view CutAttributeValue(std::string_view rest)
{
    if (rest.empty())
        return {};
    const char first = rest.front();
    if (first == '"' || first == '\'') {
        const std::size_t close = rest.find(first, 1);
        return close == std::string_view::npos ? std::string_view{} : rest.substr(1, close - 1);
    }
    const auto end =
        std::find_if(rest.begin(), rest.end(), [](char c) { return IsAsciiSpace(c) || c == '>'; });
    return end == rest.end() ? std::string_view{}
                             : rest.substr(0, static_cast<std::size_t>(end - rest.begin()));
}

/// The value written as character references, except for the references it already holds:
/// "&amp;" in a URL stands for "&", and writing its own "&" as "&#38;" would turn it into
/// the five characters "&amp;" and break the link.
std::string EncodeValue(std::string_view value)
{
    std::string encoded;
    std::size_t runStart = 0;
    for (std::size_t pos = 0; pos < value.size();) {
        const std::size_t reference = CharacterReferenceLength(value, pos);
        if (reference == 0) {
            ++pos;
            continue;
        }
        encoded += EncodeEntities(value.substr(runStart, pos - runStart));
        encoded += value.substr(pos, reference);
        pos += reference;
        runStart = pos;
    }
    if (runStart == 0)
        return EncodeEntities(value);
    encoded += EncodeEntities(value.substr(runStart));
    return encoded;
}

/// Start positions of the occurrences of `value` to replace: from left to right, without
/// overlap, each lying wholly within one text between tags or one attribute value, and
/// neither starting nor ending inside a character reference. Occurrences that touch the
/// markup (tag or attribute names, "=", quotes, "<", "/", ">") stay, so the element stays
/// well-formed.
std::vector<std::size_t> FindReplaceableOccurrences(std::string_view link, std::string_view value)
{
    const std::vector<ByteRole> roles = ClassifyMarkup(link);
    std::vector<std::size_t> starts;
    std::size_t takenUntil = 0;
    std::size_t nextMarkup = 0; // first Markup byte at or after the current start
    ForEachOccurrence(link, value, [&](std::size_t start) {
        const std::size_t end = start + value.size();
        if (start < takenUntil || roles[start] != ByteRole::ContentStart)
            return;
        if (end < link.size() && roles[end] == ByteRole::ContentInside)
            return;
        // Starts only grow, so this pointer crosses the link once in all.
        nextMarkup = std::max(nextMarkup, start);
        while (nextMarkup < link.size() && roles[nextMarkup] != ByteRole::Markup)
            ++nextMarkup;
        if (nextMarkup < end)
            return;
        starts.push_back(start);
        takenUntil = end;
    });
    return starts;
}

std::string ReplaceOccurrences(std::string_view link, std::size_t valueSize,
                               const std::vector<std::size_t>& starts, std::string_view encoded)
{
    const std::size_t size =
        link.size() - starts.size() * valueSize + starts.size() * encoded.size();
    return MakeSizedString(size, [&](char* out) {
        std::size_t copied = 0;
        for (std::size_t start : starts) {
            out = std::copy(link.data() + copied, link.data() + start, out);
            out = std::copy(encoded.begin(), encoded.end(), out);
            copied = start + valueSize;
        }
        std::copy(link.data() + copied, link.data() + link.size(), out);
    });
}

} // namespace

std::string ReferenceLinkCode(std::string_view pasted)
{
    const std::string_view link = TrimAsciiSpace(pasted);
    const std::size_t key = FindHrefKey(link);
    if (key == std::string_view::npos)
        return {};

    const std::string_view value =
        CutAttributeValue(TrimAsciiSpace(link.substr(key + HrefKey.size())));
    if (value.empty())
        return std::string(link);
    const std::vector<std::size_t> starts = FindReplaceableOccurrences(link, value);
    return ReplaceOccurrences(link, value.size(), starts, EncodeValue(value));
}

} // namespace quillveil::reference
