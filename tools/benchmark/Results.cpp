#include "Results.h"

#include "Renderer.h"
#include "Statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <limits>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace
{
const double Missing = std::numeric_limits<double>::quiet_NaN();

std::string number(double value, int decimals = 2)
{
    if (std::isnan(value))
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Right-aligned in `width` columns.
std::string cell(const std::string& text, std::size_t width)
{
    return text.size() >= width ? " " + text : std::string(width - text.size(), ' ') + text;
}

std::string label(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

double medianOf(const Results& results, const std::string& key)
{
    const auto record = results.find(key);
    return record ? record->median : Missing;
}

double p95Of(const Results& results, const std::string& key)
{
    const auto record = results.find(key);
    return record ? record->p95 : Missing;
}

std::string fact(const Results& results, const std::string& name)
{
    const auto found = results.facts.find(name);
    return found == results.facts.end() ? "?" : found->second;
}

std::string passTitle(const std::string& pass)
{
    std::string title = pass;
    for (char& c : title)
        if (c == '-')
            c = ' ';
    return title;
}

std::string verdict(bool met)
{
    return met ? "met" : "MISSED";
}

// The reference's time over the current one's. None where a side has no figure or one shown as 0.00 ms,
// as a skipped pass has: that ratio would measure only the timer's noise.
double speedup(double current, double reference)
{
    const double shownAsZero = 0.005;
    if (std::isnan(current) || std::isnan(reference) || current < shownAsZero || reference < shownAsZero)
        return Missing;
    return reference / current;
}
} // namespace

void Results::add(const std::string& key, double median, double p95)
{
    records.push_back({key, median, p95});
}

std::optional<Record> Results::find(const std::string& key) const
{
    for (const Record& record : records)
        if (record.key == key)
            return record;
    return std::nullopt;
}

std::vector<std::string> Results::poses() const
{
    const std::string suffix = ".frame.total";
    std::vector<std::string> names;
    for (const Record& record : records)
        if (record.key.size() > suffix.size() &&
            record.key.compare(record.key.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(record.key.substr(0, record.key.size() - suffix.size()));
    return names;
}

const std::vector<std::string>& passNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (int pass = 0; pass < Renderer::PassCount; ++pass)
            all.emplace_back(Renderer::passName(static_cast<Renderer::Pass>(pass)));
        return all;
    }();
    return names;
}

void writeResults(std::ostream& out, const Results& results)
{
    out << "# Talvenmorquiddle frame benchmark: times in milliseconds, counts per frame\n";
    for (const auto& [name, text] : results.facts)
        out << "fact\t" << name << '\t' << text << '\n';
    out.precision(std::numeric_limits<double>::max_digits10);
    for (const Record& record : results.records)
        out << record.key << '\t' << record.median << '\t' << record.p95 << '\n';
}

Results readResults(std::istream& in)
{
    Results results;
    std::string line;
    int number = 0;
    while (std::getline(in, line))
    {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, '\t'))
            fields.push_back(field);
        const auto fail = [&](const std::string& why) {
            throw std::runtime_error("results line " + std::to_string(number) + ": " + why);
        };
        if (fields.size() != 3)
            fail("expected three tab-separated fields");
        if (fields[0] == "fact")
        {
            results.facts[fields[1]] = fields[2];
            continue;
        }
        double values[2];
        for (int i = 0; i < 2; ++i)
        {
            const std::string& text = fields[static_cast<std::size_t>(i) + 1];
            char* end = nullptr;
            values[i] = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0')
                fail("\"" + text + "\" is not a number");
        }
        results.add(fields[0], values[0], values[1]);
    }
    return results;
}

Results mergeRounds(const std::vector<Results>& rounds)
{
    Results merged;
    if (rounds.empty())
        return merged;
    merged.facts = rounds.front().facts;
    merged.facts["rounds"] = std::to_string(rounds.size());
    std::vector<std::string> keys;
    for (const Results& round : rounds)
        for (const Record& record : round.records)
            if (std::find(keys.begin(), keys.end(), record.key) == keys.end())
                keys.push_back(record.key);
    for (const std::string& key : keys)
    {
        std::vector<double> medians;
        std::vector<double> p95s;
        for (const Results& round : rounds)
            if (const auto record = round.find(key))
            {
                medians.push_back(record->median);
                p95s.push_back(record->p95);
            }
        merged.add(key, median(medians), median(p95s));
    }
    return merged;
}

