#pragma once

#include <GL/glew.h>

#include <string>

// Turns on the driver's debug messages and prints each one as a framed block on standard output.
void setupDebugOutput();

void GLAPIENTRY debugCallback(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei length,
                              const GLchar* message, const void* userParam);

// The framed block that debugCallback prints for one message.
std::string formatDebugMessage(GLenum source, GLenum type, GLuint id, GLenum severity, const char* message);
