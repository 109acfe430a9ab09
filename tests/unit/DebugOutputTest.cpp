// The framed block printed for each OpenGL debug message.
#include "DebugOutput.h"

#include <gtest/gtest.h>

TEST(DebugOutputTest, FramesEveryFieldWithItsWord)
{
    EXPECT_EQ(formatDebugMessage(GL_DEBUG_SOURCE_APPLICATION, GL_DEBUG_TYPE_MARKER, 42, GL_DEBUG_SEVERITY_LOW, "hello"),
              "\n*********OpenGL Debug Begin****************\n"
              "ID: 42\n"
              "Message: hello\n"
              "Source: Application\n"
              "Type: Marker\n"
              "Severity: Low"
              "\n*********OpenGL Debug End****************\n\n\n");
}

TEST(DebugOutputTest, WordsOfEachTable)
{
    const auto line = [](GLenum source, GLenum type, GLenum severity, const std::string& label) {
        const std::string text = formatDebugMessage(source, type, 0, severity, "");
        const auto start = text.find(label);
        return text.substr(start + label.size(), text.find('\n', start) - start - label.size());
    };
    const struct
    {
        GLenum value;
        const char* word;
    } sources[] = {
        {GL_DEBUG_SOURCE_API, "API"},
        {GL_DEBUG_SOURCE_WINDOW_SYSTEM, "Window System"},
        {GL_DEBUG_SOURCE_SHADER_COMPILER, "Shader Compiler"},
        {GL_DEBUG_SOURCE_THIRD_PARTY, "Third Party"},
        {GL_DEBUG_SOURCE_APPLICATION, "Application"},
        {GL_DEBUG_SOURCE_OTHER, "Other"},
        {0x1234, ""},
    };
    for (const auto& c : sources)
        EXPECT_EQ(line(c.value, 0, 0, "Source: "), c.word);

    const struct
    {
        GLenum value;
        const char* word;
    } types[] = {
        {GL_DEBUG_TYPE_ERROR, "Error"},
        {GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR, "Deprecated Behaviour"},
        {GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR, "Undefined Behaviour"},
        {GL_DEBUG_TYPE_PORTABILITY, "Portability"},
        {GL_DEBUG_TYPE_PERFORMANCE, "Performance"},
        {GL_DEBUG_TYPE_OTHER, "Other"},
        {GL_DEBUG_TYPE_MARKER, "Marker"},
        {GL_DEBUG_TYPE_PUSH_GROUP, "Push Group"},
        {GL_DEBUG_TYPE_POP_GROUP, "Pop Group"},
        {0x1234, ""},
    };
    for (const auto& c : types)
        EXPECT_EQ(line(0, c.value, 0, "Type: "), c.word);

    const struct
    {
        GLenum value;
        const char* word;
    } severities[] = {
        {GL_DEBUG_SEVERITY_HIGH, "High"},
        {GL_DEBUG_SEVERITY_MEDIUM, "Medium"},
        {GL_DEBUG_SEVERITY_LOW, "Low"},
        {GL_DEBUG_SEVERITY_NOTIFICATION, "Notification"},
        {0x1234, ""},
    };
    for (const auto& c : severities)
        EXPECT_EQ(line(0, 0, c.value, "Severity: "), c.word);
}

TEST(DebugOutputTest, UnknownSeverityLeavesItsLineEmpty)
{
    const std::string text = formatDebugMessage(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_ERROR, 7, 0xFFFF, "m");
    EXPECT_NE(text.find("Severity: \n*********OpenGL Debug End"), std::string::npos) << text;
}
