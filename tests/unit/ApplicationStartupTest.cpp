// The application's own start-up stages in-process, as far as they go without a window. Needs a
// display, since the windowing library starts, but no GL context.
#include "Application.h"
#include "ConfigurationCases.h"
#include "TempDir.h"

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
        catch (const char*)
        {
            message = "the windowing library did not start: no display?";
        }
        // The windowing library asserts on a negative size: reaching here means none was asked for.
        EXPECT_EQ(message, "m_pWindow=0");
    }
}
