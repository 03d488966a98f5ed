#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace quillveil {

/// The active input group, chosen by the dialog's three mode boxes.
enum class EncoderMode { Email, Link, AnyText };

/// Names the input field that a warning sends the focus to.
enum class EncoderField { User, Domain, DisplayName, Subject, Link, Text };

/// The six input texts exactly as the edit controls hold them, untrimmed.
/// Text is bytes: UTF-8 on this platform, never containing a NUL byte.
struct EncoderForm {
    std::string user;
    std::string domain;
    std::string displayName;
    std::string subject;
    std::string link;
    std::string text;
};

/// Caption of every warning box; deliberately not the window's own caption.
inline constexpr std::string_view WarningCaption = "Quillshroud";

/// A reason why no code could be generated, and the field to fix.
struct GenerateWarning {
    std::string message;
    EncoderField field;

    friend bool operator==(const GenerateWarning&, const GenerateWarning&) = default;
};

/// The outcome of a generation: the finished code, or one warning.
class GenerateResult {
public:
    static GenerateResult Code(std::string code) { return GenerateResult(std::move(code)); }
    static GenerateResult Warning(std::string message, EncoderField field)
    {
        return GenerateResult(GenerateWarning{std::move(message), field});
    }

    bool IsCode() const { return std::holds_alternative<std::string>(m_outcome); }
    /// Only valid when IsCode().
    const std::string& GetCode() const { return std::get<std::string>(m_outcome); }
    /// Only valid when IsCode(): hands the code over, so a code of tens of
    /// megabytes moves on instead of being copied.
    std::string TakeCode() { return std::move(std::get<std::string>(m_outcome)); }
    /// Only valid when !IsCode().
    const GenerateWarning& GetWarning() const { return std::get<GenerateWarning>(m_outcome); }

private:
    explicit GenerateResult(std::variant<std::string, GenerateWarning> outcome)
        : m_outcome(std::move(outcome))
    {}

    std::variant<std::string, GenerateWarning> m_outcome;
};

} // namespace quillveil
