#include "Results.h"

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

struct StartupPhase
{
    const char* key;
    const char* title;
};

const StartupPhase StartupPhases[] = {
    {"startup.window", "window and context"},
    {"startup.shaders", "shader builds (9 programs)"},
    {"startup.images", "2D images (decoding, uploads, mipmaps)"},
    {"startup.meshes", "meshes (5 files; the bodies load them again)"},
    {"startup.scene", "renderer and scene objects, sky map"},
    {"startup.first-frame", "first frame (JIT of shader variants)"},
    {"startup.total", "total, entry to first presented frame"},
    {"startup.program-total", "total less the mesh pre-load (the program's share)"},
};

std::string verdict(bool met)
{
    return met ? "met" : "MISSED";
}

// The reference's time over the current one's. None where a side has no figure or one shown as 0.00 ms,
// as a skipped pass has: that ratio would measure only the timer's noise.
// One side of a two-column table: its results, heading and column width.
struct Column
{
    const Results& results;
    std::string heading;
    std::size_t width;
};

// The start-up phases of two results side by side, and the verdict of `judged` on the target.
void writeStartup(std::ostringstream& out, const Column& left, const Column& right, const Results& judged)
{
    out << "\nStart-up, entry to first presented frame (ms)\n";
    out << label("  phase", 56) << cell(left.heading, left.width) << cell(right.heading, right.width) << "\n";
    for (const StartupPhase& phase : StartupPhases)
        out << label(std::string("  ") + phase.title, 56)
            << cell(number(medianOf(left.results, phase.key), 1), left.width)
            << cell(number(medianOf(right.results, phase.key), 1), right.width) << "\n";
    const double startup = medianOf(judged, "startup.program-total");
    out << "  target under " << number(StartupTargetMs, 0) << " ms: "
        << (std::isnan(startup) ? std::string("no figure") : verdict(startup < StartupTargetMs)) << "\n";
}

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
    static const std::vector<std::string> names{"atmosphere-stages", "scene-pass",   "earth-data-copy",
                                                "atmosphere-over-scene", "presentation", "bloom",
                                                "lens-flare"};
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

    const char* const kinds[] = {"cpu", "calls", "gpu", "serial"};
    for (const std::string& pose : results.poses())
    {
        out << "\nPose " << pose << ": " << fact(results, "pose." + pose) << "\n";
        out << label("  ms", 32) << cell("CPU (thread)", 16) << cell("calls (wall)", 16) << cell("GPU timer", 16)
            << cell("serialised", 16) << cell("allocations", 13) << "\n";
        out << label("", 32);
        for (int i = 0; i < 4; ++i)
            out << cell("median", 9) << cell("p95", 7);
        out << cell("per frame", 13) << "\n";
        const auto row = [&](const std::string& title, const std::string& part, int columns) {
            out << label("  " + title, 32);
            for (int i = 0; i < 4; ++i)
            {
                const std::string key = pose + "." + kinds[i] + "." + part;
                if (i < columns)
                    out << cell(number(medianOf(results, key)), 9) << cell(number(p95Of(results, key)), 7);
                else
                    out << label("", 16);
            }
            out << cell(number(medianOf(results, pose + ".alloc." + (part == "sum" ? std::string("frame") : part)), 0),
                        13)
                << "\n";
        };
        for (const std::string& pass : passNames())
            row(passTitle(pass), pass, 4);
        row("update and scene record", "update", 2);
        row("sum of the passes", "sum", 4);
        const auto line = [&](const std::string& title, const std::string& key) {
            out << label("  " + title, 32) << label("", 16) << cell(number(medianOf(results, key)), 9)
                << cell(number(p95Of(results, key)), 7) << "\n";
        };
        line("glFinish wait", pose + ".frame.finish");
        line("swap", pose + ".frame.swap");
        line("frame (calls, glFinish, swap)", pose + ".frame.total");
        line("frame, passes serialised", pose + ".frame.serial-total");
    }

    if (results.find("startup.total"))
    {
        out << "\nStart-up (ms)\n";
        for (const StartupPhase& phase : StartupPhases)
        {
            out << label(std::string("  ") + phase.title, 56) << cell(number(medianOf(results, phase.key), 1), 9)
                << "\n";
            // The items of a phase, e.g. "startup.shaders.Earth", right under it.
            const std::string prefix = std::string(phase.key) + ".";
            for (const Record& record : results.records)
                if (record.key.compare(0, prefix.size(), prefix) == 0)
                    out << label("      " + record.key.substr(prefix.size()), 56) << cell(number(record.median, 1), 9)
                        << "\n";
        }
    }

    if (const auto frames = results.find("allocations.frames"))
    {
        out << "\nAllocations over " << number(frames->median, 0)
            << " more frames: " << number(medianOf(results, "allocations.total"), 0) << " in all, "
            << number(medianOf(results, "allocations.per-frame"), 2) << " per frame\n";
    }
    if (results.find("memory.rss-start"))
        out << "Resident size: " << number(medianOf(results, "memory.rss-start"), 1) << " MiB before the frames, "
            << number(medianOf(results, "memory.rss-end"), 1) << " MiB after them\n";
    return out.str();
}

