#include "HtmlReader.h"

#include "AsciiText.h"
#include "DecodedText.h"
#include "SourcePositions.h"

#include <gumbo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace quillveil {

namespace {

// Gumbo keeps its error record out of its public header. Its first members, and the numbers
// of the errors read here, are those of Gumbo 0.10.1, the one version configure accepts.
struct GumboErrorHead {
    int type;
    GumboSourcePosition position;
};
enum GumboErrorType : int {
    TagEof = 9,
    AttributeNameEof = 15,
    DoubleQuotedValueEof = 17,
    SingleQuotedValueEof = 18,
    UnquotedValueEof = 19,
    AfterAttributeEof = 22,
    SolidusEof = 25,
};

/// Errors Gumbo records at most. Each of its tree builder's errors holds a copy of the stack
/// of open elements, so a text of deeply nested tags that are never closed would otherwise
/// take memory as the square of its depth (gigabytes from 20,000 <div>).
constexpr unsigned MaxErrors = 1000;

/// Readings with scripts tried at most, each blanking the noscript elements the last one
/// found (one that holds a textarea, say, can hide a later noscript from the first).
constexpr int MaxScriptingRounds = 4;

} // namespace

/// One parse by Gumbo, with all the memory it took, freed at once. Gumbo 0.10.1 aborts the
/// process on some rare markup; callers that must survive that parse in a process of their own.
class HtmlParse {
public:
    /// Parses `text`, which must outlive the parse, or `owned` when `text` is empty; records
    /// at most MaxErrors errors unless `allErrors`.
    explicit HtmlParse(std::string_view text, std::string owned = {}, bool allErrors = false)
        : m_owned(std::move(owned)), m_text(text.empty() ? std::string_view(m_owned) : text)
    {
        GumboOptions options = kGumboDefaultOptions;
        options.max_errors = allErrors ? -1 : static_cast<int>(MaxErrors);
        options.allocator = Allocate;
        options.deallocator = Deallocate;
        options.userdata = this;
        m_output = gumbo_parse_with_options(&options, m_text.data(), m_text.size());
    }

    HtmlParse(const HtmlParse&) = delete;
    HtmlParse& operator=(const HtmlParse&) = delete;

    /// Frees the whole tree at once, which walking it to free each node would only slow.
    ~HtmlParse()
    {
        for (Block* block = m_blocks.next; block != &m_blocks;) {
            Block* next = block->next;
            std::free(block);
            block = next;
        }
    }

    const GumboOutput& Output() const { return *m_output; }
    const GumboNode* Root() const { return m_output->document; }
    bool ErrorsCut() const { return m_output->errors.length >= MaxErrors; }

    /// Whether `piece` is a stretch of the text. What the tree builder makes up, as the prompt
    /// and the name="isindex" of <isindex>, points elsewhere, and a value cut off by the end of
    /// the text may have a length that reaches past it; compared as numbers, not as pointers.
    bool HasSource(const GumboStringPiece& piece) const
    {
        const auto at = reinterpret_cast<std::uintptr_t>(piece.data);
        const auto base = reinterpret_cast<std::uintptr_t>(m_text.data());
        return piece.data != nullptr && piece.length > 0 && at >= base &&
               at - base <= m_text.size() && piece.length <= m_text.size() - (at - base);
    }

    std::size_t OffsetOf(const GumboStringPiece& piece) const
    {
        return static_cast<std::size_t>(piece.data - m_text.data());
    }

private:
    /// The head of each allocation: a ring through all of them. Two pointers keep what
    /// follows aligned as malloc aligns.
    struct Block {
        Block* prev;
        Block* next;
    };

    static void* Allocate(void* self, std::size_t size)
    {
        auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size));
        // No exception may cross Gumbo's C frames, and Gumbo does not check for null.
        if (!block)
            std::abort();
        Block& ring = static_cast<HtmlParse*>(self)->m_blocks;
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

    std::string m_owned;
    std::string_view m_text;
    Block m_blocks{&m_blocks, &m_blocks};
    GumboOutput* m_output = nullptr;
};

