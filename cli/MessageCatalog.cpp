#include "MessageCatalog.h"

#include "ProgramInfo.h"

#include <clocale>
#include <filesystem>
#include <langinfo.h>
#include <libintl.h>
#include <locale.h>
#include <system_error>

#ifndef QUILLVEIL_LOCALE_DIR
#error "QUILLVEIL_LOCALE_DIR: the catalogs' folder relative to the program's, from the build"
#endif

namespace quillveil {

namespace {

const std::string Domain(CatalogDomain);

} // namespace

void UseMessageCatalog()
{
    if (std::setlocale(LC_MESSAGES, "") == nullptr)
        return; // a locale that is not installed: English, as in "C"
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return;
    const std::filesystem::path folder =
        (program.parent_path() / QUILLVEIL_LOCALE_DIR).lexically_normal();
    bindtextdomain(Domain.c_str(), folder.c_str());
    // The translations in the character set LC_CTYPE names, without adopting that category.
    if (const locale_t user = newlocale(LC_CTYPE_MASK, "", locale_t{})) {
        bind_textdomain_codeset(Domain.c_str(), nl_langinfo_l(CODESET, user));
        freelocale(user);
    }
}

std::string Translated(std::string_view english)
{
    // The empty text's translation would be the catalog's header.
    if (english.empty())
        return {};
    const std::string key(english);
    return dgettext(Domain.c_str(), key.c_str());
}

} // namespace quillveil
