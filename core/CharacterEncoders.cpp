#include "CharacterEncoders.h"

#include "CharacterReferences.h"
#include "SizedString.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

// Both encoders run in two passes over the input: one counts the exact output size, one
// writes the output into a string allocated once at that size. Counting looks at 16 bytes
// at a time, writing at 8 (a word): a word without bytes to replace is copied whole, which
// makes runs of non-ASCII UTF-8 cheap.
static_assert(std::endian::native == std::endian::little,
              "the word lanes and table entries below are laid out for little-endian machines");

namespace quillveil {

namespace {

// Sixteen byte lanes; GCC and clang compile the operators on these to SIMD instructions on
// every target they support, so the counting pass needs no intrinsics. Comparisons give -1
// (all bits set) in the lanes where they hold.
using SignedLanes = signed char __attribute__((vector_size(16)));
using CountLanes = unsigned char __attribute__((vector_size(16)));

constexpr std::uint64_t WordTops = 0x8080808080808080;

std::uint64_t LoadWord(const char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

void StoreWord(char* bytes, std::uint64_t word)
{
    std::memcpy(bytes, &word, sizeof word);
}

/// Lanes where `holds` is true count `weight`.
CountLanes Count(SignedLanes holds, unsigned char weight)
{
    return reinterpret_cast<CountLanes&>(holds) & weight;
}

unsigned SumOfLanes(CountLanes counts)
{
    std::uint64_t halves[2];
    std::memcpy(halves, &counts, sizeof halves);
    unsigned sum = 0;
    for (std::uint64_t half : halves) {
        // Add neighbouring lanes into 16-bit lanes, then all four into the top one.
        const std::uint64_t pairs =
            (half & 0x00FF00FF00FF00FF) + ((half >> 8) & 0x00FF00FF00FF00FF);
        sum += static_cast<unsigned>((pairs * 0x0001000100010001) >> 48);
    }
    return sum;
}

/// The sum of `laneWeights(16 bytes)` over the text, whose lanes are at most 5, plus
/// `byteWeight(byte)` for the bytes after the last 16.
template <class LaneWeights, class ByteWeight>
std::size_t SumWeights(std::string_view text, LaneWeights laneWeights, ByteWeight byteWeight)
{
    constexpr std::size_t width = sizeof(SignedLanes);
    std::size_t sum = 0;
    std::size_t pos = 0;
    while (text.size() - pos >= width) {
        // A lane holds at most 255: 50 rounds of at most 5 before it must be emptied.
        CountLanes counts{};
        for (int round = 0; round < 50 && text.size() - pos >= width; ++round, pos += width) {
            SignedLanes bytes;
            std::memcpy(&bytes, text.data() + pos, width);
            counts += laneWeights(bytes);
        }
        sum += SumOfLanes(counts);
    }
    for (; pos < text.size(); ++pos)
        sum += byteWeight(static_cast<unsigned char>(text[pos]));
    return sum;
}

/// A byte's replacement in the first bytes of an entry and its length in the last one: one
/// load gives both, and the hot loop stores the whole fixed-width entry and advances by the
/// length (what lies beyond is overwritten by the next store). A variable-length copy per byte
/// would cost more than all the rest of the encoding.
template <class Entry> constexpr Entry MakeEntry(std::string_view replacement)
{
    std::array<char, sizeof(Entry)> bytes{};
    for (std::size_t i = 0; i < replacement.size(); ++i)
        bytes[i] = replacement[i];
    bytes.back() = static_cast<char>(replacement.size());
    return std::bit_cast<Entry>(bytes);
}

template <class Entry> constexpr unsigned EntryLength(Entry entry)
{
    return static_cast<unsigned>(entry >> (8 * (sizeof(Entry) - 1)));
}

constexpr std::size_t TableSize = 256;

using EntityEntry = std::uint64_t;  // "&#126;" and its length fit in 8 bytes
using PercentEntry = std::uint32_t; // "%7E" and its length fit in 4

constexpr std::array<EntityEntry, TableSize> MakeEntityTable()
{
    std::array<EntityEntry, TableSize> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        char text[6] = {static_cast<char>(byte)};
        std::size_t length = 1;
        if (byte < 128) {
            // "&#" + decimal without leading zeros + ";". Byte 0 never comes from a text field;
            // writing it as "&#0;" keeps the function total.
            length = 0;
            text[length++] = '&';
            text[length++] = '#';
            if (byte >= 100)
                text[length++] = static_cast<char>('0' + byte / 100);
            if (byte >= 10)
                text[length++] = static_cast<char>('0' + byte / 10 % 10);
            text[length++] = static_cast<char>('0' + byte % 10);
            text[length++] = ';';
        }
        table[byte] = MakeEntry<EntityEntry>(std::string_view(text, length));
    }
    return table;
}

constexpr bool IsAsciiAlnum(unsigned byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= 'a' && byte <= 'z');
}

constexpr std::array<PercentEntry, TableSize> MakePercentTable()
{
    constexpr char hexDigits[] = "0123456789ABCDEF";
    std::array<PercentEntry, TableSize> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char escaped[] = {'%', hexDigits[byte >> 4], hexDigits[byte & 0xF]};
        const char kept[] = {static_cast<char>(byte)};
        table[byte] = byte >= 128 || IsAsciiAlnum(byte) ? MakeEntry<PercentEntry>({kept, 1})
                                                        : MakeEntry<PercentEntry>({escaped, 3});
    }
    return table;
}

