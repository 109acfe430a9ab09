#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <vector>

// One GL_TIME_ELAPSED query per pass of a frame. Passes must not overlap: a context runs one
// elapsed-time query at a time.
class PassTimer
{
public:
    explicit PassTimer(std::size_t passes);
    ~PassTimer();
    PassTimer(const PassTimer&) = delete;
    PassTimer& operator=(const PassTimer&) = delete;

    // False where the context has no timer queries; then begin and end do nothing and read gives NaN.
    bool available() const { return m_Available; }
    void begin(std::size_t pass);
    void end(std::size_t pass);
    // Milliseconds of each pass since its last begin, into `milliseconds` (one entry per pass). Waits
    // for the results, so call it after glFinish to keep the wait out of the frame.
    void read(double* milliseconds);
    std::size_t passes() const { return m_Queries.size(); }

private:
    bool m_Available;
    std::vector<GLuint> m_Queries;
};
