#include "ReadBack.h"

#include <atomic>

namespace quillveil {

namespace {

std::atomic<void (*)(std::string&)> g_tamper = nullptr;

} // namespace

bool ReadsBackAlike(const HtmlReading& original, std::string& rewritten)
{
    if (const auto tamper = g_tamper.load(std::memory_order_relaxed))
        tamper(rewritten);
    return original.ReadsAlike(rewritten);
}

void TamperWithRewritesForTesting(void (*tamper)(std::string& rewritten))
{
    g_tamper.store(tamper, std::memory_order_relaxed);
}

} // namespace quillveil
