#include "MarkupScanner.h"

#include "AsciiText.h"

#include <algorithm>

namespace quillveil {

namespace {

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

} // namespace

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

} // namespace quillveil
