// Speed of the code generation core, next to its physical limit (memcpy of the output) and its
// floor (formatting every byte with snprintf). Prints the ratios after the usual table.

#include "CharacterEncoders.h"
#include "CodeGenerator.h"
#include "ConvertedText.h"
#include "EncodedPages.h"
#include "HtmlReader.h"
#include "ReferenceLinkMode.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace quillveil;

enum class TextKind { Ascii, Utf8 };

const char* KindName(TextKind kind)
{
    return kind == TextKind::Ascii ? "ascii" : "utf8";
}

/// `size` bytes of page-like text: English prose, or words in Cyrillic and Chinese with ASCII
/// spaces and punctuation between them (about nine bytes in ten are 128 or above).
std::string MakeText(TextKind kind, std::size_t size)
{
    static const std::vector<std::string> asciiWords = {
        "Contact", "the",   "webmaster", "at",      "our",     "office,", "or",   "write",
        "to",      "sales", "for",       "prices.", "Opening", "hours:",  "9-17", "(Mon-Fri)\r\n"};
    static const std::vector<std::string> utf8Words = {
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
        "\xE4\xB8\xAD\xE6\x96\x87\xE7\xBD\x91",
        "\xD0\xBC\xD0\xB8\xD1\x80\xD0\xB0,",
        "\xE9\xA1\xB5\xE9\x9D\xA2\xE5\x86\x85\xE5\xAE\xB9",
        "\xD1\x81\xD0\xB0\xD0\xB9\xD1\x82\xD0\xB0.",
        "\xE8\x81\x94\xE7\xB3\xBB\xE6\x88\x91"};
    const auto& words = kind == TextKind::Ascii ? asciiWords : utf8Words;
    std::string text;
    text.reserve(size + 32);
    for (std::size_t i = 0; text.size() < size; ++i) {
        text += words[(i * 7 + i / 5) % words.size()];
        text += ' ';
    }
    text.resize(size);
    return text;
}

std::string NaiveEncodeEntities(std::string_view text)
{
    std::string result;
    char piece[8];
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 128) {
            std::snprintf(piece, sizeof piece, "&#%i;", c);
            result += piece;
        } else {
            result += c;
        }
    }
    return result;
}

