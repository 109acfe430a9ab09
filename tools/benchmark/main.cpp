// Frame benchmark: times the program's passes at fixed poses of the tour and counts the frame loop's
// allocations, on the real scene with the shaders and models of the working directory.
#include "AllocationCounter.h"
#include "FrameBenchmark.h"
#include "Options.h"
#include "Poses.h"
#include "Results.h"
#include "SceneRunner.h"

#include <GL/glew.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace
{
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

std::string glText(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "?";
}

int run(const Options& options)
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

    // A window on the display as the program's, so that its swaps cost what the program's do.
    GLFWwindow* window = openWindow(options.width, options.height, true);
    results.facts["renderer"] = glText(GL_RENDERER);
    results.facts["version"] = glText(GL_VERSION);
    PassMeter meter;
    SceneRunner runner(window, options.width, options.height, &meter);
    FrameBenchmark benchmark(runner, meter);
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

    std::cout << formatReport(results);
    if (!options.resultsFile.empty())
    {
        std::ofstream out(options.resultsFile);
        writeResults(out, results);
        if (!out)
            throw std::runtime_error("could not write " + options.resultsFile);
    }
    return 0;
}

// A comma-separated list of results files, the rounds of one build's runs, merged into one.
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
} // namespace

int main(int argc, char** argv)
{
    try
    {
        const Options options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help)
        {
            std::cout << usage();
            return 0;
        }
        if (!options.against.empty())
        {
            std::cout << formatSpeedup(readRounds(options.against[0]), readRounds(options.against[1]));
            return 0;
        }
        return run(options);
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