namespace {

const GumboVector* Children(const GumboNode* node)
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

bool IsHtmlElement(const GumboNode* node, GumboTag tag)
{
    return node && node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == tag &&
           node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

/// Calls visit(node, inPlaintext) for every node below `root`, parents first, without
/// recursion (the tree is as deep as the text nests its tags); visit returns whether to go
/// below the node. Inside plaintext the tokenizer reads all as text, though the tree builder
/// may reopen formatting elements in it ("<a><plaintext>x").
template <class Visit> void ForEachNode(const GumboNode* root, Visit visit)
{
    std::vector<std::pair<const GumboNode*, bool>> stack{{root, false}};
    while (!stack.empty()) {
        const auto [node, inPlaintext] = stack.back();
        stack.pop_back();
        const GumboVector* children = Children(node);
        if (!visit(node, inPlaintext) || !children)
            continue;
        const bool below = inPlaintext || IsHtmlElement(node, GUMBO_TAG_PLAINTEXT);
        for (unsigned i = children->length; i-- > 0;)
            stack.emplace_back(static_cast<const GumboNode*>(children->data[i]), below);
    }
}

/// The name, as written, of an element Gumbo does not know. Its source of the tag starts
/// with any "</>" right before it, which the tokenizer drops without a token of its own.
std::string UnknownTagName(const GumboElement& element)
{
    GumboStringPiece tag = element.original_tag;
    while (tag.length > 3 && std::string_view(tag.data, 3) == "</>") {
        tag.data += 3;
        tag.length -= 3;
    }
    gumbo_tag_from_original_text(&tag);
    std::string name(tag.data ? tag.data : "", tag.length);
    std::transform(name.begin(), name.end(), name.begin(), ToAsciiLower);
    return name;
}

std::string ElementName(const GumboElement& element)
{
    return element.tag != GUMBO_TAG_UNKNOWN ? gumbo_normalized_tagname(element.tag)
                                            : UnknownTagName(element);
}

/// Where a browser that runs scripts ends a noscript whose inside starts at `begin`: at the
/// first "</noscript" (in any letter case) followed by white space, "/" or ">", or at the end.
std::size_t ScriptingNoscriptEnd(std::string_view text, std::size_t begin)
{
    constexpr std::string_view endTag = "</noscript";
    const auto same = [](char a, char b) { return ToAsciiLower(a) == b; };
    for (auto at = text.begin() + static_cast<std::ptrdiff_t>(begin);;) {
        at = std::search(at, text.end(), endTag.begin(), endTag.end(), same);
        if (at == text.end() || text.end() - at == static_cast<std::ptrdiff_t>(endTag.size()))
            return text.size();
        at += static_cast<std::ptrdiff_t>(endTag.size());
        if (std::string_view("\t\n\f\r />").find(*at) != std::string_view::npos)
            return static_cast<std::size_t>(at - text.begin()) - endTag.size();
    }
}

/// The parse of `text` as a browser that runs scripts reads it, with the same offsets: the
/// inside of each noscript blanked to spaces, which gives the tree builder what raw text gives
/// it. Null where the text holds no noscript with anything inside (it reads as `plain` then);
/// `settled` false where the noscript elements kept coming.
std::unique_ptr<HtmlParse> ParseWithScripts(std::string_view text, const HtmlParse& plain,
                                            bool& settled)
{
    std::string blanked;
    std::unique_ptr<HtmlParse> parse;
    const HtmlParse* latest = &plain;
    for (int round = 0;; ++round) {
        bool more = false;
        ForEachNode(latest->Root(), [&](const GumboNode* node, bool) {
            if (!IsHtmlElement(node, GUMBO_TAG_NOSCRIPT) ||
                !latest->HasSource(node->v.element.original_tag))
                return true;
            const GumboStringPiece& tag = node->v.element.original_tag;
            const std::size_t begin = latest->OffsetOf(tag) + tag.length;
            const std::size_t end = ScriptingNoscriptEnd(text, begin);
            const std::string_view inside =
                (blanked.empty() ? text : blanked).substr(begin, end - begin);
            if (inside.find_first_not_of(' ') == std::string_view::npos)
                return false;
            if (blanked.empty())
                blanked = text;
            std::fill(blanked.begin() + static_cast<std::ptrdiff_t>(begin),
                      blanked.begin() + static_cast<std::ptrdiff_t>(end), ' ');
            more = true;
            return false;
        });
        if (!more)
            return parse;
        if (round == MaxScriptingRounds) {
            settled = false;
            return parse;
        }
        parse = std::make_unique<HtmlParse>(std::string_view(), blanked);
        latest = parse.get();
    }
}

/// Whether two parses built the same document, as Describe would tell, without writing the
/// descriptions out (a large text's would cost as much memory as its tree).
bool SameDocument(const HtmlParse& a, const HtmlParse& b, bool withScripts)
{
    const auto same = [](const char* x, const char* y) { return std::strcmp(x, y) == 0; };
    const auto textual = [](const GumboNode* node) {
        return node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE &&
               node->type != GUMBO_NODE_COMMENT;
    };
    const GumboDocument& docA = a.Root()->v.document;
    const GumboDocument& docB = b.Root()->v.document;
    if (docA.has_doctype != docB.has_doctype || !same(docA.name, docB.name) ||
        !same(docA.public_identifier, docB.public_identifier) ||
        !same(docA.system_identifier, docB.system_identifier) ||
        docA.doc_type_quirks_mode != docB.doc_type_quirks_mode)
        return false;
    std::vector<std::pair<const GumboNode*, const GumboNode*>> stack{{a.Root(), b.Root()}};
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        if (x->type != GUMBO_NODE_DOCUMENT) {
            if (textual(x) != textual(y) ||
                (x->type == GUMBO_NODE_COMMENT) != (y->type == GUMBO_NODE_COMMENT))
                return false;
            if (x->type == GUMBO_NODE_COMMENT || textual(x)) {
                if (!same(x->v.text.text, y->v.text.text))
                    return false;
                continue;
            }
            const GumboElement& ex = x->v.element;
            const GumboElement& ey = y->v.element;
            if (ex.tag_namespace != ey.tag_namespace || ElementName(ex) != ElementName(ey) ||
                ex.attributes.length != ey.attributes.length)
                return false;
            for (unsigned i = 0; i < ex.attributes.length; ++i) {
                const auto* ax = static_cast<const GumboAttribute*>(ex.attributes.data[i]);
                const auto* ay = static_cast<const GumboAttribute*>(ey.attributes.data[i]);
                if (!same(ax->name, ay->name) || !same(ax->value, ay->value))
                    return false;
            }
            if (withScripts && IsHtmlElement(x, GUMBO_TAG_NOSCRIPT))
                continue;
        }
        const GumboVector* cx = Children(x);
        const GumboVector* cy = Children(y);
        if (cx->length != cy->length)
            return false;
        for (unsigned i = 0; i < cx->length; ++i)
            stack.emplace_back(static_cast<const GumboNode*>(cx->data[i]),
                               static_cast<const GumboNode*>(cy->data[i]));
    }
    return true;
}

} // namespace

