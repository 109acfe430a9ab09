#include "Keys.h"

#include <GLFW/glfw3.h>

KeyTable Keys{};

namespace
{
// Keys pressed during the current event poll, and releases held back until a frame has seen the press.
KeyTable g_PressedThisPoll{};
KeyTable g_ReleasePending{};
} // namespace

void beginKeyPoll()
{
    for (int key = 0; key < KeyCount; ++key)
    {
        if (g_ReleasePending[key])
            Keys[key] = false;
    }
    g_PressedThisPoll.fill(false);
    g_ReleasePending.fill(false);
}

void keyCallback(GLFWwindow* /*window*/, int key, int /*scancode*/, int action, int /*mods*/)
{
    // GLFW reports keys it does not know as -1; such codes have no flag.
    if (key < 0 || key >= KeyCount)
        return;
    if (action == GLFW_PRESS)
    {
        Keys[key] = true;
        g_PressedThisPoll[key] = true;
        g_ReleasePending[key] = false;
    }
    else if (action == GLFW_RELEASE)
    {
        // A tap shorter than a frame arrives as press and release in one poll: keep it for one frame.
        if (g_PressedThisPoll[key])
            g_ReleasePending[key] = true;
        else
            Keys[key] = false;
    }
}

KeyAction chooseKeyAction(const KeyTable& keys)
{
    if (keys[GLFW_KEY_E])
        return KeyAction::TargetEarth;
    if (keys[GLFW_KEY_S])
        return KeyAction::TargetSun;
    if (keys[GLFW_KEY_M])
        return KeyAction::TargetMoon;
    if (keys[GLFW_KEY_A])
        return KeyAction::RestartTour;
    if (keys[GLFW_KEY_SPACE])
        return KeyAction::TogglePause;
    return KeyAction::None;
}
