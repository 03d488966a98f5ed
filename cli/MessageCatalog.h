#pragma once

#include <string>
#include <string_view>

namespace quillveil {

/// Makes Translated() answer in the language LC_MESSAGES and LANGUAGE ask for, from the
/// catalogs the build and the install put beside the program. Every other locale category
/// stays "C": protect and check must treat bytes alike under any locale.
void UseMessageCatalog();

/// `english`, a text marked Translatable(), in the user's language where the catalog has it.
std::string Translated(std::string_view english);

} // namespace quillveil
