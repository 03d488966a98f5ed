#include "PageProtector.h"

#include "AddressPattern.h"
#include "AsciiText.h"
#include "CharacterEncoders.h"
#include "CharacterReferences.h"
#include "MailtoLinks.h"
#include "SourcePositions.h"

#include <algorithm>

namespace quillveil {

namespace {

/// Whether a run is shown or followed by a browser after its references are decoded, and so
/// may have its addresses written as references.
bool IsProtectable(const HtmlRun& run)
{
    if (!run.decodesReferences)
        return false;
    switch (run.kind) {
    case HtmlRunKind::Text:
    case HtmlRunKind::AttributeValue:
        return true;
    case HtmlRunKind::EscapableRawText:
        // A textarea's text is what a form sends; it stays as written.
        return run.element == "title";
    default:
        return false;
    }
}

/// How an attribute value's run lies in its value. Gumbo, whose places the reader passes on,
/// starts an unquoted value that starts with a reference after that reference, and may end it
/// inside another ("<a f=&#8\"mailto&#58; o>"): editing a run that cuts into a reference would
/// change the value.
enum class ValueRun : std::uint8_t {
    /// All of the value: it starts after "=" and white space, or a quote, and ends at its quote
    /// or at the white space or ">" after an unquoted value.
    Whole,
    /// All of the value after the one reference it starts with: may be edited, but is not
    /// the whole URL of a link.
    AfterFirstReference,
    /// Cut loose from the value: left as it is, and the check names what it holds.
    Cut,
};

ValueRun PlaceInValue(std::string_view source, const HtmlRun& run)
{
    // White space to the tokenizer: not a vertical tab, which an unquoted value may hold.
    const auto isSpace = [](char c) { return c != '\v' && IsAsciiSpace(c); };
    if (run.begin == 0 || run.end > source.size())
        return ValueRun::Cut;
    const char after = run.end < source.size() ? source[run.end] : '>';
    if (run.quote != 0 ? after != run.quote : after != '>' && !isSpace(after))
        return ValueRun::Cut;
    const char before = source[run.begin - 1];
    if (before == '=' || before == run.quote || (run.quote == 0 && isSpace(before)))
        return ValueRun::Whole;
    if (run.quote != 0)
        return ValueRun::Cut;
    std::size_t value = run.begin;
    while (value > 0 && source[value - 1] != '=' && !isSpace(source[value - 1]) &&
           source[value - 1] != '>')
        --value;
    const bool afterFirstReference =
        value > 0 && source[value - 1] == '=' && source[value] == '&' &&
        ReadCharacterReference(source, value, true).length == run.begin - value;
    return afterFirstReference ? ValueRun::AfterFirstReference : ValueRun::Cut;
}

class PageEditor {
public:
    explicit PageEditor(std::string_view source) : m_source(source) {}

    /// `wholeValue`: for an attribute, whether the run is all of its value.
    void ProtectRun(const HtmlRun& run, bool wholeValue, std::vector<PageChange>& changes)
    {
        const std::string_view value = m_source.substr(run.begin, run.end - run.begin);
        const bool inAttribute = run.kind == HtmlRunKind::AttributeValue;
        if (inAttribute && wholeValue && value.find_first_of(":&") != std::string_view::npos) {
            const std::string decoded = DecodeAttributeValue(value);
            if (IsMailtoUrl(decoded)) {
                if (EncodeEntities(decoded) != value)
                    changes.push_back({PageChange::Kind::MailtoUrl, run.begin, run.end, {}});
                return;
            }
        }
        // Addresses in the stretches between character references: a reference's source is
        // never cut into, so each reads as before.
        const std::size_t first = changes.size();
        std::vector<std::size_t> stretches;
        std::size_t stretch = 0;
        for (std::size_t amp = value.find('&');; amp = value.find('&', amp)) {
            stretches.push_back(stretch);
            const std::size_t stop = amp == std::string_view::npos ? value.size() : amp;
            ProtectStretch(run.begin + stretch, value.substr(stretch, stop - stretch), inAttribute,
                           changes);
            if (amp == std::string_view::npos)
                break;
            const CharacterReference reference = ReadCharacterReference(value, amp, inAttribute);
            stretch = amp + std::max<std::size_t>(reference.length, 1);
            amp = stretch;
        }
        if (stretches.size() > 1)
            ProtectAcrossReferences(run.begin, value, stretches, first, changes);
    }

private:
    /// A harvester reads the source as it stands, where the name or digits of a reference
    /// written without ";" make a local part for an "@" right after it ("&LT@x.org", which a
    /// browser shows as "<@x.org", reads as "LT@x.org"), or the start of "mailto:". Wherever
    /// such a match is left whole by the stretches, its part in the stretch that holds its
    /// "@" or ":" is written as references as well: the reference keeps its source.
    static void ProtectAcrossReferences(std::size_t offset, std::string_view value,
                                        const std::vector<std::size_t>& stretches,
                                        std::size_t first, std::vector<PageChange>& changes)
    {
        // Matches and the changes found come in order: one pass over both.
        const std::size_t found = changes.size();
        std::size_t next = first; // the first change that does not end before the match's key
        ForEachAddress(value, [&](const AddressMatch& match) {
            const std::size_t key = match.isMailto ? match.end - 1 : value.find('@', match.begin);
            const std::size_t stretch =
                *std::prev(std::upper_bound(stretches.begin(), stretches.end(), key));
            std::size_t begin = offset + std::max(match.begin, stretch);
            std::size_t end = offset + match.end;
            for (; next < found && changes[next].end <= offset + key; ++next)
                begin = std::max(begin, changes[next].end);
            if (next < found) {
                if (changes[next].begin <= offset + key)
                    return;
                end = std::min(end, changes[next].begin);
            }
            changes.push_back(
                {match.isMailto ? PageChange::Kind::MailtoText : PageChange::Kind::Address,
                 begin,
                 end,
                 {}});
        });
        std::sort(changes.begin() + static_cast<std::ptrdiff_t>(first), changes.end(),
                  [](const PageChange& a, const PageChange& b) { return a.begin < b.begin; });
    }

