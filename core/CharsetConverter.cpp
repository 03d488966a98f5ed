#include "CharsetConverter.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace quillveil {

namespace {

const auto Closed = reinterpret_cast<iconv_t>(-1);

} // namespace

CharsetConverter::CharsetConverter(std::string_view to, std::string_view from)
    : m_cd(iconv_open(std::string(to).c_str(), std::string(from).c_str()))
{}

CharsetConverter::~CharsetConverter()
{
    if (IsOpen())
        iconv_close(m_cd);
}

bool CharsetConverter::IsOpen() const
{
    return m_cd != Closed;
}

CharsetConverter::Step CharsetConverter::Convert(std::string_view in, char* out,
                                                 std::size_t outSize)
{
    char* input = const_cast<char*>(in.data()); // iconv does not write to it
    std::size_t inputLeft = in.size();
    char* output = out;
    std::size_t outputLeft = outSize;
    const std::size_t result = in.empty() ? iconv(m_cd, nullptr, nullptr, &output, &outputLeft)
                                          : iconv(m_cd, &input, &inputLeft, &output, &outputLeft);
    Step step{in.size() - inputLeft, outSize - outputLeft, 0};
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG)
        step.error = errno;
    return step;
}

void CharsetConverter::Reset()
{
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
}

} // namespace quillveil
