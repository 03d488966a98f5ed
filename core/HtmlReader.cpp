#include "HtmlReader.h"

#include "AsciiText.h"
#include "CharacterReferences.h"
#include "SourcePositions.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <utility>

namespace quillveil {

namespace {

// Gumbo keeps its error record out of its public header. Its first members, and the numbers
// of the errors read here, are those of Gumbo 0.10.1 (checked against what it reports).
struct GumboErrorHead {
    int type;
    GumboSourcePosition position;
};
enum GumboErrorType : int {
    TagEof = 9,
    CloseTagEmpty = 11,
    AttributeNameEof = 15,
    DoubleQuotedValueEof = 17,
    SingleQuotedValueEof = 18,
    UnquotedValueEof = 19,
    AfterAttributeEof = 22,
    SolidusEof = 25,
    TreeBuilder = 40,
};

/// Where a thread's parse under way returns to should Gumbo abort it.
thread_local sigjmp_buf* t_abandonParse = nullptr;
struct sigaction g_abortBeforeUs;

extern "C" void AbandonParseOnAbort(int signal)
{
    if (t_abandonParse)
        siglongjmp(*t_abandonParse, 1);
    // An abort outside a parse is no business of ours: it ends the process as it would have.
    sigaction(SIGABRT, &g_abortBeforeUs, nullptr);
    std::raise(signal);
}

/// One parse by Gumbo, with all the memory it took. Gumbo 0.10.1 fails an assertion and
/// aborts the process on some rare markup ("<table>x<svg><title><![CDATA[y]]>z"): a text
/// that a web author pastes or a page of a site must never take the program down with it.
/// Such a parse is abandoned where it stopped (Gumbo keeps no state beyond the parse), and the
/// memory it took, which this class hands out and keeps track of, freed. Nothing in Gumbo's
/// frames needs unwinding: it is C.
class GumboParse {
public:
    GumboParse(std::string_view source, int maxErrors)
    {
        static std::once_flag installed;
        std::call_once(installed, [] {
            struct sigaction action {};
            action.sa_handler = AbandonParseOnAbort;
            sigemptyset(&action.sa_mask);
            sigaction(SIGABRT, &action, &g_abortBeforeUs);
        });
        GumboOptions options = kGumboDefaultOptions;
        options.max_errors = maxErrors;
        options.allocator = Allocate;
        options.deallocator = Deallocate;
        options.userdata = this;
        m_output = ParseOrAbandon(options, source);
    }

    GumboParse(const GumboParse&) = delete;
    GumboParse& operator=(const GumboParse&) = delete;

    /// Frees the whole tree at once, which walking it to free each node would only slow.
    ~GumboParse()
    {
        for (Block* block = m_blocks.next; block != &m_blocks;) {
            Block* next = block->next;
            std::free(block);
            block = next;
        }
    }

    /// The tree, or null where Gumbo gave up on the text.
    const GumboOutput* Output() const { return m_output; }

private:
    /// The head of each allocation: a ring through all of them. Two pointers keep what
    /// follows aligned as malloc aligns.
    struct Block {
        Block* prev;
        Block* next;
    };

    static GumboOutput* ParseOrAbandon(const GumboOptions& options, std::string_view source)
    {
        sigjmp_buf abandon;
        // The signal mask is saved too: SIGABRT stays blocked on leaving its handler otherwise.
        if (sigsetjmp(abandon, 1) != 0) {
            t_abandonParse = nullptr;
            return nullptr;
        }
        t_abandonParse = &abandon;
        GumboOutput* output = gumbo_parse_with_options(&options, source.data(), source.size());
        t_abandonParse = nullptr;
        return output;
    }

    static void* Allocate(void* self, std::size_t size)
    {
        auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size));
        // Out of memory: no exception may cross Gumbo's C frames; the parse gives up instead.
        if (!block)
            siglongjmp(*t_abandonParse, 1);
        Block& ring = static_cast<GumboParse*>(self)->m_blocks;
        block->prev = &ring;
        block->next = ring.next;
        ring.next->prev = block;
        ring.next = block;
        return block + 1;
    }

    static void Deallocate(void*, void* memory)
    {
        if (!memory)
            return;
        Block* block = static_cast<Block*>(memory) - 1;
        block->prev->next = block->next;
        block->next->prev = block->prev;
        std::free(block);
    }

    Block m_blocks{&m_blocks, &m_blocks};
    GumboOutput* m_output = nullptr;
};

/// The name, as written, of an element Gumbo does not know. Its source of the tag starts
/// with any "</>" right before it, which the tokenizer drops without a token of its own.
GumboStringPiece UnknownTagName(const GumboElement& element)
{
    GumboStringPiece tag = element.original_tag;
    while (tag.length > 3 && std::string_view(tag.data, 3) == "</>") {
        tag.data += 3;
        tag.length -= 3;
    }
    gumbo_tag_from_original_text(&tag);
    return tag;
}

std::size_t OffsetIn(std::string_view source, const GumboStringPiece& piece)
{
    return static_cast<std::size_t>(piece.data - source.data());
}

