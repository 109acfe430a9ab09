#pragma once

#include <sstream>
#include <string>

// Collects what the code under test writes to std::cout while it lives.
class CoutCapture
{
public:
    CoutCapture();
    ~CoutCapture();
    CoutCapture(const CoutCapture&) = delete;
    CoutCapture& operator=(const CoutCapture&) = delete;

    std::string text() const { return m_Buffer.str(); }

private:
    std::ostringstream m_Buffer;
    std::streambuf* m_pPrevious;
};
