// The built benchmark on the real scene at a small size: every pass of every pose and every start-up
// phase must be measured, and the figures must fit together.
#include "GLContext.h"

#include "Process.h"
#include "Results.h"
#include "TempDir.h"

#include <cmath>
#include <filesystem>
#include <fstream>

namespace
{
double median(const Results& results, const std::string& key)
{
    const auto record = results.find(key);
    EXPECT_TRUE(record.has_value()) << key;
    return record ? record->median : std::nan("");
}
} // namespace

TEST(BenchmarkRunTest, MeasuresEveryPassAndPhase)
{
    TempDir directory;
    std::filesystem::create_directory_symlink(sourceDir() / "shader", directory.path() / "shader");
    std::filesystem::create_directory_symlink(sourceDir() / "models", directory.path() / "models");
    const std::filesystem::path file = directory.path() / "results.tsv";

    const std::string output = runCommand("cd '" + directory.path().string() + "' && " BENCHMARK_PROGRAM
                                          " --frames 3 --warmup 1 --width 96 --height 64 --poses earth,sun"
                                          " --allocation-frames 4 --results '" +
                                          file.string() + "' 2>&1; echo \"exit $?\"");
    ASSERT_NE(output.find("exit 0"), std::string::npos) << output;
    std::ifstream in(file);
    const Results results = readResults(in);

    EXPECT_EQ(results.poses(), (std::vector<std::string>{"earth", "sun"}));
    for (const std::string pose : {"earth", "sun"})
    {
        for (const std::string& pass : passNames())
            for (const char* kind : {"cpu.", "calls.", "gpu.", "serial.", "alloc."})
            {
                const double value = median(results, pose + "." + kind + pass);
                EXPECT_TRUE(value >= 0.0) << pose << " " << kind << pass << " = " << value;
            }
        // Per frame the thread's CPU time lies within the calls' wall time, and the calls within the
        // frame; medians keep that order.
        EXPECT_LE(median(results, pose + ".cpu.sum"), median(results, pose + ".calls.sum") + 0.01) << pose;
        EXPECT_LE(median(results, pose + ".calls.sum"), median(results, pose + ".frame.total")) << pose;
        EXPECT_GT(median(results, pose + ".frame.total"), 0.0) << pose;
    }

    double phases = 0.0;
    for (const char* phase : {"window", "shaders", "images", "meshes", "scene", "first-frame"})
    {
        const double value = median(results, std::string("startup.") + phase);
        EXPECT_GT(value, 0.0) << phase;
        phases += value;
    }
    const double total = median(results, "startup.total");
    EXPECT_LE(phases, total);
    EXPECT_DOUBLE_EQ(median(results, "startup.program-total"), total - median(results, "startup.meshes"));

    EXPECT_EQ(median(results, "allocations.frames"), 4.0);
    EXPECT_DOUBLE_EQ(median(results, "allocations.per-frame"), median(results, "allocations.total") / 4.0);
}
