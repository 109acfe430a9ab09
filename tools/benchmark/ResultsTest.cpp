#include "Results.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace
{
// A run with one pose whose frame costs `frame` ms.
Results run(const std::string& label, double frame)
{
    Results results;
    results.facts["label"] = label;
    results.facts["pose.earth"] = "5 units from the Earth";
    for (const std::string& pass : passNames())
    {
        results.add("earth.cpu." + pass, frame / 10.0, frame / 8.0);
        results.add("earth.serial." + pass, frame / 9.0, frame / 7.0);
    }
    results.add("earth.frame.total", frame, frame * 1.1);
    return results;
}

std::string lineWith(const std::string& text, const std::string& start)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (line.find(start) != std::string::npos)
            return line;
    return "";
}
} // namespace

TEST(ResultsTest, RecordsSurviveTheFile)
{
    Results results;
    results.facts["renderer"] = "llvmpipe (LLVM 15.0.6, 256 bits)";
    results.facts["label"] = "working tree";
    results.add("earth.cpu.scene-pass", 31.25, 40.0625);
    results.add("sun.alloc.frame", 13.0, 14.0);
    // Digits beyond a printed report's, so the comparison is made on the measured values.
    results.add("allocations.total", 1234.567890123, 1234.567890123);
    results.add("moon.serial.lens-flare", std::numeric_limits<double>::quiet_NaN(), 0.0);

    std::stringstream file;
    writeResults(file, results);
    const Results read = readResults(file);

    EXPECT_EQ(read.facts, results.facts);
    ASSERT_EQ(read.records.size(), results.records.size());
    for (std::size_t i = 0; i < results.records.size(); ++i)
    {
        const Record& expected = results.records[i];
        const Record& actual = read.records[i];
        EXPECT_EQ(actual.key, expected.key);
        if (std::isnan(expected.median))
            EXPECT_TRUE(std::isnan(actual.median)) << expected.key;
        else
            EXPECT_EQ(actual.median, expected.median) << expected.key;
        EXPECT_EQ(actual.p95, expected.p95) << expected.key;
    }
}

