// Peak memory of link mode on a large anchor, next to the former link mode with its own
// scanner, each in a child process of its own so that neither inherits the other's peak.
// Prints the peaks in MiB and as multiples of the anchor's size. The code itself is up to six
// times the part of the anchor it encodes.
//   quillveil_link_memory [MIB]   (64 by default)

#include "CodeGenerator.h"
#include "HtmlReader.h"
#include "ReferenceLinkMode.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace quillveil;

/// An anchor whose text repeats its target every ten bytes, as the core benchmark's: with
/// `mailto` the target is a mailto URL and the text repeats its address.
std::string MakeLink(std::size_t size, bool mailto)
{
    const std::string piece = "me@x.org, ";
    std::string link = mailto ? "<a href=\"mailto:me@x.org\">" : "<a href=\"me@x.org\">";
    link.reserve(size);
    while (link.size() + piece.size() + 4 <= size)
        link += piece;
    link += "</a>";
    return link;
}

/// Runs `work` in a child; its peak resident size in KiB, or -1 when it failed.
template <class Work> long PeakOfChild(Work work)
{
    const pid_t child = fork();
    if (child == 0)
        std::_Exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
    const std::size_t size = mib << 20;
    const auto report = [&](const char* what, long kib) {
        if (kib < 0)
            std::printf("%-32s failed\n", what);
        else
            std::printf("%-32s peak %7.1f MiB, %5.2fx the anchor\n", what,
                        static_cast<double>(kib) / 1024.0,
                        static_cast<double>(kib) * 1024.0 / static_cast<double>(size));
    };
    for (const bool mailto : {false, true}) {
        std::printf("A %zu MiB %s anchor whose text repeats its %s every ten bytes:\n", mib,
                    mailto ? "mailto" : "plain", mailto ? "address" : "target");
        report("  making the anchor alone",
               PeakOfChild([&] { return !MakeLink(size, mailto).empty(); }));
        report("  HTML5 reading alone", PeakOfChild([&] {
                   const std::string link = MakeLink(size, mailto);
                   return !ReadHtml(link).Runs().empty();
               }));
        report("  link mode", PeakOfChild([&] {
                   EncoderForm form;
                   form.link = MakeLink(size, mailto);
                   return GenerateCode(EncoderMode::Link, form).IsCode();
               }));
        report("  former link mode (reference)", PeakOfChild([&] {
                   return !reference::ReferenceLinkCode(MakeLink(size, mailto)).empty();
               }));
    }
    return 0;
}
