#include "PassTimer.h"

#include <limits>

PassTimer::PassTimer(std::size_t passes)
    : m_Available(GLEW_VERSION_3_3 || GLEW_ARB_timer_query)
    , m_Queries(passes, 0)
{
    if (m_Available)
        glGenQueries(static_cast<GLsizei>(passes), m_Queries.data());
}

PassTimer::~PassTimer()
{
    if (m_Available)
        glDeleteQueries(static_cast<GLsizei>(m_Queries.size()), m_Queries.data());
}

void PassTimer::begin(std::size_t pass)
{
    if (m_Available)
        glBeginQuery(GL_TIME_ELAPSED, m_Queries[pass]);
}

void PassTimer::end(std::size_t /*pass*/)
{
    if (m_Available)
        glEndQuery(GL_TIME_ELAPSED);
}

void PassTimer::read(double* milliseconds)
{
    for (std::size_t i = 0; i < m_Queries.size(); ++i)
    {
        if (!m_Available)
        {
            milliseconds[i] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(m_Queries[i], GL_QUERY_RESULT, &nanoseconds);
        milliseconds[i] = static_cast<double>(nanoseconds) / 1.0e6;
    }
}