/// Whether `piece` is a stretch of `source`. What the tree builder makes up, as the prompt
/// and the name="isindex" of <isindex>, points elsewhere, and a value cut off by the end of
/// the text may have a length that reaches past it; compared as numbers, not as pointers.
bool HasSource(std::string_view source, const GumboStringPiece& piece)
{
    const auto at = reinterpret_cast<std::uintptr_t>(piece.data);
    const auto base = reinterpret_cast<std::uintptr_t>(source.data());
    return piece.data != nullptr && piece.length > 0 && at >= base && at - base <= source.size() &&
           piece.length <= source.size() - (at - base);
}

/// One character of UTF-8 text, or the bytes a decoder replaces by one U+FFFD: the longest
/// start of a valid sequence, or a single byte (as HTML's decoder reads them).
struct Utf8Character {
    std::size_t length;
    bool valid;
};

Utf8Character ReadUtf8(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80)
        return {1, true};
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0)
        return {1, false};
    // The second byte's range rules out overlong forms, surrogates and code points past
    // U+10FFFF.
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (std::size_t i = 1; i < length; ++i) {
        if (pos + i >= text.size())
            return {i, false};
        const unsigned char next = byte(pos + i);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
            return {i, false};
    }
    return {length, true};
}

/// The first byte at or after `pos` that is not ASCII, or the end: eight bytes at a time, since
/// most pages are mostly ASCII.
std::size_t SkipAscii(std::string_view text, std::size_t pos)
{
    for (; pos + 8 <= text.size(); pos += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + pos, sizeof word);
        if (word & 0x8080808080808080)
            break;
    }
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
        ++pos;
    return pos;
}

/// A stretch of markup the tree accounts for: a tag, or the start of a token the tree
/// builder ignored (then end is 0: its end is not known).
struct Markup {
    std::size_t begin;
    std::size_t end;
    /// By begin; of two at one place, the one whose end is known first.
    friend bool operator<(const Markup& a, const Markup& b)
    {
        return a.begin != b.begin ? a.begin < b.begin : a.end > b.end;
    }
};

} // namespace

/// Turns Gumbo's tree into runs; a friend of HtmlReading.
class HtmlReaderImpl {
public:
    HtmlReaderImpl(std::string_view source, HtmlReading& reading)
        : m_source(source), m_reading(reading)
    {
        m_reading.m_source = source;
    }

    void Read()
    {
        const GumboParse parse(m_source, static_cast<int>(MaxErrors));
        const GumboOutput* output = parse.Output();
        if (!output) {
            AddProblem(HtmlProblemKind::ParserFailed, 0);
            return;
        }
        ReadErrors(output->errors, 0);
        CheckUtf8();
        CollectMarkup(output->document);
        std::sort(m_markup.begin(), m_markup.end());
        Walk(output->document);
        auto& runs = m_reading.m_runs;
        std::stable_sort(runs.begin(), runs.end(),
                         [](const HtmlRun& a, const HtmlRun& b) { return a.begin < b.begin; });
        // Elements that the tree builder copies (formatting elements reopened in a new
        // paragraph) repeat the source of their original; such runs are kept once.
        runs.erase(std::unique(runs.begin(), runs.end(),
                               [](const HtmlRun& a, const HtmlRun& b) {
                                   return a.begin == b.begin && a.end == b.end && a.kind == b.kind;
                               }),
                   runs.end());
        // Text placed by the tokenizer's rule alone may take in text the tree builder moved
        // to another node, placed there too: runs must not overlap, so the later one yields.
        std::size_t kept = 0;
        for (HtmlRun& run : runs) {
            if (kept > 0 && run.begin < runs[kept - 1].end) {
                if (run.end <= runs[kept - 1].end)
                    continue;
                run.begin = runs[kept - 1].end;
            }
            runs[kept++] = run;
        }
        runs.resize(kept);
        if (output->errors.length >= MaxErrors)
            ReadEndAgain();
    }

    /// Errors Gumbo records at most. Each of its tree builder's errors holds a copy of the
    /// stack of open elements, so a text of deeply nested tags that are never closed would
    /// otherwise take memory as the square of its depth (gigabytes from 20,000 <div>).
    static constexpr unsigned MaxErrors = 1000;

    /// When the errors were cut short, whether the text ends inside a tag is read from the
    /// part after the last thing the tree or the errors account for: it starts where the
    /// tokenizer reads text, and holds only what the tree builder ignored, then the tag cut
    /// off, if any. Should that part reach the limit again, the question stays open.
    void ReadEndAgain()
    {
        std::size_t covered = 0;
        for (const HtmlRun& run : m_reading.m_runs)
            covered = std::max(covered, run.end);
        // A token the tree builder ignored starts where the tokenizer read text as well.
        for (const Markup& markup : m_markup)
            covered = std::max(covered, markup.end != 0 ? markup.end : markup.begin);
        const std::string_view tail = m_source.substr(covered);
        if (tail.find('<') == std::string_view::npos)
            return;
        const GumboParse parse(tail, static_cast<int>(MaxErrors));
        const GumboOutput* output = parse.Output();
        if (!output || output->errors.length >= MaxErrors) {
            AddProblem(output ? HtmlProblemKind::TooManyErrors : HtmlProblemKind::ParserFailed,
                       covered);
            return;
        }
        HtmlReaderImpl tailReader(tail, m_tailReading);
        tailReader.ReadErrors(output->errors, covered);
        for (const HtmlProblem& problem : m_tailReading.m_problems)
            m_reading.m_problems.push_back(problem);
    }