TEST(ResultsTest, NamesTheLineOfABadRecord)
{
    struct Case
    {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"# comment\nearth.frame.total\t1\n", "results line 2: expected three tab-separated fields"},
        {"earth.frame.total\t1\t2\t3\n", "results line 1: expected three tab-separated fields"},
        {"\nearth.frame.total 1 2\n", "results line 2: expected three tab-separated fields"},
        {"earth.frame.total\tfast\t2\n", "results line 1: \"fast\" is not a number"},
        {"earth.frame.total\t1\t2ms\n", "results line 1: \"2ms\" is not a number"},
        {"earth.frame.total\t\t2\n", "results line 1: \"\" is not a number"},
    };
    for (const Case& c : cases)
    {
        std::istringstream file(c.text);
        try
        {
            readResults(file);
            ADD_FAILURE() << c.text << " was read";
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(ResultsTest, PosesInRecordedOrder)
{
    Results results;
    results.add("sun.frame.finish", 1.0, 1.0);
    results.add("sun.frame.total", 1.0, 1.0);
    results.add("earth.serial.bloom", 1.0, 1.0);
    results.add("earth.frame.total", 1.0, 1.0);
    results.add("allocations.total", 1.0, 1.0);
    EXPECT_EQ(results.poses(), (std::vector<std::string>{"sun", "earth"}));
}

TEST(ResultsTest, RoundsMergeIntoTheMedianOfEachFigure)
{
    // Load that drifts between rounds moves single rounds; the median of three keeps the middle one.
    std::vector<Results> rounds{run("scene", 100.0), run("scene", 300.0), run("scene", 120.0)};
    rounds[1].facts["label"] = "second round";
    rounds[2].add("earth.alloc.frame", 21.0, 21.0);

    const Results merged = mergeRounds(rounds);
    EXPECT_EQ(merged.facts.at("label"), "scene");
    EXPECT_EQ(merged.facts.at("rounds"), "3");
    ASSERT_TRUE(merged.find("earth.frame.total"));
    EXPECT_DOUBLE_EQ(merged.find("earth.frame.total")->median, 120.0);
    EXPECT_DOUBLE_EQ(merged.find("earth.frame.total")->p95, 132.0);
    EXPECT_DOUBLE_EQ(merged.find("earth.serial.bloom")->median, 120.0 / 9.0);
    // Only one round has it: that round's figure.
    ASSERT_TRUE(merged.find("earth.alloc.frame"));
    EXPECT_DOUBLE_EQ(merged.find("earth.alloc.frame")->median, 21.0);
    // The first round's order, then what later rounds add.
    ASSERT_EQ(merged.records.size(), rounds[0].records.size() + 1);
    for (std::size_t i = 0; i < rounds[0].records.size(); ++i)
        EXPECT_EQ(merged.records[i].key, rounds[0].records[i].key);
    EXPECT_EQ(merged.records.back().key, "earth.alloc.frame");

    EXPECT_TRUE(mergeRounds({}).records.empty());
}

TEST(ResultsTest, ReportListsEveryPassOfEveryPose)
{
    Results results = run("working tree", 100.0);
    results.add("allocations.frames", 1000.0, 1000.0);
    results.add("allocations.total", 14000.0, 14000.0);
    results.add("allocations.per-frame", 14.0, 14.0);
    const std::string report = formatReport(results);
    for (const char* title : {"atmosphere stages", "scene pass", "earth data copy", "atmosphere over scene",
                              "presentation", "bloom", "lens flare"})
        EXPECT_NE(lineWith(report, std::string("  ") + title).find("10.00  12.50    11.11  14.29"), std::string::npos)
            << title << report;
    EXPECT_NE(lineWith(report, "frame (calls, glFinish, swap)").find("100.00 110.00"), std::string::npos) << report;
    // The line scripts/benchmark.sh picks out of every build's report, this one's and older ones'.
    EXPECT_EQ(lineWith(report, "Allocations over"), "Allocations over 1000 more frames: 14000 in all, 14.00 per frame");
}

TEST(ResultsTest, SpeedupJudgesTheTargets)
{
    struct Case
    {
        double currentFrame;
        // Negative: the reference has no figures at all.
        double referenceFrame;
        double currentAllocations;
        const char* passRow;
        const char* frameVerdict;
        const char* allocationVerdict;
        const char* summary;
    };
    const Case cases[] = {
        {100.0, 160.0, 13.0, "17.78         11.11      1.60", "speed-up: 1.60, target at least 1.60: met",
         "13 against 13, target not more: met", "met"},
        {100.0, 159.0, 12.0, "17.67         11.11      1.59", "speed-up: 1.59, target at least 1.60: MISSED",
         "12 against 13, target not more: met", "MISSED (earth)"},
        {100.0, 200.0, 14.0, "22.22         11.11      2.00", "speed-up: 2.00, target at least 1.60: met",
         "14 against 13, target not more: MISSED", "met"},
        // A frame shown as 0.00 ms, as a skipped pass is, gives no ratio.
        {100.0, 0.0, 13.0, "0.00         11.11         -", "speed-up: -, target at least 1.60: no figure",
         "13 against 13, target not more: met", "MISSED (earth)"},
        {100.0, -1.0, 13.0, " -         11.11         -", "speed-up: -, target at least 1.60: no figure",
         "13 against -, target not more: no figure", "MISSED (earth)"},
    };
    for (const Case& c : cases)
    {
        Results current = run("working tree", c.currentFrame);
        current.add("earth.alloc.frame", c.currentAllocations, c.currentAllocations);
        Results reference;
        reference.facts["label"] = "28853db";
        if (c.referenceFrame >= 0.0)
        {
            reference = run("28853db", c.referenceFrame);
            reference.add("earth.alloc.frame", 13.0, 13.0);
        }
        const std::string table = formatSpeedup(current, reference);
        EXPECT_NE(lineWith(table, "  pass").find("28853db  working tree  speed-up"), std::string::npos) << table;
        EXPECT_NE(lineWith(table, "  scene pass").find(c.passRow), std::string::npos) << table;
        EXPECT_NE(lineWith(table, "frame speed-up").find(c.frameVerdict), std::string::npos) << table;
        EXPECT_NE(lineWith(table, "allocations per frame").find(c.allocationVerdict), std::string::npos) << table;
        EXPECT_EQ(lineWith(table, "Every pose's frame"),
                  std::string("Every pose's frame at least 1.60 times shorter than in 28853db: ") + c.summary)
            << table;
    }
}
