#include "PageProtector.h"

#include "AddressPattern.h"
#include "AsciiText.h"
#include "CharacterEncoders.h"
#include "CharacterReferences.h"
#include "MailtoLinks.h"
#include "ReadBack.h"
#include "SizedString.h"
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
        if (inAttribute && value.find_first_of(":&") != std::string_view::npos &&
            IsMailtoUrl(DecodeAttributeValue(value))) {
            const PageChange change{PageChange::Kind::MailtoUrl, run.begin, run.end, {}};
            if (ProtectedForm(m_source, change) != value)
                changes.push_back(change);
            return;
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

/// Sorts the changes found in each reading and joins those that overlap: a mailto URL takes
/// in what lies in it, an address the "mailto:" it meets.
void MergeChanges(std::vector<PageChange>& changes)
{
    std::stable_sort(changes.begin(), changes.end(),
                     [](const PageChange& a, const PageChange& b) { return a.begin < b.begin; });
    std::size_t kept = 0;
    for (const PageChange& change : changes) {
        if (kept > 0 && change.begin < changes[kept - 1].end) {
            PageChange& last = changes[kept - 1];
            last.end = std::max(last.end, change.end);
            last.kind = std::min(last.kind, change.kind);
        } else {
            changes[kept++] = change;
        }
    }
    changes.resize(kept);
}

ProtectedPage LeftAlone(const HtmlReading& reading, HtmlProblem problem)
{
    ProtectedPage page;
    page.outcome = ProtectedPage::Outcome::Unreadable;
    page.problem = problem;
    page.problemPosition = reading.PositionOf(problem.offset);
    return page;
}

} // namespace

std::size_t ProtectedPage::AddressCount() const
{
    return static_cast<std::size_t>(
        std::count_if(changes.begin(), changes.end(),
                      [](const auto& c) { return c.kind != PageChange::Kind::MailtoText; }));
}

std::vector<PageChange> ChangesToProtect(std::string_view source, const HtmlReading& reading)
{
    std::vector<PageChange> changes;
    PageEditor editor(source);
    for (const std::vector<HtmlRun>& runs : reading.Readings())
        for (const HtmlRun& run : runs)
            if (IsProtectable(run))
                editor.ProtectRun(run, changes);
    MergeChanges(changes);
    return changes;
}

std::string ProtectedForm(std::string_view page, const PageChange& change)
{
    return MakeBoundedString(6 * (change.end - change.begin) + 8, [&](char* out) {
        return static_cast<std::size_t>(
            WriteEncodedInMarkup(page, change.begin, change.end,
                                 change.kind == PageChange::Kind::MailtoUrl, out) -
            out);
    });
}

ProtectedPage ProtectPage(std::string_view source)
{
    ProtectedPage page;
    if (!MayHoldAddress(source))
        return page;
    const HtmlReading reading = ReadHtml(source);
    if (!reading.IsWhole()) {
        // Invalid bytes are the most useful thing to name; the reader may report them later.
        HtmlProblem problem = reading.Problems().front();
        for (const HtmlProblem& found : reading.Problems())
            if (found.kind == HtmlProblemKind::InvalidUtf8)
                problem = found;
        return LeftAlone(reading, problem);
    }
    page.changes = ChangesToProtect(source, reading);
    if (page.changes.empty()) {
        page.outcome = ProtectedPage::Outcome::Unchanged;
        return page;
    }
    std::size_t bound = source.size() + 8;
    for (const PageChange& change : page.changes)
        bound += 5 * (change.end - change.begin);
    page.text = MakeBoundedString(bound, [&](char* text) {
        char* out = text;
        std::size_t copied = 0;
        for (const PageChange& change : page.changes) {
            out = std::copy(source.begin() + static_cast<std::ptrdiff_t>(copied),
                            source.begin() + static_cast<std::ptrdiff_t>(change.begin), out);
            out = WriteEncodedInMarkup(source, change.begin, change.end,
                                       change.kind == PageChange::Kind::MailtoUrl, out);
            copied = change.end;
        }
        out = std::copy(source.begin() + static_cast<std::ptrdiff_t>(copied), source.end(), out);
        return static_cast<std::size_t>(out - text);
    });
    if (!ReadsBackAlike(reading, page.text))
        return LeftAlone(reading, {HtmlProblemKind::ReadsDifferently, page.changes.front().begin});
    page.outcome = ProtectedPage::Outcome::Changed;
    SourcePositions positions(source);
    for (PageChange& change : page.changes)
        change.position = positions(change.begin);
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
    case HtmlProblemKind::NoscriptUnsettled:
        return "holds noscript elements the HTML reader cannot settle";
    case HtmlProblemKind::ParserFailed:
        return "holds markup the HTML parser fails on";
    case HtmlProblemKind::ReadsDifferently:
        return "protecting it would change how it reads";
    }
    return "cannot be read as HTML";
}

} // namespace quillveil