constexpr std::array<EntityEntry, TableSize> EntityTable = MakeEntityTable();
constexpr std::array<PercentEntry, TableSize> PercentTable = MakePercentTable();

/// Lanes of `word` (top bit set) that hold a byte below 128, which EncodeEntities replaces.
std::uint64_t AsciiLanes(std::uint64_t word)
{
    return ~word & WordTops;
}

/// Lanes of `word` (top bit set) that hold a byte below 128 other than a letter or digit,
/// which PercentEncodeSubject replaces.
std::uint64_t EscapedLanes(std::uint64_t word)
{
    constexpr std::uint64_t ones = 0x0101010101010101;
    // In lanes below 128, adding 128 - limit sets the top bit exactly when the lane is at
    // least limit, and carries into no other lane.
    const auto atLeast = [](std::uint64_t low7, unsigned limit) {
        return (low7 + ones * (0x80 - limit)) & WordTops;
    };
    const auto inRange = [&](std::uint64_t low7, unsigned first, unsigned last) {
        return atLeast(low7, first) & ~atLeast(low7, last + 1);
    };
    const std::uint64_t low7 = word & ~WordTops;
    // Setting bit 5 folds A-Z onto a-z and nothing else onto a-z.
    const std::uint64_t alnum = inRange(low7, '0', '9') | inRange(low7 | ones * 0x20, 'a', 'z');
    return AsciiLanes(word) & ~alnum;
}

bool AtMostTwoLanes(std::uint64_t lanes)
{
    const std::uint64_t withoutLowest = lanes & (lanes - 1);
    return (withoutLowest & (withoutLowest - 1)) == 0;
}

/// Writes the replacements of every byte of `text` to `out`, which has exactly room for them.
/// `replacedLanes(word)` marks the lanes of a word whose bytes are not copied as they are.
template <class Entry, class ReplacedLanes>
char* WriteReplacements(std::string_view text, char* out, std::size_t outSize,
                        const std::array<Entry, TableSize>& table, ReplacedLanes replacedLanes)
{
    const char* in = text.data();
    const char* const inEnd = in + text.size();
    char* const outEnd = out + outSize;
    const auto put = [&](std::size_t byte) {
        const Entry entry = table[byte];
        std::memcpy(out, &entry, sizeof entry);
        out += EntryLength(entry);
    };

    // Whole-word and whole-entry stores reach past what they mean to write; they stop while
    // one more word could reach past the output, and whole-word loads while the word after
    // the current one could reach past the input.
    constexpr std::ptrdiff_t wordOutputReach = 8 * sizeof(Entry) + 8;
    while (inEnd - in >= 16 && outEnd - out >= wordOutputReach) {
        const std::uint64_t word = LoadWord(in);
        std::uint64_t replaced = replacedLanes(word);
        if (replaced == 0) {
            StoreWord(out, word);
            out += 8;
        } else if (AtMostTwoLanes(replaced)) {
            // One or two bytes to replace (a blank between non-Latin words): copy the bytes
            // around them in whole words.
            unsigned copied = 0;
            do {
                const unsigned lane = static_cast<unsigned>(std::countr_zero(replaced)) / 8;
                StoreWord(out, LoadWord(in + copied));
                out += lane - copied;
                put(static_cast<unsigned char>(in[lane]));
                copied = lane + 1;
                replaced &= replaced - 1;
            } while (replaced != 0);
            StoreWord(out, LoadWord(in + copied));
            out += 8 - copied;
        } else {
#pragma GCC unroll 8
            for (int lane = 0; lane < 8; ++lane)
                put(static_cast<unsigned char>(in[lane]));
        }
        in += 8;
    }
    // What is left writes less than one word's reach: exact copies.
    for (; in < inEnd; ++in) {
        const Entry entry = table[static_cast<unsigned char>(*in)];
        std::memcpy(out, &entry, EntryLength(entry));
        out += EntryLength(entry);
    }
    return out;
}

