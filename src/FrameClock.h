#pragma once

#include <optional>

// Frame numbering, frame time and the frame rate shown in the title every 100 frames.
class FrameClock
{
public:
    static constexpr int TitleInterval = 100;

    // `now` is the clock reading before the first frame, in seconds.
    explicit FrameClock(double now);

    // Advances to the next frame at clock reading `now` and returns its frame time in seconds.
    float tick(double now);

    // The frame number of the last tick; the first frame is 1.
    int frame() const { return m_Frame; }

    // Every 100th frame: the average rate of the last 100 frames, truncated, and the average restarts.
    std::optional<int> takeFrameRate();

private:
    // Kept in double precision: a float clock loses whole milliseconds after a day of running.
    double m_LastTime;
    int m_Frame = 0;
    float m_AccumulatedTime = 0.0f;
};
