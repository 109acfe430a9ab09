#include "AllocationCounter.h"

#include <cxxabi.h>
#include <execinfo.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

namespace AllocationCounter
{

namespace
{
std::atomic<bool> g_Counting{false};
std::atomic<bool> g_Tracing{false};
std::atomic<std::uint64_t> g_Count{0};

// Fixed storage: recording a stack must not allocate, or it would count itself.
struct RawSite
{
    std::array<void*, MaxDepth> frames{};
    int depth = 0;
    std::uint64_t count = 0;
};
std::array<RawSite, MaxSites> g_Sites;
std::size_t g_SiteCount = 0;
std::uint64_t g_Overflow = 0;
// The stack walker may reach operator new again on its first use; those calls are not traced.
thread_local bool t_Recording = false;

// The library of an unnamed frame ("lib.so" of ".../lib.so(+0x6aea80) [0x7f...]"); empty for a named one.
std::string unnamedLibrary(const std::string& frame)
{
    const std::size_t open = frame.find("(+");
    if (open == std::string::npos)
        return "";
    const std::size_t slash = frame.rfind('/', open);
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return frame.substr(start, open - start);
}

std::string demangle(const char* symbol)
{
    // backtrace_symbols gives "file(mangled+offset) [address]".
    const char* open = std::strchr(symbol, '(');
    const char* plus = open ? std::strchr(open, '+') : nullptr;
    if (!open || !plus || plus == open + 1)
        return symbol;
    const std::string mangled(open + 1, plus);
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status),
                                                     &std::free);
    return status == 0 && name ? std::string(name.get()) : mangled;
}
} // namespace

void start()
{
    g_Counting = true;
}

void stop()
{
    g_Counting = false;
}

bool counting()
{
    return g_Counting;
}

std::uint64_t count()
{
    return g_Count;
}

void setTracing(bool tracing)
{
    if (tracing)
    {
        // The first walk loads the unwinder, which allocates: do it now, outside any counted span.
        void* warmup[2];
        backtrace(warmup, 2);
    }
    g_Tracing = tracing;
}

void clearSites()
{
    g_SiteCount = 0;
    g_Overflow = 0;
}

void recordAllocation()
{
    if (!g_Counting.load(std::memory_order_relaxed))
        return;
    g_Count.fetch_add(1, std::memory_order_relaxed);
    if (!g_Tracing.load(std::memory_order_relaxed) || t_Recording)
        return;

    t_Recording = true;
    RawSite site;
    site.depth = backtrace(site.frames.data(), static_cast<int>(site.frames.size()));
    const auto same = [&](const RawSite& known) {
        return known.depth == site.depth &&
               std::equal(known.frames.begin(), known.frames.begin() + known.depth, site.frames.begin());
    };
    const auto end = g_Sites.begin() + static_cast<std::ptrdiff_t>(g_SiteCount);
    const auto found = std::find_if(g_Sites.begin(), end, same);
    if (found != end)
        ++found->count;
    else if (g_SiteCount < g_Sites.size())
    {
        site.count = 1;
        g_Sites[g_SiteCount++] = site;
    }
    else
        ++g_Overflow;
    t_Recording = false;
}

std::vector<Site> sites(std::uint64_t& overflow)
{
    std::vector<Site> result;
    for (std::size_t i = 0; i < g_SiteCount; ++i)
    {
        const RawSite& raw = g_Sites[i];
        Site site;
        site.count = raw.count;
        std::unique_ptr<char*, decltype(&std::free)> symbols(backtrace_symbols(raw.frames.data(), raw.depth),
                                                             &std::free);
        for (int k = 0; k < raw.depth; ++k)
            site.frames.push_back(symbols ? demangle(symbols.get()[k]) : std::string("?"));
        result.push_back(site);
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const Site& a, const Site& b) { return a.count > b.count; });
    overflow = g_Overflow;
    return result;
}

std::string formatSites(const std::vector<Site>& sites, std::uint64_t overflow, double frames)
{
    constexpr int ShownFrames = 6;
    std::ostringstream out;
    out << "\nWhere they come from (call stacks, innermost first, from the caller of operator new):\n";
    for (const Site& site : sites)
    {
        out << "  " << site.count << " (" << static_cast<double>(site.count) / frames << " per frame):\n";
        // Everything up to operator new is the counter itself.
        std::size_t first = 0;
        for (std::size_t i = 0; i < site.frames.size(); ++i)
            if (site.frames[i].find("operator new") != std::string::npos)
                first = i + 1;

        int shown = 0;
        std::string library;
        int folded = 0;
        const auto flush = [&] {
            if (folded > 0)
            {
                out << "      (" << folded << " unnamed frame" << (folded > 1 ? "s" : "") << " in " << library << ")\n";
                ++shown;
            }
            folded = 0;
            library.clear();
        };
        for (std::size_t i = first; i < site.frames.size() && shown < ShownFrames; ++i)
        {
            const std::string& frame = site.frames[i];
            // The allocator templates between a container and operator new say nothing about the caller.
            if (frame.find("allocat") != std::string::npos)
                continue;
            const std::string unnamed = unnamedLibrary(frame);
            if (!unnamed.empty())
            {
                if (unnamed != library)
                    flush();
                library = unnamed;
                ++folded;
                continue;
            }
            flush();
            if (shown < ShownFrames)
            {
                out << "      " << frame << "\n";
                ++shown;
            }
        }
        if (shown < ShownFrames)
            flush();
    }
    if (overflow > 0)
        out << "  " << overflow << " more from stacks beyond the first " << MaxSites << "\n";
    return out.str();
}

} // namespace AllocationCounter
