#include "FrameClock.h"

#include <algorithm>
#include <cmath>

FrameClock::FrameClock(double now)
    : m_LastTime(now)
{
}

float FrameClock::tick(double now)
{
    ++m_Frame;
    // The difference of two double readings, narrowed: exact however long the program runs.
    const float deltaTime = static_cast<float>(now - m_LastTime);
    m_LastTime = now;
    m_AccumulatedTime += deltaTime;
    return deltaTime;
}

std::optional<int> FrameClock::takeFrameRate()
{
    if (m_Frame % TitleInterval != 0)
        return std::nullopt;
    const float rate = static_cast<float>(TitleInterval) / m_AccumulatedTime;
    m_AccumulatedTime = 0.0f;
    // A stalled clock gives an infinite or undefined rate, which has no integer value.
    if (std::isnan(rate))
        return 0;
    constexpr float largest = 2147483520.0f; // the largest float below 2^31
    return static_cast<int>(std::clamp(rate, -largest, largest));
}
