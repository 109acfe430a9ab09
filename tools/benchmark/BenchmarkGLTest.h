#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>

// A test with the binary's one hidden window current; fails on any GL error the test leaves behind.
class BenchmarkGLTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
};

// Builds a program from texts (vertex, fragment); throws with the log on failure.
GLuint buildProgram(const char* vertex, const char* fragment);
