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

class PageEditor {
public:
    explicit PageEditor(std::string_view source) : m_source(source) {}

    void ProtectRun(const HtmlRun& run, std::vector<PageChange>& changes)
    {
        const std::string_view value = m_source.substr(run.begin, run.end - run.begin);
        const bool inAttribute = run.kind == HtmlRunKind::AttributeValue;
        if (inAttribute && value.find_first_of(":&") != std::string_view::npos) {
            const std::string decoded = DecodeAttributeValue(value);
            if (IsMailtoUrl(decoded)) {
                if (EncodeEntities(decoded) != value)
                    changes.push_back({PageChange::Kind::MailtoUrl, run.begin, run.end, {}});
                return;
            }
        }
        // Addresses in the stretches between character references: a reference's source is
        // never cut into, so each reads as before.
        std::size_t stretch = 0;
        for (std::size_t amp = value.find('&');; amp = value.find('&', amp)) {
            const std::size_t stop = amp == std::string_view::npos ? value.size() : amp;
            ProtectStretch(run.begin + stretch, value.substr(stretch, stop - stretch), inAttribute,
                           changes);
            if (amp == std::string_view::npos)
                break;
            const CharacterReference reference = ReadCharacterReference(value, amp, inAttribute);
            stretch = amp + std::max<std::size_t>(reference.length, 1);
            amp = stretch;
        }
    }

private:
    static void ProtectStretch(std::size_t offset, std::string_view stretch, bool inAttribute,
                               std::vector<PageChange>& changes)
    {
        bool afterMailto = false;
        std::size_t mailtoEnd = 0;
        ForEachAddress(stretch, [&](AddressMatch match) {
            // In an attribute "&copymailto:" is text, but "&copy&#109;" a reference: the
            // letters and digits before a match go with it, so no "&" meets a new neighbour.
            if (inAttribute && match.isMailto)
                while (match.begin > 0 && (IsAsciiLetter(stretch[match.begin - 1]) ||
                                           IsAsciiDigit(stretch[match.begin - 1])))
                    --match.begin;
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
    PageEditor editor(source);
    for (const HtmlRun& run : reading.Runs())
        if (IsProtectable(run))
            editor.ProtectRun(run, page.changes);
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