/// Turns Gumbo's trees into runs; a friend of HtmlReading.
class HtmlReaderImpl {
public:
    HtmlReaderImpl(std::string_view source, HtmlReading& reading)
        : m_source(source), m_reading(reading)
    {}

    void Read()
    {
        m_reading.m_source = m_source;
        if (const std::size_t invalid = FirstInvalidUtf8(m_source); invalid != m_source.npos)
            AddProblem(HtmlProblemKind::InvalidUtf8, invalid);
        auto plain = std::make_unique<HtmlParse>(m_source);
        m_reading.m_readings.push_back(RunsOf(*plain, false));
        ReadEnd(*plain);
        bool settled = true;
        auto scripting = ParseWithScripts(m_source, *plain, settled);
        if (!settled)
            AddProblem(HtmlProblemKind::NoscriptUnsettled, 0);
        m_reading.m_parses.push_back(std::move(plain));
        if (scripting) {
            m_reading.m_readings.push_back(RunsOf(*scripting, true));
            m_reading.m_parses.push_back(std::move(scripting));
        }
    }

private:
    /// The runs of one parse; `withScripts`: noscript's inside is raw text, never shown.
    std::vector<HtmlRun> RunsOf(const HtmlParse& parse, bool withScripts)
    {
        m_parse = &parse;
        m_runs.clear();
        ForEachNode(parse.Root(), [&](const GumboNode* node, bool inPlaintext) {
            switch (node->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                AddElement(node);
                return !withScripts || !IsHtmlElement(node, GUMBO_TAG_NOSCRIPT);
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA: // text, and CDATA sections, of SVG or MathML
                AddText(node, inPlaintext);
                return false;
            case GUMBO_NODE_COMMENT:
                AddComment(node);
                return false;
            case GUMBO_NODE_DOCUMENT:
                return true;
            }
            return true;
        });
        std::vector<HtmlRun> runs = std::move(m_runs);
        std::stable_sort(runs.begin(), runs.end(),
                         [](const HtmlRun& a, const HtmlRun& b) { return a.begin < b.begin; });
        // Elements that the tree builder copies repeat the source of their original, and a
        // text node's span may take in text the tree builder moved to another node: runs must
        // not overlap, so a later one yields.
        std::size_t kept = 0;
        for (HtmlRun& run : runs) {
            if (kept > 0 && run.begin < runs[kept - 1].end) {
                if (run.end <= runs[kept - 1].end)
                    continue;
                run.begin = runs[kept - 1].end;
                run.uncertain = true;
            }
            runs[kept++] = run;
        }
        runs.resize(kept);
        return runs;
    }