void SetInputBytes(benchmark::State& state, std::size_t size)
{
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

std::string BenchName(const char* what, TextKind kind, std::size_t size)
{
    return std::string(what) + "/" + KindName(kind) + "/" + std::to_string(size);
}

template <class Operation>
void RegisterTextBench(const char* what, TextKind kind, std::size_t size, Operation operation)
{
    benchmark::RegisterBenchmark(BenchName(what, kind, size).c_str(), [=](benchmark::State& state) {
        const std::string input = MakeText(kind, size);
        for (auto _ : state)
            benchmark::DoNotOptimize(operation(input));
        SetInputBytes(state, size);
    });
}

EncoderForm EmailForm(TextKind kind, std::size_t size)
{
    EncoderForm form;
    form.user = "webmaster";
    form.domain = "example.org";
    form.displayName = MakeText(kind, size / 2);
    form.subject = MakeText(kind, size - size / 2);
    return form;
}

/// An anchor whose content repeats its target every ten bytes: 100,000 times in 1 MiB.
EncoderForm LinkForm(TextKind kind, std::size_t size)
{
    const std::string value = "me@x.org";
    const std::string filler = MakeText(kind, 2);
    EncoderForm form;
    form.link = "<a href=\"" + value + "\">";
    while (form.link.size() + value.size() + filler.size() + 4 <= size)
        form.link += value + filler;
    form.link += "</a>";
    return form;
}

/// A mailto anchor whose text names its address every ten bytes: 100,000 times in 1 MiB.
EncoderForm MailtoLinkForm(TextKind kind, std::size_t size)
{
    EncoderForm form = LinkForm(kind, size);
    form.link.replace(0, 9, "<a href=\"mailto:");
    return form;
}

EncoderForm MakeForm(EncoderMode mode, TextKind kind, std::size_t size)
{
    if (mode == EncoderMode::Email)
        return EmailForm(kind, size);
    if (mode == EncoderMode::Link)
        return LinkForm(kind, size);
    EncoderForm form;
    form.text = MakeText(kind, size);
    return form;
}

void RegisterGenerateBench(const char* what, EncoderMode mode, TextKind kind, std::size_t size)
{
    benchmark::RegisterBenchmark(BenchName(what, kind, size).c_str(), [=](benchmark::State& state) {
        const EncoderForm form = MakeForm(mode, kind, size);
        for (auto _ : state)
            benchmark::DoNotOptimize(GenerateCode(mode, form));
        SetInputBytes(state, size);
    });
}

/// Link mode on `form`, and as it was, with its own markup scanner: the reference for the
/// present one.
void RegisterLinkBenches(const char* what, TextKind kind, std::size_t size,
                         EncoderForm (*makeForm)(TextKind, std::size_t))
{
    benchmark::RegisterBenchmark(BenchName(what, kind, size).c_str(), [=](benchmark::State& state) {
        const EncoderForm form = makeForm(kind, size);
        for (auto _ : state)
            benchmark::DoNotOptimize(GenerateCode(EncoderMode::Link, form));
        SetInputBytes(state, size);
    });
    // The HTML5 reading alone, which link mode cannot go below.
    benchmark::RegisterBenchmark(
        BenchName((std::string("Read") + what).c_str(), kind, size).c_str(),
        [=](benchmark::State& state) {
            const EncoderForm form = makeForm(kind, size);
            for (auto _ : state)
                benchmark::DoNotOptimize(ReadHtml(form.link));
            SetInputBytes(state, size);
        });
    benchmark::RegisterBenchmark(
        BenchName((std::string("Reference") + what).c_str(), kind, size).c_str(),
        [=](benchmark::State& state) {
            const EncoderForm form = makeForm(kind, size);
            for (auto _ : state)
                benchmark::DoNotOptimize(reference::ReferenceLinkCode(form.link));
            SetInputBytes(state, size);
        });
}

/// Copying a buffer the size of EncodeEntities' output: what writing that output costs at best.
void RegisterMemcpyBench(TextKind kind, std::size_t size)
{
    benchmark::RegisterBenchmark(
        BenchName("MemcpyOfEntitiesOutput", kind, size).c_str(), [=](benchmark::State& state) {
            const std::size_t outputSize = EncodeEntities(MakeText(kind, size)).size();
            std::vector<char> source(outputSize, 'x');
            std::vector<char> target(outputSize, 0);
            for (auto _ : state) {
                std::memcpy(target.data(), source.data(), outputSize);
                benchmark::ClobberMemory();
            }
            // Counted in input bytes, so the rates compare directly with EncodeEntities.
            SetInputBytes(state, size);
        });
}

std::string PageBenchName(std::string_view what, std::string_view variant, std::size_t size)
{
    std::string name(what);
    name.append("/").append(variant).append("/").append(std::to_string(size));
    return name;
}

template <class Operation>
void RegisterPageBench(const std::string& name, const std::string& page, Operation operation)
{
    benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(operation(page));
        SetInputBytes(state, page.size());
    });
}

/// A page of at least `size` bytes of UTF-8 declaring `charset`: paragraphs of `words`, each
/// with an address and a mailto link.
std::string MakePage(const std::vector<std::string>& words, std::string_view charset,
                     std::size_t size)
{
    std::string page = "<!DOCTYPE html><html><head><meta charset=\"" + std::string(charset) +
                       "\"><title>Contact</title></head><body>\n";
    for (std::size_t i = 0; page.size() < size; ++i) {
        page += "<p>";
        for (std::size_t j = 0; j < 24; ++j)
            page += words[(i * 7 + j * 3) % words.size()] + " ";
        page += "office@example.org <a href=\"mailto:sales@example.org\">sales</a></p>\n";
    }
    return page + "</body></html>\n";
}

