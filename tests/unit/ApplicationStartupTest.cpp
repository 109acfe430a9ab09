// The application's own start-up stages in-process, as far as they go without a window. Needs a
// display, since the windowing library starts, but no GL context.
#include "Application.h"
#include "ConfigurationCases.h"
#include "Process.h"
#include "TempDir.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(ApplicationStartupTest, SizeTheWindowSystemCannotTakeFailsBeforeAnyWindowExists)
{
    for (const ConfigurationCase& c : configurationCases())
    {
        if (c.end != StartupEnd::WindowFails)
            continue;
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeConfiguration(c, dir.path());
        const ScopedWorkingDirectory inside(dir.path());
        // The display refuses a connection now and then while other tests connect to it: the windowing
        // library is started here, asked again if need be, and start-up finds it running.
        ASSERT_TRUE(waitUntil([] { return glfwInit() == GLFW_TRUE; }, std::chrono::seconds(10))) << "no display";
        Application application;
        application.loadConfig();
        std::string message = "nothing thrown";
        try
        {
            application.initialize();
        }
        catch (const std::exception& error)
        {
            message = error.what();
        }
        // The windowing library asserts on a negative size: reaching here means none was asked for.
        EXPECT_EQ(message, "m_pWindow=0");
    }
}
