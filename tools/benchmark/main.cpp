// Frame benchmark: times the program's passes at fixed poses of the tour and its start-up, on the
// real scene with the shaders and models of the working directory.
#include "AllocationCounter.h"
#include "FrameBenchmark.h"
#include "Options.h"
#include "Poses.h"
#include "Results.h"
#include "Startup.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double residentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::string firstLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

std::string now()
{
    const std::time_t time = std::time(nullptr);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", std::localtime(&time));
    return text;
}

int run(const Options& options, Clock::time_point entry)
{
    Results results;
    results.facts["label"] = options.label;
    results.facts["size"] = std::to_string(options.width) + "x" + std::to_string(options.height);
    results.facts["frames"] = std::to_string(options.frames);
    results.facts["warmup"] = std::to_string(options.warmup);
    results.facts["measured"] = now();
    results.facts["load"] = firstLine("/proc/loadavg").substr(0, 14);
    const char* threads = std::getenv("LP_NUM_THREADS");
    results.facts["threads"] = threads ? std::string("LP_NUM_THREADS=") + threads
                                       : "LP_NUM_THREADS unset (llvmpipe: one thread per core, " +
                                             std::to_string(std::thread::hardware_concurrency()) + " cores)";
    for (const Pose& pose : allPoses())
        results.facts["pose." + pose.name] = pose.description;

    PassMeter meter;
    StartedScene started = startUp(options, results, meter);
    FrameBenchmark benchmark(started.window, started.objects, meter);
    const auto firstFrame = Clock::now();
    benchmark.drawFirstFrame();
    const double firstFrameTime = millisecondsSince(firstFrame);
    results.add("startup.first-frame", firstFrameTime, firstFrameTime);
    const double total = millisecondsSince(entry);
    results.add("startup.total", total, total);
    const double meshes = results.find("startup.meshes")->median;
    results.add("startup.program-total", total - meshes, total - meshes);

    results.add("memory.rss-start", residentMiB(), residentMiB());
    if (options.traceAllocations)
        AllocationCounter::setTracing(true);
    std::vector<const Pose*> poses;
    for (const std::string& name : options.poses)
        poses.push_back(findPose(name));
    for (const Pose* pose : poses)
    {
        if (options.frames > 0)
            benchmark.timePose(*pose, options, results);
        if (!options.picturesDirectory.empty())
        {
            if (options.frames == 0)
                benchmark.setPose(*pose);
            benchmark.savePicture(*pose, options.picturesDirectory);
        }
    }
    if (options.allocationFrames > 0)
        benchmark.countAllocations(poses, options.allocationFrames, options.warmup, results);
    results.add("memory.rss-end", residentMiB(), residentMiB());

    std::cout << formatReport(results);
    if (options.traceAllocations)
    {
        // Traced spans: the timed frames and the allocation frames.
        const double frames =
            static_cast<double>(options.frames) * static_cast<double>(poses.size()) + options.allocationFrames;
        std::uint64_t overflow = 0;
        const auto sites = AllocationCounter::sites(overflow);
        std::cout << AllocationCounter::formatSites(sites, overflow, frames > 0 ? frames : 1.0);
    }
    if (!options.resultsFile.empty())
    {
        std::ofstream out(options.resultsFile);
        writeResults(out, results);
        if (!out)
            throw std::runtime_error("could not write " + options.resultsFile);
    }
    return 0;
}

// A comma-separated list of results files, the rounds of one kind of run, merged into one.
Results readRounds(const std::string& files)
{
    std::vector<Results> rounds;
    std::stringstream list(files);
    std::string file;
    while (std::getline(list, file, ','))
    {
        std::ifstream in(file);
        if (!in)
            throw std::runtime_error("could not read " + file);
        rounds.push_back(readResults(in));
    }
    return mergeRounds(rounds);
}

int compare(const Options& options)
{
    std::cout << formatComparison(readRounds(options.compare[0]), readRounds(options.compare[1]));
    return 0;
}

int against(const Options& options)
{
    std::cout << formatSpeedup(readRounds(options.against[0]), readRounds(options.against[1]));
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    const auto entry = Clock::now();
    try
    {
        const Options options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help)
        {
            std::cout << usage();
            return 0;
        }
        if (!options.compare.empty())
            return compare(options);
        if (!options.against.empty())
            return against(options);
        return run(options, entry);
    }
    catch (const std::invalid_argument& error)
    {
        std::cerr << "benchmark: " << error.what() << "\n" << usage();
        return 2;
    }
    catch (const std::exception& error)
    {
        std::cerr << "benchmark: " << error.what() << "\n";
        return 1;
    }
    catch (const char* error)
    {
        // The framebuffer's failure is a plain string.
        std::cerr << "benchmark: " << error << "\n";
        return 1;
    }
}
