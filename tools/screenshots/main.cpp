// screenshots: renders the program's scene in-process through its opening tour, at chosen tour times
// with a fixed frame step, saves each frame as a PNG and puts them on a contact sheet with ImageMagick's
// montage. Without an X display it runs itself again under xvfb-run.
#include "Configuration.h"
#include "SceneRunner.h"
#include "TourShots.h"
#include "VirtualDisplay.h"

#include "Camera.h"
#include "CameraAnimation.h"
#include "Earth.h"
#include "Moon.h"
#include "Sun.h"

#include <GLFW/glfw3.h>
#include <glm/trigonometric.hpp>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace Screenshots;

extern char** environ;

namespace
{
constexpr int SheetColumns = 4;

const char* const Usage =
    "Usage: screenshots [--times T1,T2,...] [--hold BODY,DISTANCE,DEGREES] [--out DIR] [--root DIR]\n"
    "\n"
    "Renders the demo's scene in-process (a hidden window on Mesa's software renderer, the size of\n"
    "Talvenmorquiddle.ini) through its opening tour in frames of 1/60 s, saves the frame at each of the\n"
    "given seconds of the tour as a PNG in DIR and puts them on DIR/contact-sheet.png. Without DISPLAY\n"
    "it runs itself under xvfb-run.\n"
    "\n"
    "  --times  shot times in increasing order (default: the middle of each move of the tour)\n"
    "  --hold   instead of the tour's camera, one held DISTANCE from earth, moon or sun, looking at it\n"
    "           along the horizontal DEGREES (0: along +x), while the bodies move as in the tour\n"
    "  --out    output folder (default build/screenshots in the repository)\n"
    "  --root   the folder holding Talvenmorquiddle.ini, shader/ and models/ (default: the repository)\n";

// Runs `arguments` and waits for it; false when it could not start or did not end with 0.
bool runProgram(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 &&
           waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int run(const std::optional<std::vector<double>>& chosenTimes, const std::optional<HeldView>& held,
        const fs::path& out)
{
    const Configuration config = readConfiguration("Talvenmorquiddle.ini");
    // The same pictures on every machine: the GPU's driver would draw its own.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    GLFWwindow* window = openWindow(config.width, config.height, false);
    fs::create_directories(out);
    std::vector<std::string> montage{"montage", "-background", "#1c1c1c", "-fill", "#e8e8e8", "-font", "DejaVu-Sans",
                                     "-pointsize", "18"};
    std::size_t shots = 0;
    {
        SceneRunner runner(window, config.width, config.height);
        const Scene& scene = runner.m_Scene;
        runner.startTour();
        std::vector<TourMove> moves =
            tourMoves(scene.camera->getAnimation(),
                      {{scene.earth.get(), "Earth"}, {scene.moon.get(), "Moon"}, {scene.sun.get(), "Sun"}});
        if (held)
        {
            const std::map<std::string, Resource::IModel*> bodies{
                {"earth", scene.earth.get()}, {"moon", scene.moon.get()}, {"sun", scene.sun.get()}};
            scene.camera->setAnimation(Camera::makeHold(bodies.at(held->body), held->distance,
                                                        glm::radians(held->degrees)));
            moves = {{held->name(), 0.0, 1.0e9}};
        }
        const std::vector<double> times = chosenTimes ? *chosenTimes : middleTimes(moves);
        double now = 0.0;
        for (std::size_t i = 0; i < times.size(); ++i)
        {
            runner.advanceBy(times[i] - now, TourFrameStep);
            now = times[i];
            runner.draw();
            const int index = static_cast<int>(i) + 1;
            const fs::path file = out / shotFileName(index, now, moves);
            runner.savePicture(file);
            runner.present();
            std::cout << "Wrote " << file.string() << std::endl;
            montage.insert(montage.end(), {"-label", shotLabel(index, now, moves), file.string()});
        }
        shots = times.size();
    }
    // The pictures are written: the window and its context go before the sheet is made, and with the
    // context the renderer's threads, which would otherwise still run while the process ends.
    glfwDestroyWindow(window);

    const std::string columns = std::to_string(std::min<std::size_t>(shots, SheetColumns));
    const fs::path sheet = out / "contact-sheet.png";
    montage.insert(montage.end(), {"-tile", columns + "x", "-geometry", "480x384+6+6", "-depth", "8", sheet.string()});
    if (!runProgram(montage))
        throw std::runtime_error("ImageMagick's montage could not make " + sheet.string() +
                                 " (install the imagemagick package)");
    std::cout << "Wrote the contact sheet " << sheet.string() << std::endl;
    return 0;
}
} // namespace

int main(int, char** argv)
{
    try
    {
        std::optional<std::vector<double>> times;
        std::optional<HeldView> held;
        fs::path out = fs::path(SCREENSHOTS_SOURCE_DIR) / "build" / "screenshots";
        fs::path root = SCREENSHOTS_SOURCE_DIR;
        for (char** arg = argv + 1; *arg; ++arg)
        {
            const std::string option = *arg;
            if (option == "--help" || option == "-h")
            {
                std::cout << Usage;
                return 0;
            }
            const bool known =
                option == "--times" || option == "--hold" || option == "--out" || option == "--root";
            if (!known || !arg[1])
                throw std::invalid_argument(known ? option + " needs a value" : "unknown option '" + option + "'");
            const std::string value = *++arg;
            if (option == "--times")
                times = parseTimes(value);
            else if (option == "--hold")
                held = parseHeldView(value);
            else if (option == "--out")
                out = fs::absolute(value);
            else
                root = fs::absolute(value);
        }
        if (!fs::is_directory(root / "shader") || !fs::is_directory(root / "models"))
            throw std::runtime_error(root.string() + " holds no shader/ and models/; give the repository with --root");

        ensureDisplay(argv);
        // The program reads its configuration, shaders and models from its working directory.
        fs::current_path(root);
        return run(times, held, out);
    }
    catch (const std::invalid_argument& error)
    {
        std::cerr << "screenshots: " << error.what() << "\n\n" << Usage;
        return 2;
    }
    catch (const std::exception& error)
    {
        std::cerr << "screenshots: " << error.what() << std::endl;
        return 1;
    }
    catch (const char* error)
    {
        // The framebuffer's failure is a plain string.
        std::cerr << "screenshots: " << error << std::endl;
        return 1;
    }
}
