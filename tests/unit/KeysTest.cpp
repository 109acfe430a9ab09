#include "Keys.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <vector>

namespace
{

TEST(KeyActionTest, FirstHeldKeyInFixedOrderWins)
{
    struct Case
    {
        const char* name;
        std::vector<int> held;
        KeyAction expected;
    };
    const std::vector<Case> cases = {
        {"nothing", {}, KeyAction::None},
        {"E", {GLFW_KEY_E}, KeyAction::TargetEarth},
        {"S", {GLFW_KEY_S}, KeyAction::TargetSun},
        {"M", {GLFW_KEY_M}, KeyAction::TargetMoon},
        {"A", {GLFW_KEY_A}, KeyAction::RestartTour},
        {"Space", {GLFW_KEY_SPACE}, KeyAction::TogglePause},
        {"E beats S", {GLFW_KEY_S, GLFW_KEY_E}, KeyAction::TargetEarth},
        {"S beats M", {GLFW_KEY_M, GLFW_KEY_S}, KeyAction::TargetSun},
        {"M beats A", {GLFW_KEY_A, GLFW_KEY_M}, KeyAction::TargetMoon},
        {"E beats A: no restart", {GLFW_KEY_A, GLFW_KEY_E}, KeyAction::TargetEarth},
        {"A beats Space", {GLFW_KEY_SPACE, GLFW_KEY_A}, KeyAction::RestartTour},
        {"all of them", {GLFW_KEY_SPACE, GLFW_KEY_A, GLFW_KEY_M, GLFW_KEY_S, GLFW_KEY_E}, KeyAction::TargetEarth},
        {"camera keys are not actions", {GLFW_KEY_UP, GLFW_KEY_DOWN, GLFW_KEY_KP_ADD, GLFW_KEY_KP_SUBTRACT},
         KeyAction::None},
        {"escape is not an action", {GLFW_KEY_ESCAPE}, KeyAction::None},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        KeyTable keys{};
        for (int key : c.held)
            keys[key] = true;
        EXPECT_EQ(c.expected, chooseKeyAction(keys));
    }
}

class KeyCallbackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        beginKeyPoll();
        Keys.fill(false);
    }
    void TearDown() override
    {
        beginKeyPoll();
        Keys.fill(false);
    }
};

TEST_F(KeyCallbackTest, PressSetsReleaseClearsRepeatLeavesAlone)
{
    struct Case
    {
        const char* name;
        bool before;
        int action;
        bool after;
    };
    const std::vector<Case> cases = {
        {"press", false, GLFW_PRESS, true},         {"press held", true, GLFW_PRESS, true},
        {"release", true, GLFW_RELEASE, false},     {"release idle", false, GLFW_RELEASE, false},
        {"repeat held", true, GLFW_REPEAT, true},   {"repeat idle", false, GLFW_REPEAT, false},
    };
    for (const int key : {GLFW_KEY_SPACE, GLFW_KEY_E, GLFW_KEY_KP_ADD, 0, KeyCount - 1})
    {
        for (const Case& c : cases)
        {
            SCOPED_TRACE(testing::Message() << c.name << " key " << key);
            beginKeyPoll();
            Keys.fill(false);
            Keys[key] = c.before;
            keyCallback(nullptr, key, 0, c.action, 0);
            EXPECT_EQ(c.after, Keys[key]);
            // No other flag moves.
            KeyTable expected{};
            expected[key] = c.after;
            EXPECT_EQ(expected, Keys);
        }
    }
}

TEST_F(KeyCallbackTest, ATapShorterThanAFrameIsSeenByOneFrame)
{
    // Press and release in one poll: the frame after the poll still sees the key.
    keyCallback(nullptr, GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    keyCallback(nullptr, GLFW_KEY_ESCAPE, 0, GLFW_RELEASE, 0);
    EXPECT_TRUE(Keys[GLFW_KEY_ESCAPE]);
    beginKeyPoll();
    EXPECT_FALSE(Keys[GLFW_KEY_ESCAPE]);

    // Released in a later poll than the press: up at once.
    keyCallback(nullptr, GLFW_KEY_UP, 0, GLFW_PRESS, 0);
    beginKeyPoll();
    EXPECT_TRUE(Keys[GLFW_KEY_UP]);
    keyCallback(nullptr, GLFW_KEY_UP, 0, GLFW_RELEASE, 0);
    EXPECT_FALSE(Keys[GLFW_KEY_UP]);

    // Tapped and pressed again within one poll: held.
    keyCallback(nullptr, GLFW_KEY_E, 0, GLFW_PRESS, 0);
    keyCallback(nullptr, GLFW_KEY_E, 0, GLFW_RELEASE, 0);
    keyCallback(nullptr, GLFW_KEY_E, 0, GLFW_PRESS, 0);
    beginKeyPoll();
    EXPECT_TRUE(Keys[GLFW_KEY_E]);
}

TEST_F(KeyCallbackTest, CodesOutsideTheTableWriteNothing)
{
    for (const int key : {GLFW_KEY_UNKNOWN, -1000, KeyCount, KeyCount + 1, 100000})
    {
        for (const int action : {GLFW_PRESS, GLFW_RELEASE, GLFW_REPEAT})
        {
            SCOPED_TRACE(testing::Message() << "key " << key << " action " << action);
            KeyTable pattern{};
            for (int i = 0; i < KeyCount; i += 3)
                pattern[i] = true;
            Keys = pattern;
            keyCallback(nullptr, key, 0, action, 0);
            EXPECT_EQ(pattern, Keys);
        }
    }
}

} // namespace