std::string formatComparison(const Results& scene, const Results& trivial)
{
    std::ostringstream out;
    out << "Frame cost: " << fact(scene, "label") << " beside " << fact(trivial, "label")
        << " (same targets, clears and draws)\n";
    out << "Size " << fact(scene, "size") << "; renderer " << fact(scene, "renderer") << "; "
        << fact(scene, "threads") << "; measured " << fact(scene, "measured") << ", load average "
        << fact(scene, "load") << " / " << fact(trivial, "load") << "\n";
    if (scene.facts.count("rounds") && scene.facts.at("rounds") != "1")
        out << "Figures: medians of " << fact(scene, "rounds") << " rounds of each, taken in turn, so that load\n"
            << "drifting during the runs falls on both sides (the facts above are the first round's).\n";
    out << "Columns: medians in ms; \"ours\" is what the scene's shaders add to the pass structure. llvmpipe\n"
           "renders a target tile by tile across all the draws queued for it, so the timer queries of passes\n"
           "that share a target overlap (the bloom's blend and the lens flare on the window); the serialised\n"
           "wall time, each pass followed by glFinish, does not.\n";

    for (const std::string& pose : scene.poses())
    {
        out << "\nPose " << pose << ": " << fact(scene, "pose." + pose) << "\n";
        out << label("  pass", 26) << cell("GPU timer", 27) << cell("serialised wall", 27) << "\n";
        out << label("", 26);
        for (int i = 0; i < 2; ++i)
            out << cell("scene", 9) << cell("trivial", 9) << cell("ours", 9);
        out << "\n";
        const auto row = [&](const std::string& title, const std::string& gpuKey, const std::string& serialKey) {
            out << label("  " + title, 26);
            for (const std::string& key : {gpuKey, serialKey})
            {
                const double mine = medianOf(scene, key);
                const double base = medianOf(trivial, key);
                out << cell(number(mine), 9) << cell(number(base), 9) << cell(number(mine - base), 9);
            }
            out << "\n";
        };
        for (const std::string& pass : passNames())
            row(passTitle(pass), pose + ".gpu." + pass, pose + ".serial." + pass);
        row("sum of the passes", pose + ".gpu.sum", pose + ".serial.sum");

        const double mine = medianOf(scene, pose + ".frame.total");
        const double base = medianOf(trivial, pose + ".frame.total");
        const double ratio = mine / base;
        out << "  frame (calls, glFinish, swap): " << number(mine) << " ms (p95 "
            << number(p95Of(scene, pose + ".frame.total")) << ") against " << number(base) << " ms: ratio "
            << number(ratio) << ", target at most " << number(FrameRatioTarget) << ": "
            << (std::isnan(ratio) ? std::string("no figure") : verdict(ratio <= FrameRatioTarget)) << "\n";
        out << "  CPU time of the frame loop's own work (main thread, passes and updates): "
            << number(medianOf(scene, pose + ".cpu.sum") + medianOf(scene, pose + ".cpu.update")) << " ms against "
            << number(medianOf(trivial, pose + ".cpu.sum") + medianOf(trivial, pose + ".cpu.update")) << " ms\n";
        out << "  allocations per frame: " << number(medianOf(scene, pose + ".alloc.frame"), 0) << "\n";
    }

    writeStartup(out, {scene, "scene", 9}, {trivial, "trivial", 9}, scene);
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
           "overlaps the GPU timers of passes that share a target), and of the whole frame; speed-up is\n"
           "the reference's time over the current one's, \"-\" where a side has no figure or 0.00 ms.\n";

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

    writeStartup(out, {reference, referenceName, referenceWidth}, {current, currentName, currentWidth}, current);

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