    /// Bytes that are not UTF-8: the parser reads them as U+FFFD.
    void CheckUtf8()
    {
        for (std::size_t pos = 0; pos < m_source.size();) {
            pos = SkipAscii(m_source, pos);
            if (pos == m_source.size())
                return;
            const Utf8Character character = ReadUtf8(m_source, pos);
            if (!character.valid) {
                AddProblem(HtmlProblemKind::InvalidUtf8, pos);
                return;
            }
            pos += character.length;
        }
    }

private:
    /// Reads Gumbo's errors on m_source, which starts at `base` in the text read.
    void ReadErrors(const GumboVector& errors, std::size_t base)
    {
        for (unsigned i = 0; i < errors.length; ++i) {
            const auto* error = static_cast<const GumboErrorHead*>(errors.data[i]);
            const std::size_t offset = error->position.offset;
            switch (error->type) {
            case TagEof:
            case AttributeNameEof:
            case UnquotedValueEof:
            case AfterAttributeEof:
            case SolidusEof:
                if (offset == m_source.size())
                    AddProblem(HtmlProblemKind::EndsInsideTag, base + offset);
                break;
            case DoubleQuotedValueEof:
            case SingleQuotedValueEof:
                if (offset == m_source.size())
                    AddProblem(HtmlProblemKind::EndsInsideQuotedValue, base + offset,
                               error->type == DoubleQuotedValueEof ? '"' : '\'');
                break;
            case CloseTagEmpty:
                // "</>", which the tokenizer drops; reported at its ">".
                if (offset >= 2 && m_source.substr(offset - 2, 3) == "</>")
                    m_markup.push_back({offset - 2, offset + 1});
                break;
            case TreeBuilder:
                // A tag the tree builder ignored leaves no trace in the tree but this. Errors
                // about text may be reported at a "<" of its own ("<<x"), which is no markup.
                if (offset < m_source.size() && OpensMarkup(offset))
                    m_markup.push_back({offset, 0});
                break;
            default:
                break;
            }
        }
    }

    void AddProblem(HtmlProblemKind kind, std::size_t offset, char quote = 0)
    {
        m_reading.m_problems.push_back({kind, offset, quote});
    }

public:
    static const GumboVector* Children(const GumboNode* node)
    {
        switch (node->type) {
        case GUMBO_NODE_DOCUMENT:
            return &node->v.document.children;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            return &node->v.element.children;
        default:
            return nullptr;
        }
    }

private:
    /// What encloses a node, beyond its parent, that changes how its text is read.
    struct Within {
        /// Inside noscript, which a browser that runs scripts reads as raw text; Gumbo, which
        /// runs none, reads markup in it.
        bool noscript = false;
        /// Inside plaintext, all after whose start tag the tokenizer reads as text, though the
        /// tree builder may reopen formatting elements in it ("<a><plaintext>x").
        bool plaintext = false;
    };

    /// Calls visit(node, within) for every node below `root`, parents first, without
    /// recursion: the tree is as deep as the text nests its tags.
    template <class Visit> static void ForEachNode(const GumboNode* root, Visit visit)
    {
        std::vector<std::pair<const GumboNode*, Within>> stack{{root, Within{}}};
        while (!stack.empty()) {
            const auto [node, within] = stack.back();
            stack.pop_back();
            visit(node, within);
            const GumboVector* children = Children(node);
            if (!children)
                continue;
            Within below = within;
            if (node->type == GUMBO_NODE_ELEMENT &&
                node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML) {
                below.noscript |= node->v.element.tag == GUMBO_TAG_NOSCRIPT;
                below.plaintext |= node->v.element.tag == GUMBO_TAG_PLAINTEXT;
            }
            for (unsigned i = children->length; i-- > 0;)
                stack.emplace_back(static_cast<const GumboNode*>(children->data[i]), below);
        }
    }

    void CollectMarkup(const GumboNode* root)
    {
        ForEachNode(root, [&](const GumboNode* node, const Within&) {
            if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
                return;
            for (const GumboStringPiece* tag :
                 {&node->v.element.original_tag, &node->v.element.original_end_tag})
                if (HasSource(m_source, *tag))
                    m_markup.push_back(
                        {OffsetIn(m_source, *tag), OffsetIn(m_source, *tag) + tag->length});
        });
    }

    void Walk(const GumboNode* root)
    {
        ForEachNode(root, [&](const GumboNode* node, const Within& within) {
            switch (node->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                return AddAttributes(node, within.noscript);
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA: // text, and CDATA sections, of SVG or MathML
                return AddText(node, within);
            case GUMBO_NODE_COMMENT:
                return AddComment(node);
            case GUMBO_NODE_DOCUMENT:
                return;
            }
        });
    }

    std::string_view ElementName(const GumboNode* element)
    {
        if (!element ||
            (element->type != GUMBO_NODE_ELEMENT && element->type != GUMBO_NODE_TEMPLATE))
            return {};
        const GumboElement& e = element->v.element;
        if (e.tag != GUMBO_TAG_UNKNOWN)
            return gumbo_normalized_tagname(e.tag);
        const GumboStringPiece name = UnknownTagName(e);
        std::string lower(name.data ? name.data : "", name.length);
        std::transform(lower.begin(), lower.end(), lower.begin(), ToAsciiLower);
        return Intern(lower);
    }

