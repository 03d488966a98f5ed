#include "CharacterEncoders.h"

namespace quillveil {

std::string EncodeEntities(std::string_view)
{
    return {};
}

std::string PercentEncodeSubject(std::string_view)
{
    return {};
}

} // namespace quillveil
