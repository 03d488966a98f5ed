#pragma once

#include <string>
#include <string_view>

namespace quillveil::testing {

/// Protects `page` (any bytes) and checks what must hold for any page: a changed page reads as
/// the same document, differs only in the changes reported (each written as references, at
/// the line and column given) and protects to itself; after protection a harvester finds
/// nothing where a browser shows text or attributes, and no broken link the page did not
/// already have; the findings of the check, on the page and on its protected form, are in
/// order, inside the page, and placed where SourcePositions counts. Returns a description of
/// the first broken property, or an empty string.
std::string CheckProtectPage(std::string_view page);

} // namespace quillveil::testing
