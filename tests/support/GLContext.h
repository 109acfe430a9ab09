#pragma once

#include "GLState.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <optional>

// The one hidden window of the GL test binary; current for every test.
GLFWwindow* testWindow();

// Puts back, when the test ends, every setting a test may change (see GLState::Guard), then fails the
// test on any GL error it left behind. The guard is taken as the fixture is made, before the members of
// a derived fixture: making render targets leaves bindings behind.
class GLTest : public ::testing::Test
{
protected:
    GLTest();
    void SetUp() override;
    void TearDown() override;

private:
    std::optional<GLState::Guard> m_Guard;
};
