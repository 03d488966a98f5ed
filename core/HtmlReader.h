#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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
    /// The contents of xmp, iframe, noembed, noframes and plaintext: never decoded.
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
    /// The parser's span of the text may hold more than the text: markup it ignored or a
    /// CDATA section ("x</div>y"). Edits of such a run are only as sound as the read-back
    /// that every edit gets.
    bool uncertain = false;
    /// Lower-case name of the element the run belongs to: the attribute's element, the
    /// text's parent; empty for comments outside any element and for unknown elements.
    std::string_view element;
    /// Lower-case attribute name, for attribute values only.
    std::string_view attribute;
};

/// Why a text cannot be read as a whole, or why an edit of it was refused.
enum class HtmlProblemKind : std::uint8_t {
    /// The text ends inside a start or end tag; a browser drops that tag and all after it.
    EndsInsideTag,
    /// Like EndsInsideTag, inside a quoted attribute value never closed.
    EndsInsideQuotedValue,
    /// The text ends inside a comment; a browser hides all after its start.
    EndsInsideComment,
    /// Bytes that are not UTF-8.
    InvalidUtf8,
    /// Noscript elements nested so that the reading of a browser that runs scripts could not
    /// be settled.
    NoscriptUnsettled,
    /// The HTML5 parser gave up on the text: it fails on some rare markup. Nothing of the text
    /// is read then. (Reported by the process the parse ran in, never by the reader itself.)
    ParserFailed,
    /// An edit of the text would make it read as another document; it was not made.
    ReadsDifferently,
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

class HtmlParse;

/// A text read as HTML5 reads it: the runs of it that a browser decodes, shows or keeps
/// apart, in source order, once as a browser that runs no scripts reads it and, where the
/// text holds noscript, once more as one that does (there noscript's inside is raw text,
/// never shown). Runs of one reading never overlap; what lies between them is markup, or text
/// that a browser leaves out of the document.
class HtmlReading {
public:
    HtmlReading();
    ~HtmlReading();
    // The runs point into the parses, which a move keeps in place and a copy would not.
    HtmlReading(HtmlReading&&) noexcept;
    HtmlReading& operator=(HtmlReading&&) noexcept;
    HtmlReading(const HtmlReading&) = delete;
    HtmlReading& operator=(const HtmlReading&) = delete;

    /// The runs of each reading, each ordered by begin: without scripts first (as the parser
    /// reads noscript), then with scripts where the text holds noscript.
    const std::vector<std::vector<HtmlRun>>& Readings() const { return m_readings; }
    /// The runs of the reading without scripts.
    const std::vector<HtmlRun>& Runs() const { return m_readings.front(); }
    /// The runs of the reading a browser that runs scripts makes (most browsers).
    const std::vector<HtmlRun>& ScriptingRuns() const { return m_readings.back(); }
    /// Problems in the order found.
    const std::vector<HtmlProblem>& Problems() const { return m_problems; }
    /// False when the text ends inside a tag or a comment or is not UTF-8: then the runs may
    /// not describe all of what a browser shows.
    bool IsWhole() const { return m_problems.empty(); }
    /// Line and column of `offset` in the text that was read; a line ends at LF, CR LF or CR.
    HtmlPosition PositionOf(std::size_t offset) const;
    /// Whether `edited` reads, both ways, as the same documents as the text read: the same
    /// elements, attributes with the same decoded values, the same text and comments.
    bool ReadsAlike(std::string_view edited) const;

private:
    friend class HtmlReaderImpl;

    std::string_view m_source;
    std::vector<std::vector<HtmlRun>> m_readings;
    std::vector<HtmlProblem> m_problems;
    /// The parses the runs were taken from, kept to compare an edit with; they own the
    /// names the runs point to.
    std::vector<std::unique_ptr<HtmlParse>> m_parses;
};

/// Reads `source` as an HTML5 document. `source` must outlive the result.
HtmlReading ReadHtml(std::string_view source);

/// The document HTML5 builds from `source` (without scripts), one node a line, indented by
/// depth: elements with their attributes' decoded values, decoded text, comments. Two texts
/// that a browser reads as the same document give the same description.
std::string DescribeDocument(std::string_view source);

} // namespace quillveil
