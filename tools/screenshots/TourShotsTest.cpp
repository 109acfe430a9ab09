#include "TourShots.h"

#include "FakeBody.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Screenshots;

TEST(TourShotsTest, OneShotInTheMiddleOfEachMoveOfTheTour)
{
    FakeBody earth(glm::vec4(50.0f, 0.0f, 0.0f, 1.0f));
    FakeBody moon(glm::vec4(60.0f, 10.0f, 0.0f, 1.0f));
    FakeBody sun(glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    const Camera::CameraAnimation tour = Camera::makeTour(&earth, &moon, &sun);
    const std::vector<TourMove> moves = tourMoves(tour, {{&earth, "Earth"}, {&moon, "Moon"}, {&sun, "Sun"}});
    const struct
    {
        const char* name;
        double start;
        double end;
        double middle;
    } expected[] = {{"Hold Earth", 0, 3, 1.5},      {"Orbit Earth", 3, 13, 8},  {"Travel to Moon", 13, 19, 16},
                    {"Orbit Moon", 19, 29, 24},     {"Travel to Sun", 29, 35, 32}, {"Orbit Sun", 35, 45, 40},
                    {"Hold Sun", 45, 55, 50}};
    ASSERT_EQ(moves.size(), std::size(expected));
    const std::vector<double> middles = middleTimes(moves);
    // Played in frames of 1/60 s, as the screenshots play it, each shot falls in its own move.
    Camera::CameraAnimation played = tour;
    double now = 0.0;
    for (std::size_t i = 0; i < moves.size(); ++i)
    {
        EXPECT_EQ(moves[i].name, expected[i].name);
        EXPECT_DOUBLE_EQ(moves[i].start, expected[i].start) << expected[i].name;
        EXPECT_DOUBLE_EQ(moves[i].end, expected[i].end) << expected[i].name;
        EXPECT_DOUBLE_EQ(middles[i], expected[i].middle) << expected[i].name;
        for (; now < middles[i]; now += 1.0 / 60.0)
            played.step(1.0f / 60.0f);
        EXPECT_EQ(played.getMoveCount(), moves.size() - i) << expected[i].name;
    }
}

TEST(TourShotsTest, LabelsFileNamesAndTimes)
{
    const std::vector<TourMove> moves{{"Hold Earth", 0.0, 3.0}, {"Travel to Moon", 3.0, 9.0}};
    const struct
    {
        int index;
        double seconds;
        const char* label;
        const char* file;
    } shots[] = {{1, 1.5, "1 Hold Earth 1.5 s", "01-hold-earth-1.5s.png"},
                 {2, 3.0, "2 Travel to Moon 3 s", "02-travel-to-moon-3s.png"},
                 {12, 8.125, "12 Travel to Moon 8.125 s", "12-travel-to-moon-8.125s.png"},
                 {13, 60.0, "13 after the tour 60 s", "13-after-the-tour-60s.png"}};
    for (const auto& shot : shots)
    {
        EXPECT_EQ(shotLabel(shot.index, shot.seconds, moves), shot.label);
        EXPECT_EQ(shotFileName(shot.index, shot.seconds, moves), shot.file);
    }

    EXPECT_EQ(parseTimes("1.5,8,16"), (std::vector<double>{1.5, 8.0, 16.0}));
    EXPECT_EQ(parseTimes("0"), (std::vector<double>{0.0}));
    for (const char* bad : {"", ",", "1,,2", "2,1", "1,1", "-1", "1,", "abc", "1s", "1e999", "nan"})
        EXPECT_THROW(parseTimes(bad), std::invalid_argument) << bad;

    const HeldView held = parseHeldView("earth,3,-90");
    EXPECT_EQ(held.body, "earth");
    EXPECT_EQ(held.distance, 3.0f);
    EXPECT_EQ(held.degrees, -90.0f);
    EXPECT_EQ(held.name(), "Earth from 3 at -90 degrees");
    for (const char* bad :
         {"", "mars,3,0", "earth,0,0", "earth,-1,0", "earth,3", "earth,3,x", "earth,3,0,1", "earth,nan,0"})
        EXPECT_THROW(parseHeldView(bad), std::invalid_argument) << bad;
}