    /// The name of a known element; the parse keeps the strings the runs point to.
    static std::string_view NameOf(const GumboNode* node)
    {
        const bool element =
            node && (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE);
        return element ? gumbo_normalized_tagname(node->v.element.tag) : "";
    }

    void AddElement(const GumboNode* node)
    {
        const GumboElement& element = node->v.element;
        for (const GumboStringPiece* tag : {&element.original_tag, &element.original_end_tag})
            if (m_parse->HasSource(*tag))
                m_covered = std::max(m_covered, m_parse->OffsetOf(*tag) + tag->length);
        // Copies made by the tree builder repeat their original's attributes.
        if (node->parse_flags & (GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT |
                                 GUMBO_INSERTION_ADOPTION_AGENCY_CLONED))
            return;
        for (unsigned i = 0; i < element.attributes.length; ++i) {
            const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
            const GumboStringPiece& name = attribute->original_name;
            const GumboStringPiece& value = attribute->original_value;
            if (!m_parse->HasSource(name) || (value.length > 0 && !m_parse->HasSource(value)))
                continue;
            HtmlRun run;
            run.kind = HtmlRunKind::AttributeValue;
            run.decodesReferences = true;
            run.element = NameOf(node);
            run.attribute = attribute->name;
            PlaceValue(m_parse->OffsetOf(name) + name.length, run);
            m_covered = std::max(m_covered, run.end);
            m_runs.push_back(run);
        }
    }

    /// Places the value of the attribute whose name ends at `nameEnd` by the tokenizer's rule:
    /// after "=" and white space, quoted up to its quote, or unquoted up to white space or ">".
    /// (Gumbo's own source of an unquoted value starts after a reference it starts with.)
    void PlaceValue(std::size_t nameEnd, HtmlRun& run) const
    {
        constexpr std::string_view space = "\t\n\f\r ";
        run.begin = run.end = nameEnd;
        std::size_t pos = m_source.find_first_not_of(space, nameEnd);
        if (pos == std::string_view::npos || m_source[pos] != '=')
            return;
        pos = std::min(m_source.find_first_not_of(space, pos + 1), m_source.size());
        const char quote = pos < m_source.size() ? m_source[pos] : 0;
        if (quote == '"' || quote == '\'') {
            run.begin = pos + 1;
            run.end = std::min(m_source.find(quote, run.begin), m_source.size());
        } else {
            run.begin = pos;
            run.end = std::min(m_source.find_first_of("\t\n\f\r >", pos), m_source.size());
        }
    }

