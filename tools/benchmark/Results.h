#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

// One figure: a median and a 95th percentile (for counts: a median and a maximum).
struct Record
{
    std::string key;
    double median;
    double p95;
};

// A run's figures. Keys: "<pose>.<cpu|serial|alloc>.<pass>", "<pose>.frame.total", "allocations.<what>";
// files of older builds hold more ("<pose>.gpu.<pass>", "startup.<phase>"), which are read and left
// unused. Text facts (renderer, size, time) in `facts`.
struct Results
{
    std::map<std::string, std::string> facts;
    std::vector<Record> records;

    void add(const std::string& key, double median, double p95);
    std::optional<Record> find(const std::string& key) const;
    // The poses that have a frame total, in the order they were recorded.
    std::vector<std::string> poses() const;
};

// The passes of one frame, in the order the frame loop runs them.
const std::vector<std::string>& passNames();

// Tab-separated: "fact<TAB>name<TAB>text" and "<key><TAB>median<TAB>p95" lines; '#' starts a comment.
void writeResults(std::ostream& out, const Results& results);
// Throws std::runtime_error naming the line of the first malformed record.
Results readResults(std::istream& in);

// Several runs of the same kind as one: every figure the median of the runs' figures (medians and 95th
// percentiles each on their own), in the first run's order; a figure missing from some runs is taken from
// the others. The first run's facts, with "rounds" set to the number of runs.
Results mergeRounds(const std::vector<Results>& rounds);

// The frame's target against a reference build: at least this many times shorter there.
constexpr double SpeedupTarget = 1.6;

// Human-readable report of one run.
std::string formatReport(const Results& results);
// A build's run beside a reference build's run on the same machine: each pass's and the frame's speed-up
// (the reference's time over the current one's) and the allocations, judged against the targets.
std::string formatSpeedup(const Results& current, const Results& reference);
