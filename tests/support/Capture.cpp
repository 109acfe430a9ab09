#include "Capture.h"

#include <iostream>

CoutCapture::CoutCapture()
    : m_pPrevious(std::cout.rdbuf(m_Buffer.rdbuf()))
{
}

CoutCapture::~CoutCapture()
{
    std::cout.rdbuf(m_pPrevious);
}
