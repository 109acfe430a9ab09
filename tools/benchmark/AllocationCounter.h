#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Counts the C++ heap allocations (every form of operator new) made while counting is on. The
// counting operator new lives in AllocationHooks.cpp, which each executable that counts compiles in.
namespace AllocationCounter
{

void start();
void stop();
bool counting();
// Allocations counted so far; never reset, so callers take differences.
std::uint64_t count();

// While tracing, each counted allocation's call stack is kept (up to MaxSites distinct ones) without
// allocating. Clearing drops the stacks.
void setTracing(bool tracing);
void clearSites();

constexpr std::size_t MaxSites = 64;
constexpr std::size_t MaxDepth = 32;

struct Site
{
    std::vector<std::string> frames; // innermost first, demangled where possible
    std::uint64_t count = 0;
};

// The distinct stacks seen, most frequent first, and how many allocations fell outside the table.
std::vector<Site> sites(std::uint64_t& overflow);

// The stacks as a report: per site its count and share per frame, then its frames from the caller of
// operator new outwards (allocator templates left out, runs of unnamed frames of one library folded).
std::string formatSites(const std::vector<Site>& sites, std::uint64_t overflow, double frames);

// Called by the counting operator new.
void recordAllocation();

} // namespace AllocationCounter