    std::string_view Intern(std::string_view name)
    {
        auto& names = m_reading.m_names;
        const auto found = names.find(name);
        return found != names.end() ? *found : *names.emplace(name).first;
    }

    void AddAttributes(const GumboNode* node, bool inNoscript)
    {
        const GumboElement& element = node->v.element;
        // Copies made by the tree builder repeat their original's attributes.
        if (node->parse_flags & (GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT |
                                 GUMBO_INSERTION_ADOPTION_AGENCY_CLONED))
            return;
        if (element.attributes.length == 0)
            return;
        const std::string_view elementName = ElementName(node);
        for (unsigned i = 0; i < element.attributes.length; ++i) {
            const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
            const GumboStringPiece& name = attribute->original_name;
            const GumboStringPiece& value = attribute->original_value;
            if (!HasSource(m_source, name) || (value.length > 0 && !HasSource(m_source, value)))
                continue;
            HtmlRun run;
            run.kind = HtmlRunKind::AttributeValue;
            run.decodesReferences = !inNoscript;
            run.element = elementName;
            run.attribute = Intern(attribute->name);
            run.tagBegin = TagBegin(element, OffsetIn(m_source, name));
            if (value.data == name.data || value.length == 0) {
                // Written without a value; Gumbo then points the value at the name.
                run.begin = run.end = OffsetIn(m_source, name) + name.length;
            } else if (!PlaceValue(OffsetIn(m_source, name) + name.length, run)) {
                run.begin = OffsetIn(m_source, value);
                run.end = run.begin + value.length;
                if (value.data[0] == '"' || value.data[0] == '\'') {
                    run.quote = value.data[0];
                    ++run.begin;
                    --run.end;
                }
            }
            m_reading.m_runs.push_back(run);
        }
    }

    /// Places the value of the attribute whose name ends at `nameEnd` by the tokenizer's rule:
    /// after "=" and white space, quoted up to its quote, or unquoted up to white space or ">".
    /// Gumbo's own source of a value is cut after a reference that starts an unquoted one
    /// ("href=&#109;ailto:..." would lose its "m"). False where no "=" follows the name.
    bool PlaceValue(std::size_t nameEnd, HtmlRun& run) const
    {
        constexpr std::string_view space = "\t\n\f\r ";
        std::size_t pos = m_source.find_first_not_of(space, nameEnd);
        if (pos == std::string_view::npos || m_source[pos] != '=')
            return false;
        pos = std::min(m_source.find_first_not_of(space, pos + 1), m_source.size());
        const char quote = pos < m_source.size() ? m_source[pos] : 0;
        if (quote == '"' || quote == '\'') {
            run.quote = quote;
            run.begin = pos + 1;
            run.end = std::min(m_source.find(quote, run.begin), m_source.size());
        } else {
            run.begin = pos;
            run.end = std::min(m_source.find_first_of(std::string_view("\t\n\f\r >"), pos),
                               m_source.size());
        }
        return true;
    }

    /// The "<" of the start tag that wrote the attribute whose name is at `nameAt`.
    std::size_t TagBegin(const GumboElement& element, std::size_t nameAt) const
    {
        const std::size_t tag = OffsetIn(m_source, element.original_tag);
        if (HasSource(m_source, element.original_tag) && tag < nameAt &&
            nameAt < tag + element.original_tag.length)
            return tag;
        // An attribute of <html> or <body> written again later lands on the first element;
        // the tag that wrote it was ignored, which the tree builder reported at its "<".
        const auto after = NextMarkup(nameAt);
        return after == m_markup.begin() ? 0 : std::prev(after)->begin;
    }

    /// How the text inside `parent` is read.
    static HtmlRunKind TextKind(const GumboNode* parent, const Within& within)
    {
        if (within.noscript || within.plaintext)
            return HtmlRunKind::RawText;
        if (!parent || parent->type != GUMBO_NODE_ELEMENT)
            return HtmlRunKind::Text;
        const GumboElement& e = parent->v.element;
        switch (e.tag) {
        case GUMBO_TAG_SCRIPT:
            return HtmlRunKind::Script;
        case GUMBO_TAG_STYLE:
            return HtmlRunKind::Style;
        default:
            break;
        }
        if (e.tag_namespace != GUMBO_NAMESPACE_HTML)
            return HtmlRunKind::Text;
        switch (e.tag) {
        case GUMBO_TAG_TITLE:
        case GUMBO_TAG_TEXTAREA:
            return HtmlRunKind::EscapableRawText;
        case GUMBO_TAG_XMP:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_PLAINTEXT:
            return HtmlRunKind::RawText;
        default:
            return HtmlRunKind::Text;
        }
    }

    /// How the tokenizer and the tree builder made a text node's characters from its source.
    struct TextRules {
        /// The contents of an element the tokenizer reads as raw text (title, script...):
        /// nothing in them is markup. Elsewhere a "<" may open a tag or a comment.
        bool rawText = false;
        /// Character references are decoded (here, as the parser did: in noscript too).
        bool decodes = true;
        /// NUL becomes U+FFFD; elsewhere the tree builder drops it.
        bool nulReplaced = false;
        /// In SVG and MathML, "<![CDATA[" opens a section whose contents are text as written.
        bool cdata = false;
        /// Whether the source is read along the tree's text, which catches what the tokenizer's
        /// rule alone would not (characters the tree builder dropped or moved).
        bool guided = true;
    };