/// The same pages in UTF-8 and in a legacy encoding, protected and checked as bytes; and as
/// ProtectPage and FindHarvestable read UTF-8, the reference.
void RegisterEncodedPageBenches(std::size_t size)
{
    static const std::vector<std::string> latin = {"Caf\xC3\xA9",
                                                   "\xC3\xBC"
                                                   "ber",
                                                   "na\xC3\xAFve",
                                                   "\xE2\x80\x9Cquoted\xE2\x80\x9D",
                                                   "10 \xE2\x82\xAC",
                                                   "contact",
                                                   "the",
                                                   "office",
                                                   "for",
                                                   "prices",
                                                   "Stra\xC3\x9F"
                                                   "e"};
    static const std::vector<std::string> japanese = {
        "\xE3\x81\x8A\xE5\x95\x8F\xE3\x81\x84\xE5\x90\x88\xE3\x82\x8F\xE3\x81\x9B",
        "\xE4\xBC\x9A\xE7\xA4\xBE", "\xE3\x83\xA1\xE3\x83\xBC\xE3\x83\xAB", "(\xE6\x9C\x88)",
        "\xE4\xBE\xA1\xE6\xA0\xBC"};
    struct Variant {
        const char* name;
        std::string bytes;
    };
    const std::string utf8 = MakePage(latin, "utf-8", size);
    const std::string undeclared = MakePage(latin, "", size);
    const std::string japaneseUtf8 = MakePage(japanese, "utf-8", size);
    const std::vector<Variant> variants = {
        {"utf-8", utf8},
        {"windows-1252",
         *testing::ConvertedText(MakePage(latin, "windows-1252", size), "CP1252", "UTF-8")},
        {"undeclared-windows-1252", *testing::ConvertedText(undeclared, "CP1252", "UTF-8")},
        {"japanese-utf-8", japaneseUtf8},
        {"shift_jis",
         *testing::ConvertedText(MakePage(japanese, "shift_jis", size), "CP932", "UTF-8")},
    };
    const auto protectBytes = [](std::string_view page) { return ProtectPageBytes(page); };
    const auto checkBytes = [](std::string_view page) { return FindHarvestableBytes(page); };
    for (const Variant& variant : variants) {
        RegisterPageBench(PageBenchName("ProtectPageBytes", variant.name, size), variant.bytes,
                          protectBytes);
        RegisterPageBench(PageBenchName("FindHarvestableBytes", variant.name, size), variant.bytes,
                          checkBytes);
    }
    for (const Variant& reference : {variants[0], variants[3]}) {
        RegisterPageBench(PageBenchName("ProtectPage", reference.name, size), reference.bytes,
                          [](std::string_view page) { return ProtectPage(page); });
        RegisterPageBench(PageBenchName("FindHarvestable", reference.name, size), reference.bytes,
                          [](std::string_view page) { return FindHarvestable(page); });
    }
}

constexpr std::size_t PageSizes[] = {16 << 10, 1 << 20};

constexpr std::size_t Sizes[] = {64, 4096, 1 << 20};
constexpr TextKind Kinds[] = {TextKind::Ascii, TextKind::Utf8};

void RegisterAll()
{
    for (TextKind kind : Kinds) {
        for (std::size_t size : Sizes) {
            RegisterTextBench("EncodeEntities", kind, size,
                              [](const std::string& text) { return EncodeEntities(text); });
            RegisterMemcpyBench(kind, size);
            RegisterTextBench("NaiveEncodeEntities", kind, size,
                              [](const std::string& text) { return NaiveEncodeEntities(text); });
            RegisterTextBench("PercentEncodeSubject", kind, size,
                              [](const std::string& text) { return PercentEncodeSubject(text); });
            RegisterGenerateBench("GenerateEmail", EncoderMode::Email, kind, size);
            RegisterLinkBenches("Link", kind, size, LinkForm);
            RegisterLinkBenches("MailtoLink", kind, size, MailtoLinkForm);
            RegisterGenerateBench("GenerateText", EncoderMode::AnyText, kind, size);
        }
    }
    for (std::size_t size : PageSizes)
        RegisterEncodedPageBenches(size);
}

