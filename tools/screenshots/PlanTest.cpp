#include "Plan.h"

#include "CameraAnimation.h"
#include "Model.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using namespace Screenshots;

// A body that stands still: the tour only needs positions to play.
class StillBody final : public Resource::IModel
{
public:
    void render() override {}
    void setMatrices(const glm::mat4&, const glm::mat4&) override {}
    void setParent(IModel*) override {}
    glm::mat4 getModelMatrix() override { return glm::mat4(1.0f); }
    glm::vec4 getPosition() override { return glm::vec4(0.0f, 0.0f, 0.0f, 1.0f); }
    void setLightPosition(const glm::vec4&) override {}
    void update(float, int) override {}
    float getSize() override { return 1.0f; }
};

TEST(ScreenshotPlanTest, TourTableEndsWhereTheProgramsTourMovesEnd)
{
    StillBody earth;
    StillBody moon;
    StillBody sun;
    Camera::CameraAnimation tour = Camera::makeTour(&earth, &moon, &sun);
    ASSERT_EQ(tourMoves().size(), tour.getMoveCount());

    // Play the tour in 10 ms frames and note when each move is dropped.
    const double frame = 0.01;
    std::vector<double> ends;
    double now = 0.0;
    while (!tour.isEmpty() && now < 120.0)
    {
        const std::size_t before = tour.getMoveCount();
        tour.step(static_cast<float>(frame));
        now += frame;
        if (tour.getMoveCount() < before)
            ends.push_back(now);
    }
    ASSERT_EQ(tourMoves().size(), ends.size());
    double start = 0.0;
    for (std::size_t i = 0; i < ends.size(); ++i)
    {
        SCOPED_TRACE(tourMoves()[i].name);
        EXPECT_DOUBLE_EQ(start, tourMoves()[i].start) << "moves must follow each other without a gap";
        // Each dropped move costs the program at most one frame, which the table ignores.
        EXPECT_NEAR(tourMoves()[i].end, ends[i], frame * static_cast<double>(i + 2));
        start = tourMoves()[i].end;
    }
}