std::size_t EncodedEntitiesSize(std::string_view text)
{
    // A byte of 128 or more stays one byte; an ASCII byte grows by "&#" and ";" (3) and by one
    // more digit from 10 and another from 100.
    const std::size_t growth = SumWeights(
        text,
        [](SignedLanes bytes) {
            return Count(bytes >= 0, 3) + Count(bytes >= 10, 1) + Count(bytes >= 100, 1);
        },
        [](unsigned char byte) { return EntryLength(EntityTable[byte]) - 1; });
    return text.size() + growth;
}

std::size_t PercentEncodedSize(std::string_view text)
{
    // An escaped byte grows by two hexadecimal digits.
    const std::size_t growth = SumWeights(
        text,
        [](SignedLanes bytes) {
            const SignedLanes folded = bytes | 0x20; // A-Z onto a-z, nothing else onto a-z
            const SignedLanes alnum =
                ((bytes >= '0') & (bytes <= '9')) | ((folded >= 'a') & (folded <= 'z'));
            return Count((bytes >= 0) & ~alnum, 2);
        },
        [](unsigned char byte) { return EntryLength(PercentTable[byte]) - 1; });
    return text.size() + growth;
}

} // namespace

std::string EncodeEntities(std::string_view text)
{
    const std::size_t size = EncodedEntitiesSize(text);
    return MakeSizedString(size, [text, size](char* out) {
        WriteReplacements(text, out, size, EntityTable, AsciiLanes);
    });
}

char* WriteEntities(std::string_view text, char* out)
{
    return WriteReplacements(text, out, 6 * text.size() + 8, EntityTable, AsciiLanes);
}

char* WriteEncodedInMarkup(std::string_view text, std::size_t begin, std::size_t end,
                           bool inAttribute, char* out)
{
    const auto keptRaw = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == 0x7F || (byte < 0x20 && c != '\t' && c != '\n' && c != '\f');
    };
    std::size_t plain = begin;
    for (std::size_t pos = begin; pos < end;) {
        std::size_t kept = 0;
        if (text[pos] == '&') {
            const std::size_t length = ReadCharacterReference(text, pos, inAttribute).length;
            kept = pos + length <= end ? length : 0;
        } else if (keptRaw(text[pos])) {
            // CR LF is one line break: its LF is kept with it.
            kept = text.substr(pos, 2) == "\r\n" && pos + 2 <= end ? 2 : 1;
        }
        if (kept == 0) {
            ++pos;
            continue;
        }
        out = WriteEntities(text.substr(plain, pos - plain), out);
        out = std::copy_n(text.data() + pos, kept, out);
        pos += kept;
        plain = pos;
    }
    return WriteEntities(text.substr(plain, end - plain), out);
}

std::string PercentEncodeSubject(std::string_view subject)
{
    const std::size_t size = PercentEncodedSize(subject);
    return MakeSizedString(size, [subject, size](char* out) {
        WriteReplacements(subject, out, size, PercentTable, EscapedLanes);
    });
}

} // namespace quillveil
