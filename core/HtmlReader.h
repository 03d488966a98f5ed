#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillveil {

/// What a run of source bytes is to a browser.
enum class HtmlRunKind : std::uint8_t {
    /// Text between tags, which a browser decodes and shows.
    Text,
    /// An attribute's value, without its quotes; decoded.
    AttributeValue,
    /// The contents of title and textarea: decoded, shown, never markup.
    EscapableRawText,
    /// The contents of script.
    Script,
    /// The contents of style.
    Style,
    /// The contents of xmp, iframe, noembed, noframes and plaintext, and everything inside
    /// noscript: never decoded, since scripting browsers read noscript as raw text.
    RawText,
    /// A comment, bogus comment or processing instruction, its delimiters included.
    Comment,
    /// A CDATA section of SVG or MathML, its delimiters included.
    CData,
};

/// One run of the source that matters, with its place in the source.
struct HtmlRun {
    /// Byte offsets into the text that was read: [begin, end).
    std::size_t begin = 0;
    std::size_t end = 0;
    HtmlRunKind kind = HtmlRunKind::Text;
    /// Whether a browser replaces character references ("&amp;") here.
    bool decodesReferences = false;
    /// Lower-case name of the element the run belongs to: the attribute's element, the
    /// text's parent; empty for comments outside any element.
    std::string_view element;
    /// Lower-case attribute name, for attribute values only.
    std::string_view attribute;
    /// For attribute values: the quote around the value ('"' or '\''), or 0 for an
    /// unquoted value or an attribute written without one (then begin == end).
    char quote = 0;
    /// For attribute values: offset of the "<" of the start tag that holds the attribute,
    /// so that runs of one tag can be told apart from the next tag's.
    std::size_t tagBegin = 0;
};

/// Why a text cannot be read as a whole, or where the reader gave up on a part of it.
enum class HtmlProblemKind : std::uint8_t {
    /// The text ends inside a start or end tag; a browser drops that tag and all after it.
    EndsInsideTag,
    /// Like EndsInsideTag, inside a quoted attribute value never closed.
    EndsInsideQuotedValue,
    /// The text ends inside a comment; a browser hides all after its start.
    EndsInsideComment,
    /// Bytes that are not UTF-8.
    InvalidUtf8,
    /// Text of the tree whose source does not read as it: its runs are placed by the
    /// tokenizer's rule alone (all that is not markup is text), unchecked.
    UnplacedText,
    /// So many parse errors that whether the text ends inside a tag is not known.
    TooManyErrors,
    /// The HTML5 parser gave up on the text: it fails on some rare markup. Nothing of the text
    /// is read then.
    ParserFailed,
};

struct HtmlProblem {
    HtmlProblemKind kind;
    /// Where in the source it was noticed.
    std::size_t offset;
    /// For EndsInsideQuotedValue: the quote that was opened.
    char quote = 0;
};

/// Line and column of a byte, both from 1; columns count characters, not bytes.
struct HtmlPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

/// A text read as HTML5 reads it: the runs of it that a browser decodes, shows or keeps
/// apart, in source order. Runs never overlap; what lies between them is markup, or text
/// that a browser leaves out of the document.
class HtmlReading {
public:
    HtmlReading() = default;
    // The runs point into m_names, whose nodes a move keeps in place and a copy would not.
    HtmlReading(HtmlReading&&) = default;
    HtmlReading& operator=(HtmlReading&&) = default;
    HtmlReading(const HtmlReading&) = delete;
    HtmlReading& operator=(const HtmlReading&) = delete;

    /// The runs, ordered by begin.
    const std::vector<HtmlRun>& Runs() const { return m_runs; }
    /// Problems in the order found.
    const std::vector<HtmlProblem>& Problems() const { return m_problems; }
    /// False when the text ends inside a tag or a comment, is not UTF-8, holds text whose
    /// placing the reader could not check, or too many errors: then the runs may not describe
    /// all of what a browser shows.
    bool IsWhole() const { return m_problems.empty(); }
    /// Line and column of `offset` in the text that was read; a line ends at LF, CR LF or CR.
    HtmlPosition PositionOf(std::size_t offset) const;

private:
    friend class HtmlReaderImpl;

    std::string_view m_source;
    std::vector<HtmlRun> m_runs;
    std::vector<HtmlProblem> m_problems;
    /// Owns the names of elements and attributes that the runs point to.
    std::set<std::string, std::less<>> m_names;
};

/// Reads `source` as an HTML5 document. `source` must outlive the result (PositionOf reads it).
HtmlReading ReadHtml(std::string_view source);

/// The document HTML5 builds from `source`, one node a line, indented by depth: elements with
/// their attributes' decoded values, decoded text, comments. Two texts that a browser reads as
/// the same document give the same description, whatever their markup and references.
std::string DescribeDocument(std::string_view source);

} // namespace quillveil