/// The console table, plus the processor seconds per iteration of every run for the closing
/// ratios (the same time the table's rates use; wall time suffers from a busy machine).
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                m_seconds[run.benchmark_name()] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations);
    }

    void PrintSummary() const
    {
        std::printf("\nEncodeEntities against memcpy of its output (limit) and snprintf per byte "
                    "(floor):\n");
        for (TextKind kind : Kinds) {
            for (std::size_t size : Sizes) {
                const double fast = Seconds("EncodeEntities", kind, size);
                const double copy = Seconds("MemcpyOfEntitiesOutput", kind, size);
                const double naive = Seconds("NaiveEncodeEntities", kind, size);
                if (fast <= 0 || copy <= 0 || naive <= 0)
                    continue;
                std::printf("  %-5s %8zu B: %6.2f GB/s input, %5.1f %% of memcpy bandwidth, "
                            "%6.1fx the naive version\n",
                            KindName(kind), size, static_cast<double>(size) / fast / 1e9,
                            100 * copy / fast, naive / fast);
            }
        }
        std::printf("\nLink mode against the former link mode with its own scanner, measured "
                    "in this run (Link: the target every ten bytes of the anchor's text; "
                    "MailtoLink: the address of a mailto target every ten bytes):\n");
        for (const char* what : {"Link", "MailtoLink"}) {
            for (TextKind kind : Kinds) {
                for (std::size_t size : Sizes) {
                    const double present = Seconds(what, kind, size);
                    const double former =
                        Seconds((std::string("Reference") + what).c_str(), kind, size);
                    if (present <= 0 || former <= 0)
                        continue;
                    const double reading =
                        Seconds((std::string("Read") + what).c_str(), kind, size);
                    std::printf("  %-10s %-5s %8zu B: %9.3f ms, %5.2fx the former %.3f ms; "
                                "HTML5 reading alone %.3f ms (%.0f %%)\n",
                                what, KindName(kind), size, present * 1e3, present / former,
                                former * 1e3, reading * 1e3, 100 * reading / present);
                }
            }
        }
        std::printf("\nPages protected and checked as bytes, against the same page in UTF-8 "
                    "through ProtectPage and FindHarvestable, measured in this run:\n");
        const std::pair<const char*, const char*> pairs[] = {{"utf-8", "utf-8"},
                                                             {"windows-1252", "utf-8"},
                                                             {"undeclared-windows-1252", "utf-8"},
                                                             {"japanese-utf-8", "japanese-utf-8"},
                                                             {"shift_jis", "japanese-utf-8"}};
        for (std::size_t size : PageSizes) {
            for (const auto& [variant, reference] : pairs) {
                const double protect = Seconds(PageBenchName("ProtectPageBytes", variant, size));
                const double check = Seconds(PageBenchName("FindHarvestableBytes", variant, size));
                const double protectUtf8 = Seconds(PageBenchName("ProtectPage", reference, size));
                const double checkUtf8 = Seconds(PageBenchName("FindHarvestable", reference, size));
                if (protect <= 0 || check <= 0 || protectUtf8 <= 0 || checkUtf8 <= 0)
                    continue;
                std::printf("  %-24s %8zu B: protect %8.3f ms, %5.2fx; check %8.3f ms, %5.2fx\n",
                            variant, size, protect * 1e3, protect / protectUtf8, check * 1e3,
                            check / checkUtf8);
            }
        }
    }

private:
    double Seconds(const std::string& name) const
    {
        const auto found = m_seconds.find(name);
        return found == m_seconds.end() ? 0 : found->second;
    }

    double Seconds(const char* what, TextKind kind, std::size_t size) const
    {
        const auto found = m_seconds.find(BenchName(what, kind, size));
        return found == m_seconds.end() ? 0 : found->second;
    }

    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char** argv)
{
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
