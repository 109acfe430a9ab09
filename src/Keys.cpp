#include "Keys.h"

#include <GLFW/glfw3.h>

KeyTable Keys{};

void keyCallback(GLFWwindow* /*window*/, int key, int /*scancode*/, int action, int /*mods*/)
{
    // GLFW reports keys it does not know as -1; such codes have no flag.
    if (key < 0 || key >= KeyCount)
        return;
    if (action == GLFW_PRESS)
        Keys[key] = true;
    else if (action == GLFW_RELEASE)
        Keys[key] = false;
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
