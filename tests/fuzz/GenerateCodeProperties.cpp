#include "GenerateCodeProperties.h"

#include "CharacterEncoders.h"
#include "CodeGenerator.h"
#include "GumboLimits.h"
#include "HarvestCheck.h"
#include "HtmlDecoding.h"
#include "HtmlReader.h"

#include <array>
#include <vector>

namespace quillveil::testing {

namespace {

std::string_view Trim(std::string_view text)
{
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view data)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t nul = data.find('\0');
        fields.push_back(data.substr(0, nul));
        if (nul == std::string_view::npos)
            break;
        data.remove_prefix(nul + 1);
    }
    fields.resize(std::max<std::size_t>(fields.size(), 4));
    return fields;
}

std::string CheckWarning(const GenerateWarning& warning, EncoderMode mode)
{
    static const std::array<GenerateWarning, 8> known = {{
        {"E-mail User field is empty", EncoderField::User},
        {"E-mail Domain field is empty", EncoderField::Domain},
        {"E-mail Display Name field is empty", EncoderField::DisplayName},
        {"Link field is empty", EncoderField::Link},
        {"Invalid link, please specify 'href' attribute", EncoderField::Link},
        {"Invalid link, the 'href' value is not closed", EncoderField::Link},
        {"Invalid link, protecting it would change how it reads", EncoderField::Link},
        {"Text field is empty", EncoderField::Text},
    }};
    const auto first = mode == EncoderMode::Email ? 0 : mode == EncoderMode::Link ? 3 : 7;
    const auto last = mode == EncoderMode::Email ? 3 : mode == EncoderMode::Link ? 7 : 8;
    for (auto i = first; i < last; ++i)
        if (warning == known[static_cast<std::size_t>(i)])
            return {};
    return "unexpected warning: " + warning.message;
}

std::string CheckCode(const std::string& code, EncoderMode mode, const EncoderForm& form)
{
    switch (mode) {
    case EncoderMode::Email: {
        const std::string_view subject = Trim(form.subject);
        const std::string plain =
            "<a href=\"mailto:" + std::string(Trim(form.user)) + "@" +
            std::string(Trim(form.domain)) +
            (subject.empty() ? "" : "?subject=" + PercentEncodeSubject(subject)) + "\">" +
            std::string(Trim(form.displayName)) + "</a>";
        return DecodeDecimalReferences(code) == plain ? "" : "e-mail code does not decode back";
    }
    case EncoderMode::AnyText:
        return DecodeDecimalReferences(code) == Trim(form.text) ? "" : "text does not decode back";
    case EncoderMode::Link: {
        // Whatever was replaced, a browser reads the same document from the code as from the
        // link: same elements, attributes, decoded values and text.
        const std::string_view link = Trim(form.link);
        if (code.size() < link.size())
            return "link code shrank";
        // (html5lib reads the code of the fuzzer's finds with huge references as the link.)
        if (HasHugeNumericReference(link))
            return {};
        if (DescribeDocument(code) != DescribeDocument(link))
            return "the code reads as another document than the link";
        // The one rule of link mode and protect alike: what a browser shows or follows holds
        // nothing a harvester reads (a link whose own address is broken stays broken).
        for (const HarvestFinding& finding : FindHarvestable(code))
            if (finding.kind != HarvestFinding::Kind::BrokenLink &&
                (finding.place == HarvestPlace::Text || finding.place == HarvestPlace::Attribute ||
                 finding.place == HarvestPlace::Title))
                return "a harvester still reads " + DescribeFinding(finding) + " in the code";
        return {};
    }
    }
    return "unknown mode";
}

} // namespace

std::string CheckGenerateCode(std::string_view data)
{
    if (data.empty() || MayAbortGumbo(data))
        return {};
    const auto mode = static_cast<EncoderMode>(static_cast<unsigned char>(data[0]) % 3);
    const std::vector<std::string_view> fields = SplitFields(data.substr(1));
    EncoderForm form;
    if (mode == EncoderMode::Email) {
        form.user = fields[0];
        form.domain = fields[1];
        form.displayName = fields[2];
        form.subject = fields[3];
    } else {
        (mode == EncoderMode::Link ? form.link : form.text) = fields[0];
    }

    const GenerateResult result = GenerateCode(mode, form);
    const GenerateResult again = GenerateCode(mode, form);
    if (result.IsCode() != again.IsCode() ||
        (result.IsCode() && result.GetCode() != again.GetCode()))
        return "two calls disagree";
    return result.IsCode() ? CheckCode(result.GetCode(), mode, form)
                           : CheckWarning(result.GetWarning(), mode);
}

} // namespace quillveil::testing