    static void ProtectStretch(std::size_t offset, std::string_view stretch, bool inAttribute,
                               std::vector<PageChange>& changes)
    {
        bool afterMailto = false;
        std::size_t mailtoEnd = 0;
        std::size_t lastEnd = 0;
        ForEachAddress(stretch, [&](AddressMatch match) {
            // In an attribute "&copymailto:" is text, but "&copy&#109;" a reference: the
            // letters and digits before a match go with it, so no "&" meets a new neighbour;
            // those of an address before it ("x@a.org2mailto:") are written already.
            if (inAttribute && match.isMailto)
                while (match.begin > lastEnd && (IsAsciiLetter(stretch[match.begin - 1]) ||
                                                 IsAsciiDigit(stretch[match.begin - 1])))
                    --match.begin;
            lastEnd = match.end;
            // "mailto:" and the address right after it are one change, counted as an address.
            if (!match.isMailto && afterMailto && match.begin == mailtoEnd) {
                changes.back().end = offset + match.end;
                changes.back().kind = PageChange::Kind::Address;
                afterMailto = false;
                return;
            }
            changes.push_back(
                {match.isMailto ? PageChange::Kind::MailtoText : PageChange::Kind::Address,
                 offset + match.begin,
                 offset + match.end,
                 {}});
            afterMailto = match.isMailto;
            mailtoEnd = match.end;
        });
    }

    std::string_view m_source;
};

} // namespace

std::size_t ProtectedPage::AddressCount() const
{
    return static_cast<std::size_t>(
        std::count_if(changes.begin(), changes.end(),
                      [](const auto& c) { return c.kind != PageChange::Kind::MailtoText; }));
}

ProtectedPage ProtectPage(std::string_view source)
{
    ProtectedPage page;
    if (!MayHoldAddress(source))
        return page;
    const HtmlReading reading = ReadHtml(source);
    if (!reading.IsWhole()) {
        page.outcome = ProtectedPage::Outcome::Unreadable;
        page.problem = reading.Problems().front();
        // Invalid bytes are the most useful thing to name; the reader may report them later.
        for (const HtmlProblem& problem : reading.Problems())
            if (problem.kind == HtmlProblemKind::InvalidUtf8) {
                page.problem = problem;
                break;
            }
        page.problemPosition = reading.PositionOf(page.problem.offset);
        return page;
    }
    // An edit is safe only inside runs that lie in order within the page, apart; should the
    // reader ever hand out others, editing could reach into markup or the text around and
    // change what a browser reads: such a page is left alone, as one it cannot place.
    std::size_t placed = 0;
    for (const HtmlRun& run : reading.Runs()) {
        if (run.begin < placed || run.end < run.begin || run.end > source.size()) {
            page.outcome = ProtectedPage::Outcome::Unreadable;
            page.problem = {HtmlProblemKind::UnplacedText, std::min(run.begin, source.size())};
            page.problemPosition = reading.PositionOf(page.problem.offset);
            return page;
        }
        placed = run.end;
    }
    PageEditor editor(source);
    for (const HtmlRun& run : reading.Runs()) {
        if (!IsProtectable(run))
            continue;
        const ValueRun place =
            run.kind == HtmlRunKind::AttributeValue ? PlaceInValue(source, run) : ValueRun::Whole;
        if (place != ValueRun::Cut)
            editor.ProtectRun(run, place == ValueRun::Whole, page.changes);
    }
    // Runs never overlap, so neither do changes; were the reader ever to break that, a change
    // written over another would corrupt the page, and one of the two is dropped instead.
    std::size_t lastEnd = 0;
    std::erase_if(page.changes, [&](const PageChange& change) {
        if (change.begin < lastEnd)
            return true;
        lastEnd = change.end;
        return false;
    });
    if (page.changes.empty()) {
        page.outcome = ProtectedPage::Outcome::Unchanged;
        return page;
    }
    page.outcome = ProtectedPage::Outcome::Changed;
    page.text.reserve(source.size() + source.size() / 8);
    SourcePositions positions(source);
    std::size_t copied = 0;
    for (PageChange& change : page.changes) {
        change.position = positions(change.begin);
        page.text += source.substr(copied, change.begin - copied);
        const std::string_view piece = source.substr(change.begin, change.end - change.begin);
        if (change.kind == PageChange::Kind::MailtoUrl)
            page.text += EncodeEntities(DecodeAttributeValue(piece));
        else
            page.text += EncodeEntities(piece);
        copied = change.end;
    }
    page.text += source.substr(copied);
    return page;
}

std::string_view DescribeProblem(HtmlProblemKind kind)
{
    switch (kind) {
    case HtmlProblemKind::EndsInsideTag:
        return "ends inside a tag";
    case HtmlProblemKind::EndsInsideQuotedValue:
        return "ends inside a quoted attribute value";
    case HtmlProblemKind::EndsInsideComment:
        return "ends inside a comment";
    case HtmlProblemKind::InvalidUtf8:
        return "not valid UTF-8";
    case HtmlProblemKind::UnplacedText:
        return "holds text the HTML reader cannot place";
    case HtmlProblemKind::TooManyErrors:
        return "holds too many markup errors to tell where its tags end";
    case HtmlProblemKind::ParserFailed:
        return "holds markup the HTML parser fails on";
    }
    return "cannot be read as HTML";
}

} // namespace quillveil