std::string formatReport(const Results& results)
{
    std::ostringstream out;
    out << fact(results, "label") << " at " << fact(results, "size") << ", " << fact(results, "frames")
        << " timed frames per pose and phase after " << fact(results, "warmup") << " warm-up frames\n";
    out << "Renderer: " << fact(results, "renderer") << ", OpenGL " << fact(results, "version") << "; "
        << fact(results, "threads") << "; load average at start " << fact(results, "load") << "; "
        << fact(results, "measured") << "\n";

    for (const std::string& pose : results.poses())
    {
        out << "\nPose " << pose << ": " << fact(results, "pose." + pose) << "\n";
        out << label("  ms", 32) << cell("CPU (thread)", 16) << cell("serialised", 16) << cell("allocations", 13)
            << "\n";
        out << label("", 32) << cell("median", 9) << cell("p95", 7) << cell("median", 9) << cell("p95", 7)
            << cell("per frame", 13) << "\n";
        const auto row = [&](const std::string& title, const std::string& part, const std::string& allocations) {
            out << label("  " + title, 32);
            for (const char* kind : {".cpu.", ".serial."})
                out << cell(number(medianOf(results, pose + kind + part)), 9)
                    << cell(number(p95Of(results, pose + kind + part)), 7);
            out << cell(number(medianOf(results, pose + ".alloc." + allocations), 0), 13) << "\n";
        };
        for (const std::string& pass : passNames())
            row(passTitle(pass), pass, pass);
        row("update and scene record", "update", "update");
        row("sum of the passes", "sum", "frame");
        out << label("  frame (calls, glFinish, swap)", 48) << cell(number(medianOf(results, pose + ".frame.total")), 9)
            << cell(number(p95Of(results, pose + ".frame.total")), 7) << "\n";
    }

    if (const auto frames = results.find("allocations.frames"))
    {
        out << "\nAllocations over " << number(frames->median, 0)
            << " more frames: " << number(medianOf(results, "allocations.total"), 0) << " in all, "
            << number(medianOf(results, "allocations.per-frame"), 2) << " per frame\n";
    }
    return out.str();
}

std::string formatSpeedup(const Results& current, const Results& reference)
{
    const std::string currentName = fact(current, "label");
    const std::string referenceName = fact(reference, "label");
    // Each side's column is as wide as its label, which names a commit or the working tree.
    const std::size_t referenceWidth = std::max<std::size_t>(referenceName.size(), 8) + 2;
    const std::size_t currentWidth = std::max<std::size_t>(currentName.size(), 8) + 2;

    std::ostringstream out;
    out << "Speed-up: " << currentName << " against " << referenceName << "\n";
    out << "Size " << fact(current, "size");
    if (fact(reference, "size") != fact(current, "size"))
        out << " (" << referenceName << ": " << fact(reference, "size") << ", so the times do not compare)";
    out << "; renderer " << fact(current, "renderer") << "; " << fact(current, "threads") << "; measured "
        << fact(current, "measured") << ", load average " << fact(current, "load") << " / "
        << fact(reference, "load") << "\n";
    if (current.facts.count("rounds") && current.facts.at("rounds") != "1")
        out << "Figures: medians of " << fact(current, "rounds") << " rounds of each, taken in turn, so that load\n"
            << "drifting during the runs falls on both sides (the facts above are the first round's).\n";
    out << "Columns: medians in ms of the serialised wall time, each pass followed by glFinish (llvmpipe\n"
           "renders a target tile by tile across all the draws queued for it, so only serialised passes\n"
           "have times of their own), and of the whole frame; speed-up is the reference's time over the\n"
           "current one's, \"-\" where a side has no figure or 0.00 ms.\n";

    std::vector<std::string> poses = current.poses();
    for (const std::string& pose : reference.poses())
        if (std::find(poses.begin(), poses.end(), pose) == poses.end())
            poses.push_back(pose);
    std::vector<std::string> behind;
    for (const std::string& pose : poses)
    {
        const Results& described = current.facts.count("pose." + pose) ? current : reference;
        out << "\nPose " << pose << ": " << fact(described, "pose." + pose) << "\n";
        out << label("  pass", 32) << cell(referenceName, referenceWidth) << cell(currentName, currentWidth)
            << cell("speed-up", 10) << "\n";
        const auto row = [&](const std::string& title, const std::string& key) {
            const double mine = medianOf(current, key);
            const double base = medianOf(reference, key);
            out << label("  " + title, 32) << cell(number(base), referenceWidth) << cell(number(mine), currentWidth)
                << cell(number(speedup(mine, base)), 10) << "\n";
        };
        for (const std::string& pass : passNames())
            row(passTitle(pass), pose + ".serial." + pass);
        row("sum of the passes", pose + ".serial.sum");
        row("frame (calls, glFinish, swap)", pose + ".frame.total");

        const double frame =
            speedup(medianOf(current, pose + ".frame.total"), medianOf(reference, pose + ".frame.total"));
        const bool fast = !std::isnan(frame) && frame >= SpeedupTarget;
        if (!fast)
            behind.push_back(pose);
        out << "  frame speed-up: " << number(frame) << ", target at least " << number(SpeedupTarget) << ": "
            << (std::isnan(frame) ? std::string("no figure") : verdict(fast)) << "\n";
        const double allocations = medianOf(current, pose + ".alloc.frame");
        const double referenceAllocations = medianOf(reference, pose + ".alloc.frame");
        out << "  allocations per frame: " << number(allocations, 0) << " against " << number(referenceAllocations, 0)
            << ", target not more: "
            << (std::isnan(allocations) || std::isnan(referenceAllocations)
                    ? std::string("no figure")
                    : verdict(allocations <= referenceAllocations))
            << "\n";
    }

    out << "\nEvery pose's frame at least " << number(SpeedupTarget) << " times shorter than in " << referenceName
        << ": ";
    if (poses.empty())
        out << "no figure\n";
    else if (behind.empty())
        out << "met\n";
    else
    {
        out << "MISSED (";
        for (std::size_t i = 0; i < behind.size(); ++i)
            out << (i ? ", " : "") << behind[i];
        out << ")\n";
    }
    return out.str();
}
