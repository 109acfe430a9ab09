#include "DebugOutput.h"

#include <iostream>

namespace
{
const char* sourceWord(GLenum source)
{
    switch (source)
    {
    case GL_DEBUG_SOURCE_API: return "API";
    case GL_DEBUG_SOURCE_WINDOW_SYSTEM: return "Window System";
    case GL_DEBUG_SOURCE_SHADER_COMPILER: return "Shader Compiler";
    case GL_DEBUG_SOURCE_THIRD_PARTY: return "Third Party";
    case GL_DEBUG_SOURCE_APPLICATION: return "Application";
    case GL_DEBUG_SOURCE_OTHER: return "Other";
    default: return "";
    }
}

const char* typeWord(GLenum type)
{
    switch (type)
    {
    case GL_DEBUG_TYPE_ERROR: return "Error";
    case GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR: return "Deprecated Behaviour";
    case GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR: return "Undefined Behaviour";
    case GL_DEBUG_TYPE_PORTABILITY: return "Portability";
    case GL_DEBUG_TYPE_PERFORMANCE: return "Performance";
    case GL_DEBUG_TYPE_OTHER: return "Other";
    case GL_DEBUG_TYPE_MARKER: return "Marker";
    case GL_DEBUG_TYPE_PUSH_GROUP: return "Push Group";
    case GL_DEBUG_TYPE_POP_GROUP: return "Pop Group";
    default: return "";
    }
}

const char* severityWord(GLenum severity)
{
    switch (severity)
    {
    case GL_DEBUG_SEVERITY_HIGH: return "High";
    case GL_DEBUG_SEVERITY_MEDIUM: return "Medium";
    case GL_DEBUG_SEVERITY_LOW: return "Low";
    case GL_DEBUG_SEVERITY_NOTIFICATION: return "Notification";
    default: return "";
    }
}
} // namespace

std::string formatDebugMessage(GLenum source, GLenum type, GLuint id, GLenum severity, const char* message)
{
    std::string text = "\n*********OpenGL Debug Begin****************\n";
    text += "ID: " + std::to_string(id) + "\n";
    text += std::string("Message: ") + (message ? message : "") + "\n";
    text += std::string("Source: ") + sourceWord(source) + "\n";
    text += std::string("Type: ") + typeWord(type) + "\n";
    text += std::string("Severity: ") + severityWord(severity);
    text += "\n*********OpenGL Debug End****************\n\n\n";
    return text;
}

void GLAPIENTRY debugCallback(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei /*length*/,
                              const GLchar* message, const void* /*userParam*/)
{
    std::cout << formatDebugMessage(source, type, id, severity, message);
}

void setupDebugOutput()
{
    GLint flags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    if (flags & GL_CONTEXT_FLAG_DEBUG_BIT)
        std::cout << "OpenGL Debug output is on.\n";

    // A context without the debug entry points has nothing to report; calling them would crash.
    if (!glDebugMessageCallback || !glDebugMessageControl)
        return;
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(debugCallback, nullptr);
    glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
}