    static TextRules RulesFor(const GumboNode* parent, const Within& within)
    {
        TextRules rules;
        if (within.plaintext) {
            rules.rawText = rules.nulReplaced = true;
            rules.decodes = false;
            return rules;
        }
        if (!parent || parent->type != GUMBO_NODE_ELEMENT)
            return rules;
        const GumboElement& e = parent->v.element;
        if (e.tag_namespace != GUMBO_NAMESPACE_HTML) {
            rules.cdata = true;
            // The tree builder replaces NUL in SVG and MathML, save where they hold HTML again.
            rules.nulReplaced = !IsIntegrationPoint(e);
            return rules;
        }
        switch (e.tag) {
        case GUMBO_TAG_TITLE:
        case GUMBO_TAG_TEXTAREA:
            rules.rawText = rules.nulReplaced = true;
            break;
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_XMP:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_PLAINTEXT:
            rules.rawText = rules.nulReplaced = true;
            rules.decodes = false;
            break;
        default:
            break;
        }
        return rules;
    }

    /// An SVG or MathML element whose text the tree builder takes as it does in HTML.
    static bool IsIntegrationPoint(const GumboElement& e)
    {
        if (e.tag_namespace == GUMBO_NAMESPACE_SVG)
            return e.tag == GUMBO_TAG_FOREIGNOBJECT || e.tag == GUMBO_TAG_DESC ||
                   e.tag == GUMBO_TAG_TITLE;
        if (e.tag == GUMBO_TAG_ANNOTATION_XML) {
            const GumboAttribute* encoding = gumbo_get_attribute(&e.attributes, "encoding");
            std::string value = encoding ? encoding->value : "";
            std::transform(value.begin(), value.end(), value.begin(), ToAsciiLower);
            return value == "text/html" || value == "application/xhtml+xml";
        }
        return e.tag == GUMBO_TAG_MI || e.tag == GUMBO_TAG_MO || e.tag == GUMBO_TAG_MN ||
               e.tag == GUMBO_TAG_MS || e.tag == GUMBO_TAG_MTEXT;
    }

    void AddText(const GumboNode* node, const Within& within)
    {
        const GumboText& text = node->v.text;
        if (!HasSource(m_source, text.original_text))
            return;
        HtmlRun run;
        run.kind = TextKind(node->parent, within);
        run.element = ElementName(node->parent);
        const bool foreign = node->parent && node->parent->type == GUMBO_NODE_ELEMENT &&
                             node->parent->v.element.tag_namespace != GUMBO_NAMESPACE_HTML;
        switch (run.kind) {
        case HtmlRunKind::Text:
        case HtmlRunKind::EscapableRawText:
            run.decodesReferences = true;
            break;
        case HtmlRunKind::Script:
        case HtmlRunKind::Style:
            // In SVG and MathML these are ordinary elements, whose text is decoded.
            run.decodesReferences = foreign;
            break;
        default:
            break;
        }
        TextRules rules = RulesFor(node->parent, within);
        // Where the tree builder keeps only white space (a frameset, a column group), it drops
        // the other characters between: nothing a browser shows, but not markup either.
        if (node->type == GUMBO_NODE_WHITESPACE)
            rules.guided = false;
        const std::size_t begin = OffsetIn(m_source, text.original_text);
        PlaceText(run, begin, begin + text.original_text.length, text.text, rules);
    }

    /// Adds the runs of a text node. Gumbo gives the source from its first character to its
    /// last, and tokens that the tree builder ignored in between ("x</div>y") are inside it.
    /// Outside raw text the tokenizer's own rule tells them apart: a "<" opens markup exactly
    /// when a letter, "/", "!" or "?" follows it. The source is read along the node's decoded
    /// text, which checks that rule against what the parser did.
    void PlaceText(const HtmlRun& run, std::size_t begin, std::size_t end, std::string_view decoded,
                   TextRules rules)
    {
        if (rules.cdata)
            begin = SectionOpenedBefore(begin);
        if (PlaceAlong(run, begin, end, decoded, rules))
            return;
        // Where the check fails, the text is still placed by the rule alone, so that link mode
        // hides what it holds; the reading is not whole, which a caller that must be sure of
        // every text (protect) takes as unreadable.
        AddProblem(HtmlProblemKind::UnplacedText, begin);
        rules.guided = false;
        PlaceAlong(run, begin, end, decoded, rules);
    }

    /// Adds the runs of a text node, or none and returns false when the source does not read
    /// as its text.
    bool PlaceAlong(HtmlRun run, std::size_t begin, std::size_t end, std::string_view decoded,
                    TextRules rules)
    {
        const std::size_t firstRun = m_reading.m_runs.size();
        std::size_t pos = begin;
        std::size_t matched = 0;
        std::size_t runStart = begin;
        for (;;) {
            pos = Follow(pos, end, decoded, matched, rules);
            if (pos == end && matched == decoded.size())
                break;
            std::size_t next = std::string_view::npos;
            if (pos < end && rules.cdata && m_source.substr(pos, 9) == "<![CDATA[") {
                AddRun(run, runStart, pos);
                runStart = pos = next = PlaceCData(run, pos, end, decoded, matched, rules);
                if (next != std::string_view::npos)
                    continue;
            } else if (pos < end && !rules.rawText && OpensMarkup(pos)) {
                next = MarkupEnd(pos, end);
                if (next == std::string_view::npos && matched == decoded.size()) {
                    // All of the text is placed; the rest is markup the tokenizer dropped, cut
                    // off by the end ("<!DOCTYPE").
                    end = pos;
                    break;
                }
            }
            if (next == std::string_view::npos) {
                m_reading.m_runs.resize(firstRun);
                return false;
            }
            AddRun(run, runStart, pos);
            runStart = pos = next;
        }
        AddRun(run, runStart, end);
        return true;
    }

