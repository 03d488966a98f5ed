#pragma once

#include "HtmlReader.h"

#include <string>

namespace quillveil {

/// The guard of every rewrite handed out (a protected page, link mode's code): whether
/// `rewritten`, made from the text `original` is a reading of, reads as the same documents
/// both ways (HtmlReading::ReadsAlike).
bool ReadsBackAlike(const HtmlReading& original, std::string& rewritten);

/// For tests only: has `tamper` change every rewrite before it is read back, as a rewriter
/// with a fault would, so that a test sees such rewrites refused; null ends it.
void TamperWithRewritesForTesting(void (*tamper)(std::string& rewritten));

} // namespace quillveil
