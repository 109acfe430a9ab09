#include "Progress.h"

#include <cstdio>
#include <iostream>

namespace Record
{

std::string progressText(long done, long all, double rate)
{
    char text[128];
    const long percent = all > 0 ? done * 100 / all : 100;
    if (rate > 0.0)
    {
        const long left = static_cast<long>(static_cast<double>(all - done) / rate + 0.5);
        std::snprintf(text, sizeof text, "%ld/%ld frames  %ld%%  %.1f frames/s  %ld:%02ld left", done, all, percent,
                      rate, left / 60, left % 60);
    }
    else
        std::snprintf(text, sizeof text, "%ld/%ld frames  %ld%%", done, all, percent);
    return text;
}

Progress::Progress(long frames, bool terminal) : m_Frames(frames), m_Terminal(terminal)
{
}

void Progress::frameDone()
{
    ++m_Done;
    const auto now = std::chrono::steady_clock::now();
    if (m_Done == 1)
        m_First = now;
    const double since = std::chrono::duration<double>(now - m_First).count();
    const double rate = since > 0.0 ? static_cast<double>(m_Done - 1) / since : 0.0;
    if (m_Terminal)
    {
        if (now - m_Shown < std::chrono::milliseconds(250) && m_Done < m_Frames)
            return;
        // The padding covers what a longer line before it left.
        std::cout << "\r  " << progressText(m_Done, m_Frames, rate) << "    " << std::flush;
        m_LineOpen = true;
    }
    else
    {
        const int quarter = static_cast<int>(m_Done * 4 / m_Frames);
        if (quarter == m_QuarterShown || m_Done == m_Frames)
            return;
        m_QuarterShown = quarter;
        std::cout << "  " << progressText(m_Done, m_Frames, rate) << std::endl;
    }
    m_Shown = now;
}

void Progress::close()
{
    if (m_LineOpen)
        std::cout << std::endl;
    m_LineOpen = false;
}

double Progress::seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_Start).count();
}

} // namespace Record