    static HtmlRunKind TextKind(const GumboNode* parent, bool inPlaintext)
    {
        if (inPlaintext)
            return HtmlRunKind::RawText;
        if (!parent || parent->type != GUMBO_NODE_ELEMENT)
            return HtmlRunKind::Text;
        const GumboElement& e = parent->v.element;
        if (e.tag == GUMBO_TAG_SCRIPT)
            return HtmlRunKind::Script;
        if (e.tag == GUMBO_TAG_STYLE)
            return HtmlRunKind::Style;
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

    void AddText(const GumboNode* node, bool inPlaintext)
    {
        const GumboStringPiece& source = node->v.text.original_text;
        if (!m_parse->HasSource(source))
            return;
        const GumboNode* parent = node->parent;
        const bool foreign = parent && parent->type == GUMBO_NODE_ELEMENT &&
                             parent->v.element.tag_namespace != GUMBO_NAMESPACE_HTML;
        HtmlRun run;
        run.kind =
            node->type == GUMBO_NODE_CDATA ? HtmlRunKind::CData : TextKind(parent, inPlaintext);
        run.element = NameOf(parent);
        // In SVG and MathML script and style are ordinary elements, whose text is decoded.
        run.decodesReferences =
            run.kind == HtmlRunKind::Text || run.kind == HtmlRunKind::EscapableRawText ||
            (foreign && (run.kind == HtmlRunKind::Script || run.kind == HtmlRunKind::Style));
        const std::size_t begin = m_parse->OffsetOf(source);
        const std::size_t end = begin + source.length;
        m_covered = std::max(m_covered, end);
        // The parser spans a text from its first character to its last: tags it ignored
        // ("x</div>y") and CDATA sections amid SVG text lie inside such a span.
        run.uncertain = run.kind == HtmlRunKind::Text &&
                        source.length != std::string_view(node->v.text.text).size() &&
                        m_source.substr(begin, end - begin).find_first_of("<>") != m_source.npos;
        AddRun(run, begin, end);
    }

    void AddComment(const GumboNode* node)
    {
        const GumboStringPiece& source = node->v.text.original_text;
        if (!m_parse->HasSource(source))
            return;
        HtmlRun run;
        run.kind = HtmlRunKind::Comment;
        run.element = NameOf(node->parent);
        const std::size_t begin = m_parse->OffsetOf(source);
        AddRun(run, begin, begin + source.length);
        m_covered = std::max(m_covered, begin + source.length);
        if (begin + source.length == m_source.size() && !IsClosedComment(m_source.substr(begin)))
            AddProblem(HtmlProblemKind::EndsInsideComment, m_source.size());
    }

    static bool IsClosedComment(std::string_view comment)
    {
        if (!comment.starts_with("<!--"))
            return comment.ends_with('>'); // "<?...>", "<!...>", "</ ...>" end at the first ">"
        return comment == "<!-->" || comment == "<!--->" ||
               (comment.size() >= 7 && comment.ends_with("-->")) || comment.ends_with("--!>");
    }

    void AddRun(HtmlRun run, std::size_t begin, std::size_t end)
    {
        if (begin >= end)
            return;
        run.begin = begin;
        run.end = end;
        m_runs.push_back(run);
    }

    /// Whether the text ends inside a tag, from the parser's errors. Where it recorded all it
    /// may, the end is read again from the part after the last thing the tree accounts for:
    /// that part holds only tokens the tree builder ignored, then the tag cut off, if any, so
    /// it nests nothing and all its errors may be recorded.
    void ReadEnd(const HtmlParse& parse)
    {
        if (!parse.ErrorsCut()) {
            ReadEndErrors(parse, 0, m_source.size());
            return;
        }
        const std::string_view tail = m_source.substr(m_covered);
        if (tail.find('<') != std::string_view::npos)
            ReadEndErrors(HtmlParse(tail, {}, true), m_covered, tail.size());
    }

    /// Reads the errors of a parse of the text's part from `base`, `size` bytes long.
    void ReadEndErrors(const HtmlParse& parse, std::size_t base, std::size_t size)
    {
        const GumboVector& errors = parse.Output().errors;
        for (unsigned i = 0; i < errors.length; ++i) {
            const auto* error = static_cast<const GumboErrorHead*>(errors.data[i]);
            if (error->position.offset != size)
                continue;
            switch (error->type) {
            case TagEof:
            case AttributeNameEof:
            case UnquotedValueEof:
            case AfterAttributeEof:
            case SolidusEof:
                AddProblem(HtmlProblemKind::EndsInsideTag, base + size);
                break;
            case DoubleQuotedValueEof:
            case SingleQuotedValueEof:
                AddProblem(HtmlProblemKind::EndsInsideQuotedValue, base + size,
                           error->type == DoubleQuotedValueEof ? '"' : '\'');
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

    std::string_view m_source;
    HtmlReading& m_reading;
    const HtmlParse* m_parse = nullptr;
    std::vector<HtmlRun> m_runs;
    /// The end of the last thing the tree accounts for.
    std::size_t m_covered = 0;
};

HtmlReading::HtmlReading() = default;
HtmlReading::~HtmlReading() = default;
HtmlReading::HtmlReading(HtmlReading&&) noexcept = default;
HtmlReading& HtmlReading::operator=(HtmlReading&&) noexcept = default;

HtmlReading ReadHtml(std::string_view source)
{
    HtmlReading reading;
    HtmlReaderImpl(source, reading).Read();
    return reading;
}

bool HtmlReading::ReadsAlike(std::string_view edited) const
{
    const HtmlParse plain(edited);
    if (!SameDocument(*m_parses.front(), plain, false))
        return false;
    bool settled = true;
    const auto scripting = ParseWithScripts(edited, plain, settled);
    return settled && SameDocument(*m_parses.back(), scripting ? *scripting : plain, true);
}

HtmlPosition HtmlReading::PositionOf(std::size_t offset) const
{
    // Asked for once in a while (where a problem lies): counted on demand rather than
    // indexing the lines of every text read.
    return SourcePositions(m_source)(offset);
}

std::string DescribeDocument(std::string_view source)
{
    const HtmlParse parse(source);
    const GumboDocument& document = parse.Root()->v.document;
    std::string description = "#document";
    if (document.has_doctype)
        description += " <!DOCTYPE " + std::string(document.name) + " \"" +
                       document.public_identifier + "\" \"" + document.system_identifier + "\">";
    description += " quirks" + std::to_string(document.doc_type_quirks_mode) + "\n";
    std::vector<std::pair<const GumboNode*, std::size_t>> stack;
    const auto pushChildren = [&](const GumboNode* node, std::size_t depth) {
        if (const GumboVector* children = Children(node))
            for (unsigned i = children->length; i-- > 0;)
                stack.emplace_back(static_cast<const GumboNode*>(children->data[i]), depth);
    };
    pushChildren(parse.Root(), 1);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        description.append(2 * depth, ' ');
        if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            const GumboElement& element = node->v.element;
            description.append("<").append(ElementName(element)).append(" ns");
            description.append(std::to_string(element.tag_namespace));
            for (unsigned i = 0; i < element.attributes.length; ++i) {
                const auto* attribute =
                    static_cast<const GumboAttribute*>(element.attributes.data[i]);
                description.append(" ").append(attribute->name).append("=\"");
                description.append(attribute->value).append("\"");
            }
            description += ">\n";
            pushChildren(node, depth + 1);
        } else if (node->type == GUMBO_NODE_COMMENT) {
            description.append("<!--").append(node->v.text.text).append("-->\n");
        } else {
            description.append("\"").append(node->v.text.text).append("\"\n");
        }
    }
    return description;
}

} // namespace quillveil
