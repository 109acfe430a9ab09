// The built benchmark on the real scene at a small size: every pass of every pose must be measured, the
// figures must fit together, and each pose's picture must be written.
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

TEST(BenchmarkRunTest, MeasuresEveryPassOfEveryPose)
{
    TempDir directory;
    std::filesystem::create_directory_symlink(sourceDir() / "shader", directory.path() / "shader");
    std::filesystem::create_directory_symlink(sourceDir() / "models", directory.path() / "models");
    const std::filesystem::path file = directory.path() / "results.tsv";

    const std::string output = runCommand("cd '" + directory.path().string() + "' && " BENCHMARK_PROGRAM
                                          " --frames 3 --warmup 1 --width 96 --height 64 --poses earth,sun"
                                          " --allocation-frames 4 --pictures pictures --results '" +
                                          file.string() + "' 2>&1; echo \"exit $?\"");
    ASSERT_NE(output.find("exit 0"), std::string::npos) << output;
    std::ifstream in(file);
    const Results results = readResults(in);

    EXPECT_EQ(results.poses(), (std::vector<std::string>{"earth", "sun"}));
    for (const std::string pose : {"earth", "sun"})
    {
        for (const std::string& pass : passNames())
            for (const char* kind : {"cpu.", "serial.", "alloc."})
            {
                const double value = median(results, pose + "." + kind + pass);
                EXPECT_TRUE(value >= 0.0) << pose << " " << kind << pass << " = " << value;
            }
        // Per frame the thread's CPU time of the passes lies within the frame; medians keep that order.
        EXPECT_LE(median(results, pose + ".cpu.sum"), median(results, pose + ".frame.total")) << pose;
        EXPECT_GT(median(results, pose + ".frame.total"), 0.0) << pose;
        EXPECT_GT(std::filesystem::file_size(directory.path() / "pictures" / (pose + ".png")), 0u) << pose;
    }

    EXPECT_EQ(median(results, "allocations.frames"), 4.0);
    EXPECT_DOUBLE_EQ(median(results, "allocations.per-frame"), median(results, "allocations.total") / 4.0);
}
