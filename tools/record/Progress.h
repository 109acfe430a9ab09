#pragma once

#include <chrono>
#include <string>

namespace Record
{

// "412/1650 frames  25%  7.1 frames/s  2:54 left"; the rate and the time left once `rate` is known.
std::string progressText(long done, long all, double rate);

// How far a recording is: on a terminal one line rewritten in place a few times a second, otherwise a
// line at each quarter.
class Progress
{
public:
    Progress(long frames, bool terminal);
    void frameDone();
    // Ends the rewritten line, so that what follows starts on a line of its own.
    void close();
    // Since the progress began.
    double seconds() const;
    long done() const { return m_Done; }

private:
    long m_Frames;
    bool m_Terminal;
    long m_Done = 0;
    bool m_LineOpen = false;
    int m_QuarterShown = 0;
    std::chrono::steady_clock::time_point m_Start = std::chrono::steady_clock::now();
    // The rate is counted from the first frame on: the scene's start-up before it is no frame's work.
    std::chrono::steady_clock::time_point m_First = m_Start;
    std::chrono::steady_clock::time_point m_Shown = m_Start;
};

} // namespace Record