    /// Where a text starts whose first characters the tree builder dropped (NUL, in MathML's
    /// and SVG's HTML places) right after "<![CDATA[": at that section, which it then starts
    /// inside of. Any other text starts at `begin`.
    std::size_t SectionOpenedBefore(std::size_t begin) const
    {
        std::size_t at = begin;
        while (at > 0 && m_source[at - 1] == '\0')
            --at;
        return at >= 9 && m_source.substr(at - 9, 9) == "<![CDATA[" ? at - 9 : begin;
    }

    /// Adds the run of the CDATA section at `pos`, delimiters included, whose contents are
    /// text as written; returns its end, or npos when they are not the text's.
    std::size_t PlaceCData(HtmlRun run, std::size_t pos, std::size_t end, std::string_view decoded,
                           std::size_t& matched, const TextRules& rules)
    {
        // Unclosed, it runs to the end of the text.
        const std::size_t close = std::min(m_source.substr(0, end).find("]]>", pos + 9), end);
        TextRules asWritten = rules;
        asWritten.rawText = true;
        asWritten.decodes = false;
        if (Follow(pos + 9, close, decoded, matched, asWritten) != close)
            return std::string_view::npos;
        run.kind = HtmlRunKind::CData;
        run.decodesReferences = false;
        const std::size_t sectionEnd = std::min(close + 3, end);
        AddRun(run, pos, sectionEnd);
        return sectionEnd;
    }

    void AddRun(HtmlRun run, std::size_t begin, std::size_t end)
    {
        if (begin == end)
            return;
        run.begin = begin;
        run.end = end;
        m_reading.m_runs.push_back(run);
    }

    /// The first markup the tree knows of at or after `pos`.
    std::vector<Markup>::const_iterator NextMarkup(std::size_t pos) const
    {
        return std::lower_bound(m_markup.begin(), m_markup.end(),
                                Markup{pos, std::string_view::npos});
    }

    /// Whether the tokenizer, reading text, takes the "<" at `pos` as the start of a tag, a
    /// comment or a doctype rather than as a character: "</" at the very end is text.
    bool OpensMarkup(std::size_t pos) const
    {
        if (m_source[pos] != '<' || pos + 1 >= m_source.size())
            return false;
        const char next = m_source[pos + 1];
        return IsAsciiLetter(next) || next == '!' || next == '?' ||
               (next == '/' && pos + 2 < m_source.size());
    }

    /// Reads the source from `pos` as text while it decodes to `decoded` from `matched`;
    /// stops before `end`, before markup, or where the two part. Returns where it stopped and
    /// advances `matched`.
    std::size_t Follow(std::size_t pos, std::size_t end, std::string_view decoded,
                       std::size_t& matched, TextRules& rules) const
    {
        constexpr std::string_view replacement = "\xEF\xBF\xBD";
        const auto markup = NextMarkup(pos);
        std::size_t limit =
            rules.rawText || markup == m_markup.end() ? end : std::min(end, markup->begin);
        // Found once: the text ends there, and the reading below stays within it.
        if (!rules.rawText)
            limit = MarkupWithin(pos, limit);
        if (!rules.guided) {
            // All that is not markup is the text's own, whatever the tree's text says.
            matched = decoded.size();
            return limit;
        }
        while (pos < limit) {
            // Plain bytes reach the tree as they are: compare them a stretch at a time.
            const std::size_t plain = PlainStretch(pos, limit);
            if (plain > 0) {
                const std::size_t same =
                    std::min(plain, decoded.size() - std::min(matched, decoded.size()));
                const auto differ =
                    std::mismatch(m_source.begin() + static_cast<std::ptrdiff_t>(pos),
                                  m_source.begin() + static_cast<std::ptrdiff_t>(pos + same),
                                  decoded.begin() + static_cast<std::ptrdiff_t>(matched));
                const auto equal = static_cast<std::size_t>(differ.first - m_source.begin()) - pos;
                pos += equal;
                matched += equal;
                if (equal < plain)
                    return pos;
                continue;
            }
            const char c = m_source[pos];
            const auto byte = static_cast<unsigned char>(c);
            if (c == '&' && rules.decodes) {
                const CharacterReference reference = ReadCharacterReference(m_source, pos, false);
                if (reference.length > 0) {
                    if (pos + reference.length > limit)
                        return pos;
                    const std::size_t length = reference.decoded.size();
                    if (decoded.substr(matched, length) != reference.decoded) {
                        // Gumbo misreads numbers from 2^31 on, U+FFFD to a browser:
                        // it wraps them around ("&#x100000041;" is "A" to it) or makes a NUL
                        // that cuts its text short. Its text is no guide past there.
                        if (m_source[pos + 1] != '#' || reference.decoded != replacement)
                            return pos;
                        rules.guided = false;
                        return Follow(pos + reference.length, end, decoded, matched, rules);
                    }
                    pos += reference.length;
                    matched += length;
                    continue;
                }
            }
            if (c == '\r') {
                // Line breaks reach the tree as LF alone.
                if (matched >= decoded.size() || decoded[matched] != '\n')
                    return pos;
                ++matched;
                pos += pos + 1 < limit && m_source[pos + 1] == '\n' ? 2u : 1u;
                continue;
            }
            if (c == '\0') {
                if (rules.nulReplaced) {
                    if (decoded.substr(matched, replacement.size()) != replacement)
                        return pos;
                    matched += replacement.size();
                }
                ++pos;
                continue;
            }
            if (byte >= 0x7F || byte < 0x20) {
                // Characters beyond ASCII, and control characters, reach the tree as they are
                // or, when they are not UTF-8, controls or noncharacters, as U+FFFD (one for
                // each longest start of a character).
                const Utf8Character character = ReadUtf8(m_source, pos);
                const std::size_t length = std::min(character.length, limit - pos);
                const std::string_view source = m_source.substr(pos, length);
                if (character.valid && decoded.substr(matched, length) == source)
                    matched += length;
                else if (decoded.substr(matched, replacement.size()) == replacement)
                    matched += replacement.size();
                else
                    return pos;
                pos += length;
                continue;
            }
            if (matched >= decoded.size() || decoded[matched] != c)
                return pos;
            ++pos;
            ++matched;
        }
        return pos;
    }

