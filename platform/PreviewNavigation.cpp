#include "PreviewNavigation.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quillveil {
namespace {

constexpr std::string_view BlankPage = "about:blank";

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

/// The scheme of an absolute URL ("mailto" of "mailto:x@y"), or empty.
std::string_view SchemeOf(std::string_view url)
{
    const auto colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return {};
    }
    const std::string_view scheme = url.substr(0, colon);
    const bool wellFormed =
        std::isalpha(static_cast<unsigned char>(scheme.front())) &&
        std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        });
    return wellFormed ? scheme : std::string_view{};
}

} // namespace

PreviewNavigation ClassifyPreviewNavigation(std::string_view url, NavigationCause cause)
{
    const std::string_view withoutFragment = url.substr(0, url.find('#'));
    if (EqualsIgnoringCase(withoutFragment, BlankPage)) {
        // A jump to an anchor scrolls the preview, whoever asks; loading the
        // page afresh would wipe it.
        const bool jumpWithinPage = withoutFragment.size() != url.size();
        return jumpWithinPage || cause == NavigationCause::Pane ? PreviewNavigation::Allow
                                                                : PreviewNavigation::Block;
    }
    if (cause != NavigationCause::LinkClick) {
        return PreviewNavigation::Block;
    }
    static constexpr std::array<std::string_view, 5> desktopSchemes = {"http", "https", "ftp",
                                                                       "mailto", "tel"};
    const std::string_view scheme = SchemeOf(url);
    const bool forDesktop =
        std::any_of(desktopSchemes.begin(), desktopSchemes.end(),
                    [scheme](std::string_view known) { return EqualsIgnoringCase(scheme, known); });
    return forDesktop ? PreviewNavigation::HandToDesktop : PreviewNavigation::Block;
}

} // namespace quillveil
