#include "ContainedGeneration.h"

#include "ChildProcess.h"
#include "CodeGenerator.h"

#include <new>

namespace quillveil {

namespace {

// The child's answer: 'C' and the code, or 'W', the field's number and the message.
constexpr char CodeMark = 'C';
constexpr char WarningMark = 'W';

std::string Serialize(const GenerateResult& result)
{
    if (result.IsCode())
        return CodeMark + result.GetCode();
    const GenerateWarning& warning = result.GetWarning();
    return std::string{WarningMark, static_cast<char>(warning.field)} + warning.message;
}

} // namespace

GenerateResult GenerateCodeContained(EncoderMode mode, const EncoderForm& form)
{
    if (mode != EncoderMode::Link)
        return GenerateCode(mode, form);
    ChildOutcome outcome =
        RunInChildProcess([&] { return Serialize(GenerateCode(mode, form)); });
    if (outcome.end == ChildOutcome::End::Failed)
        throw std::bad_alloc();
    if (outcome.end == ChildOutcome::End::Killed || outcome.bytes.empty())
        return GenerateResult::Warning(std::string(UnreadableLinkMessage), EncoderField::Link);
    if (outcome.bytes.front() == WarningMark && outcome.bytes.size() >= 2)
        return GenerateResult::Warning(outcome.bytes.substr(2),
                                       static_cast<EncoderField>(outcome.bytes[1]));
    outcome.bytes.erase(0, 1);
    return GenerateResult::Code(std::move(outcome.bytes));
}

} // namespace quillveil