    /// How many bytes from `pos` on, before `limit`, are printable ASCII or white space other
    /// than CR, which reach the tree's text as they are (save "&", where it is decoded).
    std::size_t PlainStretch(std::size_t pos, std::size_t limit) const
    {
        static constexpr auto plain = [] {
            std::array<bool, 256> table{};
            for (unsigned byte = 0x20; byte < 0x7F; ++byte)
                table[byte] = byte != '&';
            table['\t'] = table['\n'] = table['\f'] = true;
            return table;
        }();
        std::size_t end = pos;
        while (end < limit) {
            // Eight bytes at a time where none of them can be other than plain; white space
            // other than a blank sends a word to the test byte by byte.
            if (end + 8 <= limit && !MayHoldOtherThanPlain(end)) {
                end += 8;
                continue;
            }
            if (!plain[static_cast<unsigned char>(m_source[end])])
                break;
            ++end;
        }
        return end - pos;
    }

    /// Whether the eight bytes at `pos` hold one below a blank, "&", DEL or one of 128 and
    /// above (each test tells whether any lane holds such a byte, exactly).
    bool MayHoldOtherThanPlain(std::size_t pos) const
    {
        constexpr std::uint64_t ones = 0x0101010101010101;
        constexpr std::uint64_t tops = 0x8080808080808080;
        std::uint64_t word;
        std::memcpy(&word, m_source.data() + pos, sizeof word);
        const auto anyZero = [&](std::uint64_t lanes) { return (lanes - ones) & ~lanes & tops; };
        const std::uint64_t belowBlank = (word - ones * 0x20) & ~word & tops;
        return ((word & tops) | belowBlank | anyZero(word ^ (ones * '&')) |
                anyZero(word ^ (ones * 0x7F))) != 0;
    }

    /// The first "<" in [pos, end) that opens markup, or `end`.
    std::size_t MarkupWithin(std::size_t pos, std::size_t end) const
    {
        // Searched within the stretch only: the next "<" may lie far beyond it.
        const std::string_view stretch = m_source.substr(0, end);
        for (std::size_t at = stretch.find('<', pos); at != stretch.npos;
             at = stretch.find('<', at + 1))
            if (OpensMarkup(at))
                return at;
        return end;
    }

    /// The ">" that ends a comment whose first "--" after its start is at `dashes`, or npos.
    static std::size_t CommentClose(std::string_view comment, std::size_t dashes)
    {
        for (; dashes != comment.npos; dashes = comment.find("--", dashes + 1)) {
            const std::string_view after = comment.substr(dashes + 2, 2);
            if (after.starts_with('>'))
                return dashes + 2;
            if (after == "!>")
                return dashes + 3;
        }
        return comment.npos;
    }

    /// The end of the markup that opens at `pos`, as the tokenizer reads it, or npos when it
    /// does not end before `end`. A tag the tree knows gives its end.
    std::size_t MarkupEnd(std::size_t pos, std::size_t end) const
    {
        const auto markup = NextMarkup(pos);
        if (markup != m_markup.end() && markup->begin == pos && markup->end != 0)
            return markup->end <= end ? markup->end : std::string_view::npos;
        const char next = m_source[pos + 1];
        if (IsAsciiLetter(next) || (next == '/' && IsAsciiLetter(m_source[pos + 2])))
            return TagEnd(pos, end);
        const std::string_view rest = m_source.substr(pos, end - pos);
        std::size_t close = std::string_view::npos;
        if (rest.starts_with("<!--")) {
            // A comment: "<!-->" and "<!--->" are whole ones, others end at "-->" or "--!>".
            if (rest.substr(4, 1) == ">" || rest.substr(4, 2) == "->")
                close = rest.find('>', 4);
            else if (const std::size_t dashes = rest.find("--", 4); dashes != rest.npos)
                close = CommentClose(rest, dashes);
        } else {
            // A doctype, a bogus comment ("<?x>", "</ x>", "<!x>") or "</>": up to the first ">".
            close = rest.find('>', 2);
        }
        return close < rest.size() ? pos + close + 1 : std::string_view::npos;
    }

