#pragma once

#include <array>

struct GLFWwindow;

// One flag per windowing-library key code, true while the key is held.
constexpr int KeyCount = 1024;
using KeyTable = std::array<bool, KeyCount>;

// Written by keyCallback, read by the frame loop and the camera.
extern KeyTable Keys;

// Records presses and releases in Keys; repeats and codes outside the table are dropped.
// A key pressed and released within one event poll stays down until the next poll.
void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);

// Called right before each event poll: ends the keys that were tapped during the previous one.
void beginKeyPoll();

// What the frame loop does with the keys held in one frame: at most one of these.
enum class KeyAction
{
    None,
    TargetEarth,
    TargetSun,
    TargetMoon,
    RestartTour,
    TogglePause,
};

// E, S, M, A, Space, tested in that order: the first held key wins.
KeyAction chooseKeyAction(const KeyTable& keys);
