// The debug-output report on the real driver.
#include "Capture.h"
#include "DebugOutput.h"
#include "GLContext.h"

namespace
{
// The report is switched off again with the test's GL state: it must not print during the other tests.
class DebugOutputGLTest : public GLTest
{
};
} // namespace

TEST_F(DebugOutputGLTest, AnnouncesItselfAndPrintsAnInsertedMessageAsAFramedBlock)
{
    CoutCapture capture;
    setupDebugOutput();
    EXPECT_TRUE(glIsEnabled(GL_DEBUG_OUTPUT));
    EXPECT_TRUE(glIsEnabled(GL_DEBUG_OUTPUT_SYNCHRONOUS));
    glDebugMessageInsert(GL_DEBUG_SOURCE_APPLICATION, GL_DEBUG_TYPE_MARKER, 4711, GL_DEBUG_SEVERITY_NOTIFICATION, -1,
                         "frame begins");
    EXPECT_EQ(capture.text(), "OpenGL Debug output is on.\n"
                              "\n*********OpenGL Debug Begin****************\n"
                              "ID: 4711\n"
                              "Message: frame begins\n"
                              "Source: Application\n"
                              "Type: Marker\n"
                              "Severity: Notification"
                              "\n*********OpenGL Debug End****************\n\n\n");
}

TEST_F(DebugOutputGLTest, ReportsDriverErrorsWithoutChangingTheProgramsCourse)
{
    CoutCapture capture;
    setupDebugOutput();
    glEnable(0xDEAD);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
    const std::string text = capture.text();
    EXPECT_NE(text.find("Source: API\nType: Error\n"), std::string::npos) << text;
}