    /// The end of the tag at `pos`, as the tokenizer reads it: the first ">" outside a quoted
    /// attribute value, or npos when there is none before `end`. A quote opens a value only
    /// right after an attribute's "=" (and any blanks after it), so the tag's states that
    /// tell where that is are followed; elsewhere a quote is a character of a name or value.
    std::size_t TagEnd(std::size_t pos, std::size_t end) const
    {
        enum class State { TagName, BeforeName, Name, AfterName, BeforeValue, Unquoted };
        State state = State::TagName;
        for (std::size_t i = pos + (m_source[pos + 1] == '/' ? 2 : 1); i < end; ++i) {
            const char c = m_source[i];
            if (c == '>')
                return i + 1;
            const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
            switch (state) {
            case State::TagName:
                if (space || c == '/')
                    state = State::BeforeName;
                break;
            case State::BeforeName:
                if (!space && c != '/')
                    state = State::Name; // "=" included: it starts a name here
                break;
            case State::Name:
            case State::AfterName:
                if (c == '=')
                    state = State::BeforeValue;
                else if (c == '/')
                    state = State::BeforeName;
                else if (space)
                    state = State::AfterName;
                else
                    state = State::Name;
                break;
            case State::BeforeValue:
                if (c == '"' || c == '\'') {
                    i = m_source.substr(0, end).find(c, i + 1);
                    if (i == std::string_view::npos)
                        return std::string_view::npos;
                    state = State::BeforeName;
                } else if (!space) {
                    state = State::Unquoted;
                }
                break;
            case State::Unquoted:
                if (space)
                    state = State::BeforeName;
                break;
            }
        }
        return std::string_view::npos;
    }

    /// Comments: their source as it stands.
    void AddComment(const GumboNode* node)
    {
        const GumboText& text = node->v.text;
        if (!HasSource(m_source, text.original_text))
            return;
        HtmlRun run;
        run.kind = HtmlRunKind::Comment;
        run.element = ElementName(node->parent);
        run.begin = OffsetIn(m_source, text.original_text);
        run.end = run.begin + text.original_text.length;
        m_reading.m_runs.push_back(run);
        if (run.end == m_source.size() &&
            !IsClosedComment(m_source.substr(run.begin, run.end - run.begin)))
            AddProblem(HtmlProblemKind::EndsInsideComment, run.end);
    }

    static bool IsClosedComment(std::string_view comment)
    {
        if (!comment.starts_with("<!--"))
            return comment.ends_with('>'); // "<?...>", "<!...>", "</ ...>" end at the first ">"
        return comment == "<!-->" || comment == "<!--->" ||
               (comment.size() >= 7 && comment.ends_with("-->")) || comment.ends_with("--!>");
    }

    std::string_view m_source;
    HtmlReading& m_reading;
    std::vector<Markup> m_markup;
    HtmlReading m_tailReading;
};

HtmlReading ReadHtml(std::string_view source)
{
    HtmlReading reading;
    HtmlReaderImpl(source, reading).Read();
    return reading;
}

std::string DescribeDocument(std::string_view source)
{
    const GumboParse parse(source, kGumboDefaultOptions.max_errors);
    const GumboOutput* output = parse.Output();
    if (!output)
        return "#document the parser gave up on\n";
    std::string description;
    std::vector<std::pair<const GumboNode*, std::size_t>> stack{{output->document, 0}};
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        description.append(2 * depth, ' ');
        switch (node->type) {
        case GUMBO_NODE_DOCUMENT:
            description += "#document";
            break;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboElement& element = node->v.element;
            description += "<";
            if (element.tag != GUMBO_TAG_UNKNOWN) {
                description += gumbo_normalized_tagname(element.tag);
            } else {
                const GumboStringPiece name = UnknownTagName(element);
                for (std::size_t i = 0; i < name.length; ++i)
                    description += ToAsciiLower(name.data[i]);
            }
            description += " ns" + std::to_string(element.tag_namespace);
            for (unsigned i = 0; i < element.attributes.length; ++i) {
                const auto* attribute =
                    static_cast<const GumboAttribute*>(element.attributes.data[i]);
                description += std::string(" ") + attribute->name + "=\"" + attribute->value + "\"";
            }
            description += ">";
            break;
        }
        case GUMBO_NODE_COMMENT:
            description += std::string("<!--") + node->v.text.text + "-->";
            break;
        default:
            description += std::string("\"") + node->v.text.text + "\"";
            break;
        }
        description += '\n';
        if (const GumboVector* children = HtmlReaderImpl::Children(node))
            for (unsigned i = children->length; i-- > 0;)
                stack.emplace_back(static_cast<const GumboNode*>(children->data[i]), depth + 1);
    }
    return description;
}

HtmlPosition HtmlReading::PositionOf(std::size_t offset) const
{
    // Asked for once in a while (where a problem lies): counted on demand rather than
    // indexing the lines of every text read.
    return SourcePositions(m_source)(offset);
}

} // namespace quillveil
