#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <array>

// The one hidden window of the GL test binary; current for every test.
GLFWwindow* testWindow();

// Fails the test on any GL error the test left behind.
class GLTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
};

// One texel of colour attachment `attachment` of framebuffer `fbo`, as floats.
std::array<float, 4> readPixel(GLuint fbo, int attachment, int x, int y);
