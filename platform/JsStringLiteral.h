#pragma once

#include <string>
#include <string_view>

namespace quillveil {

/// Quotes UTF-8 text as a double-quoted JavaScript string literal made of
/// printable ASCII only: quotes, backslash and every control character are
/// escaped, every non-ASCII character becomes \uXXXX (a surrogate pair above
/// U+FFFF), and each byte that is not part of valid UTF-8 becomes U+FFFD, as a
/// browser decodes it. No input can end the literal early.
std::string QuoteJsString(std::string_view utf8);

} // namespace quillveil
