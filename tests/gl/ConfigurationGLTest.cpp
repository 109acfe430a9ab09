// What start-up makes of the values a spoilt configuration file gives, past the window: the renderer
// takes the size or refuses it with an incomplete framebuffer, and the camera keys drive any
// sensitivity through frames. How the file reads is in ConfigurationTest; a size the window system
// refuses in ApplicationStartupTest.
#include "Capture.h"
#include "ConfigurationCases.h"
#include "GLContext.h"
#include "GLState.h"
#include "StartupScene.h"

#include <memory>
#include <string>

namespace
{
class ConfigurationGLTest : public GLTest
{
protected:
    static void SetUpTestSuite()
    {
        const GLState::Guard guard;
        s_pScene = std::make_unique<StartupScene>(320, 256);
    }

    static void TearDownTestSuite() { s_pScene.reset(); }

    static inline std::unique_ptr<StartupScene> s_pScene;
};

// What the user's keys do after a frame of the tour: E circles the Earth, then each key that reads a
// sensitivity takes the camera one step in a frame of its own.
void driveCamera(StartupScene& scene)
{
    scene.frame(0.0f);
    scene.scene.camera->setTarget(scene.scene.earth.get());
    for (const int key : {GLFW_KEY_KP_ADD, GLFW_KEY_KP_SUBTRACT, GLFW_KEY_UP, GLFW_KEY_DOWN})
    {
        scene.keys[key] = true;
        scene.frame(1.0f / 60.0f);
        scene.keys[key] = false;
    }
}

TEST_F(ConfigurationGLTest, RendererTakesTheSizeOrRefusesItAndTheKeysDriveAnySensitivity)
{
    ASSERT_TRUE(s_pScene) << "the scene could not be built";
    for (const ConfigurationCase& c : configurationCases())
    {
        if (c.end == StartupEnd::WindowFails)
            continue;
        SCOPED_TRACE(c.name);
        const MadeObjectsDeleted objects;
        const GLState::Guard guard;
        const Configuration& config = c.expected;
        std::string thrown = "nothing thrown";
        CoutCapture console;
        try
        {
            s_pScene->reconfigure(config.width, config.height, config.sensivityZoom, config.sensivityUpDown);
            // Only the sensitivities differ from the defaults' drive: the other rows draw one frame.
            if (c.name.rfind("Flags/", 0) == 0)
                driveCamera(*s_pScene);
            else
                s_pScene->frame(0.0f);
        }
        catch (const char* text)
        {
            thrown = text;
        }
        // Whatever the values, the console hears nothing but the shader build.
        expectOnlyBuildOutput(console.text());
        if (c.end == StartupEnd::Runs)
        {
            EXPECT_EQ(thrown, "nothing thrown");
            continue;
        }
        EXPECT_EQ(thrown, std::string("FBO is incomplete!!!"));
        // A size beyond the driver's limits is refused with errors before the framebuffer's check.
        while (glGetError() != GL_NO_ERROR)
        {
        }
    }
}
} // namespace