TEST(ScreenshotPlanTest, MoveAtTimeAndDefaultTimesCoverEveryMoveOnce)
{
    const struct
    {
        double seconds;
        int move;
    } cases[] = {{0.0, 1}, {2.999, 1}, {3.0, 2}, {12.9, 2}, {13.0, 3}, {19.0, 4}, {29.0, 5},
                 {35.0, 6}, {45.0, 7}, {54.99, 7}, {55.0, 0}, {-0.5, 0}, {300.0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.move, moveAt(c.seconds)) << c.seconds << " s";

    std::set<int> covered;
    for (const double t : defaultTimes())
        covered.insert(moveAt(t));
    EXPECT_EQ((std::set<int>{1, 2, 3, 4, 5, 6, 7}), covered);
    EXPECT_EQ(tourMoves().size(), defaultTimes().size()) << "one default shot per move";
}

TEST(ScreenshotPlanTest, ParseTimesAcceptsIncreasingSecondsAndRejectsTheRest)
{
    const struct
    {
        const char* text;
        std::vector<double> times;
    } good[] = {{"1.5", {1.5}}, {"0,8,16", {0.0, 8.0, 16.0}}, {"1.5,8,16,23,32,41,50", defaultTimes()}, {"2e1", {20.0}}};
    for (const auto& c : good)
        EXPECT_EQ(c.times, parseTimes(c.text)) << c.text;

    const char* const bad[] = {"", ",", "1,", ",1", "1,,2", "-1", "abc", "2s", "1 ,2", "8,3", "4,4", "inf", "nan", "1e400"};
    for (const char* text : bad)
        EXPECT_THROW(parseTimes(text), std::invalid_argument) << "'" << text << "'";
}

TEST(ScreenshotPlanTest, ParseKeysSortsByTimeAndRejectsUnsafeNames)
{
    const std::vector<KeyPress> keys = parseKeys("25:space,20:e,20:KP_Add/1.5,3.5:Up/0");
    ASSERT_EQ(4u, keys.size());
    const struct
    {
        double time;
        const char* key;
        double hold;
    } expected[] = {{3.5, "Up", 0.0}, {20.0, "e", 0.0}, {20.0, "KP_Add", 1.5}, {25.0, "space", 0.0}};
    for (std::size_t i = 0; i < keys.size(); ++i)
    {
        EXPECT_DOUBLE_EQ(expected[i].time, keys[i].time) << i;
        EXPECT_EQ(expected[i].key, keys[i].key) << i;
        EXPECT_DOUBLE_EQ(expected[i].hold, keys[i].hold) << i;
    }

    const char* const bad[] = {"", "e", "20", "20:", ":e", "x:e", "-1:e", "20:e;reboot", "20:a b", "20:e,", "20:-e",
                               "20:e/", "20:e/x", "20:e/-1", "20:/2", "20:e/1/2"};
    for (const char* text : bad)
        EXPECT_THROW(parseKeys(text), std::invalid_argument) << "'" << text << "'";
}

TEST(ScreenshotPlanTest, ParseOptionsReadsBothFormsAndReportsMistakes)
{
    Options defaults;
    defaults.times = defaultTimes();
    defaults.out = "default-out";
    defaults.program = "default-program";
    defaults.root = "default-root";

    const Options both = parseOptions({"--out", "a", "--times=1,2", "--keys", "5:e", "--program=p", "--root", "r",
                                       "--start-timeout", "30"},
                                      defaults);
    EXPECT_EQ("a", both.out);
    EXPECT_EQ((std::vector<double>{1.0, 2.0}), both.times);
    ASSERT_EQ(1u, both.keys.size());
    EXPECT_EQ("e", both.keys[0].key);
    EXPECT_EQ("p", both.program);
    EXPECT_EQ("r", both.root);
    EXPECT_DOUBLE_EQ(30.0, both.startTimeout);
    EXPECT_FALSE(both.help);

    const Options none = parseOptions({}, defaults);
    EXPECT_EQ(defaultTimes(), none.times);
    EXPECT_EQ("default-out", none.out);
    EXPECT_TRUE(none.keys.empty());
    EXPECT_TRUE(parseOptions({"--help"}, defaults).help);

    const std::vector<std::vector<std::string>> bad = {
        {"--out"}, {"--times"}, {"--colour", "red"}, {"shots"}, {"--times", "3,1"}, {"--start-timeout", "-2"},
        {"--keys=20"},
    };
    for (const std::vector<std::string>& args : bad)
        EXPECT_THROW(parseOptions(args, defaults), std::invalid_argument) << args[0];
}

TEST(ScreenshotPlanTest, LabelsAndFileNamesSayWhatTheShotShows)
{
    const std::vector<KeyPress> noKeys;
    const std::vector<KeyPress> keys = {{20.0, "s", 0.0}, {24.0, "KP_Add", 1.0}};
    const struct
    {
        int index;
        double seconds;
        const std::vector<KeyPress>* keys;
        const char* label;
        const char* file;
    } cases[] = {
        {1, 1.5, &noKeys, "1 Hold Earth 1.5 s", "01-hold-earth-1.5s.png"},
        {3, 16.0, &noKeys, "3 Travel to Moon 16 s", "03-travel-to-moon-16s.png"},
        {7, 50.0, &noKeys, "7 Hold Sun 50 s", "07-hold-sun-50s.png"},
        {8, 60.25, &noKeys, "8 after the tour 60.25 s", "08-after-the-tour-60.25s.png"},
        {2, 19.5, &keys, "2 Orbit Moon 19.5 s", "02-orbit-moon-19.5s.png"},
        {3, 20.0, &keys, "3 keys s 20 s", "03-keys-s-20s.png"},
        {12, 30.0, &keys, "12 keys s, KP_Add 30 s", "12-keys-s-kp-add-30s.png"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.label, shotLabel(c.index, c.seconds, *c.keys));
        EXPECT_EQ(c.file, shotFileName(c.index, c.seconds, *c.keys));
    }
}

TEST(ScreenshotPlanTest, TimelinePutsKeysBeforeShotsAtTheSameTime)
{
    const std::vector<Step> steps = timeline({1.0, 5.0, 9.0}, {{5.0, "e", 0.0}, {0.5, "a", 2.0}, {12.0, "m", 0.0}});
    const struct
    {
        double time;
        bool capture;
        int shot;
        const char* key;
        double hold;
    } expected[] = {{0.5, false, 0, "a", 2.0}, {1.0, true, 1, "", 0.0}, {5.0, false, 0, "e", 0.0},
                    {5.0, true, 2, "", 0.0},   {9.0, true, 3, "", 0.0}, {12.0, false, 0, "m", 0.0}};
    ASSERT_EQ(std::size(expected), steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(expected[i].time, steps[i].time);
        EXPECT_EQ(expected[i].capture, steps[i].capture);
        EXPECT_EQ(expected[i].shot, steps[i].shot);
        EXPECT_EQ(expected[i].key, steps[i].press.key);
        EXPECT_DOUBLE_EQ(expected[i].hold, steps[i].press.hold);
    }
}

TEST(ScreenshotPlanTest, FormatSecondsDropsTrailingZeros)
{
    const struct
    {
        double seconds;
        const char* text;
    } cases[] = {{0.0, "0"}, {1.5, "1.5"}, {16.0, "16"}, {60.25, "60.25"}, {0.125, "0.125"}, {100.0, "100"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.text, formatSeconds(c.seconds));
}

} // namespace
