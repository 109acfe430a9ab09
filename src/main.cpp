#include "Application.h"

#include <GLFW/glfw3.h>

#include <exception>
#include <iostream>
#include <memory>
#include <string>

namespace
{
// Closes the window before the report, so no half-drawn window waits with it, and keeps the
// console open until the user has read it. GLFW itself stays up: terminating it unloads the GL driver,
// whose leftover allocations the leak checker then cannot attribute (and so cannot suppress).
void report(const char* text)
{
    if (GLFWwindow* window = glfwGetCurrentContext())
        glfwDestroyWindow(window);
    std::cout << text << std::flush;
    std::cin.get();
}
} // namespace

int main()
{
    // Owned here so that it is destroyed before the report is printed.
    std::unique_ptr<Application> application;
    try
    {
        application = std::make_unique<Application>();
        application->loadConfig();
        application->initialize();
        application->createScene();
        application->createCameraTour();
        application->run();
        application.reset();
    }
    catch (const std::exception& exception)
    {
        application.reset();
        report((std::string("Exception: ") + exception.what() + "\n").c_str());
    }
    catch (...)
    {
        application.reset();
        report("Exception\n");
    }
    return 0;
}
