#include "CharacterEncoders.h"

#include "SizedString.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace quillveil {

namespace {

// Both encoders look at eight input bytes at a time ("SWAR"): one comparison finds a run of
// bytes that are copied as they are, and a few additions count the output size of eight
// bytes without branching. Flags live in the top bit of each byte lane.
constexpr std::uint64_t LaneOnes = 0x0101010101010101;
constexpr std::uint64_t LaneTops = 0x8080808080808080;

std::uint64_t LoadWord(const char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

/// The sum of the eight lanes of `counts`, each a small number (the sum stays below 256):
/// the multiplication adds every lane into the top one.
unsigned SumLanes(std::uint64_t counts)
{
    return static_cast<unsigned>((counts * LaneOnes) >> 56);
}

/// Top bit set in each lane of `low7` (lanes below 128) whose value is at least `limit`
/// (1..128). Adding 128 - limit carries into the top bit exactly then, never into the next lane.
std::uint64_t LanesAtLeast(std::uint64_t low7, unsigned limit)
{
    return (low7 + LaneOnes * (0x80 - limit)) & LaneTops;
}

std::uint64_t LanesInRange(std::uint64_t low7, unsigned first, unsigned last)
{
    return LanesAtLeast(low7, first) & ~LanesAtLeast(low7, last + 1);
}

/// Top bit set in each lane that holds an ASCII letter or digit.
std::uint64_t AlnumLanes(std::uint64_t word)
{
    const std::uint64_t low7 = word & ~LaneTops;
    // Setting bit 5 folds A-Z onto a-z and nothing else onto a-z.
    const std::uint64_t letters = LanesInRange(low7 | LaneOnes * 0x20, 'a', 'z');
    return (LanesInRange(low7, '0', '9') | letters) & ~word;
}

/// Each byte's replacement padded to a fixed width, so the hot loop stores a whole entry and
/// lets the length decide how far the output advances: a variable-length copy per byte would
/// cost more than the rest of the encoding.
template <std::size_t Width> struct ReplacementTable {
    std::array<std::array<char, Width>, 256> text{};
    std::array<std::uint8_t, 256> size{};
};

constexpr ReplacementTable<8> MakeEntityTable()
{
    ReplacementTable<8> table;
    for (unsigned byte = 0; byte < 256; ++byte) {
        auto& text = table.text[byte];
        if (byte >= 128) {
            text[0] = static_cast<char>(byte);
            table.size[byte] = 1;
            continue;
        }
        // "&#" + decimal without leading zeros + ";". Byte 0 never reaches us from a text
        // field; writing it as "&#0;" keeps the function total.
        std::size_t length = 0;
        text[length++] = '&';
        text[length++] = '#';
        if (byte >= 100)
            text[length++] = static_cast<char>('0' + byte / 100);
        if (byte >= 10)
            text[length++] = static_cast<char>('0' + byte / 10 % 10);
        text[length++] = static_cast<char>('0' + byte % 10);
        text[length++] = ';';
        table.size[byte] = static_cast<std::uint8_t>(length);
    }
    return table;
}

constexpr bool IsAsciiAlnum(unsigned byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= 'a' && byte <= 'z');
}

constexpr ReplacementTable<4> MakePercentTable()
{
    constexpr char hexDigits[] = "0123456789ABCDEF";
    ReplacementTable<4> table;
    for (unsigned byte = 0; byte < 256; ++byte) {
        auto& text = table.text[byte];
        if (byte >= 128 || IsAsciiAlnum(byte)) {
            text[0] = static_cast<char>(byte);
            table.size[byte] = 1;
        } else {
            text = {'%', hexDigits[byte >> 4], hexDigits[byte & 0xF], 0};
            table.size[byte] = 3;
        }
    }
    return table;
}

constexpr ReplacementTable<8> EntityTable = MakeEntityTable();
constexpr ReplacementTable<4> PercentTable = MakePercentTable();

std::size_t EncodedEntitiesSize(std::string_view text)
{
    std::size_t size = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        // A byte of 128 or more stays one byte; an ASCII byte grows to "&#" ";" (4) plus one
        // more digit from 10 and another from 100.
        const std::uint64_t word = LoadWord(text.data() + i);
        const std::uint64_t ascii = ~word & LaneTops;
        const std::uint64_t low7 = word & ~LaneTops;
        const std::uint64_t weights = (ascii >> 7) * 3 + ((LanesAtLeast(low7, 10) & ascii) >> 7) +
                                      ((LanesAtLeast(low7, 100) & ascii) >> 7);
        size += 8 + SumLanes(weights);
    }
    for (; i < text.size(); ++i)
        size += EntityTable.size[static_cast<unsigned char>(text[i])];
    return size;
}

std::size_t PercentEncodedSize(std::string_view text)
{
    std::size_t size = text.size();
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        const std::uint64_t word = LoadWord(text.data() + i);
        const std::uint64_t escaped = ~word & ~AlnumLanes(word) & LaneTops;
        size += 2 * SumLanes(escaped >> 7);
    }
    for (; i < text.size(); ++i)
        size += PercentTable.size[static_cast<unsigned char>(text[i])] - 1u;
    return size;
}

/// Writes the replacements of `text` to `out`, which has exactly room for them.
/// `copiedAsIs(word)` tells when eight bytes need no replacement at all.
template <std::size_t Width, class CopiedAsIs>
void WriteReplacements(std::string_view text, char* out, std::size_t outSize,
                       const ReplacementTable<Width>& table, CopiedAsIs copiedAsIs)
{
    const char* in = text.data();
    const char* const inEnd = in + text.size();
    char* const outEnd = out + outSize;
    // Eight bytes write at most 7 entries plus one full-width store; stop the fixed-width
    // stores while that could still run past the end of the output.
    constexpr std::ptrdiff_t blockReach = 8 * Width;
    while (inEnd - in >= 8 && outEnd - out >= blockReach) {
        const std::uint64_t word = LoadWord(in);
        if (copiedAsIs(word)) {
            std::memcpy(out, in, 8);
            out += 8;
        } else {
            for (int lane = 0; lane < 8; ++lane) {
                const auto byte = static_cast<unsigned char>(in[lane]);
                std::memcpy(out, table.text[byte].data(), Width);
                out += table.size[byte];
            }
        }
        in += 8;
    }
    // The rest is shorter than one block of output: exact copies.
    for (; in < inEnd; ++in) {
        const auto byte = static_cast<unsigned char>(*in);
        std::memcpy(out, table.text[byte].data(), table.size[byte]);
        out += table.size[byte];
    }
}

} // namespace

std::string EncodeEntities(std::string_view text)
{
    const std::size_t size = EncodedEntitiesSize(text);
    return MakeSizedString(size, [text, size](char* out) {
        // Runs of bytes of 128 and above (most of a non-Latin UTF-8 text) pass as they are.
        WriteReplacements(text, out, size, EntityTable,
                          [](std::uint64_t word) { return (word & LaneTops) == LaneTops; });
    });
}

std::string PercentEncodeSubject(std::string_view subject)
{
    const std::size_t size = PercentEncodedSize(subject);
    return MakeSizedString(size, [subject, size](char* out) {
        // Whole words of letters, digits and non-ASCII bytes pass as they are.
        WriteReplacements(subject, out, size, PercentTable, [](std::uint64_t word) {
            return ((word | AlnumLanes(word)) & LaneTops) == LaneTops;
        });
    });
}

} // namespace quillveil
