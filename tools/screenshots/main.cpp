// screenshots: runs the demo, photographs its window during the opening tour and writes a
// contact sheet. Without an X display it runs itself again under xvfb-run.
#include "ContactSheet.h"
#include "Desktop.h"
#include "Plan.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;
using namespace Screenshots;
using Clock = std::chrono::steady_clock;

namespace
{

// Set in the environment of the run under xvfb-run, so a display that never appears cannot
// make the tool start itself over and over.
const char* const UnderXvfb = "SCREENSHOTS_UNDER_XVFB";
// The longest a key waits for two frames; a paused scene seen by a still camera never changes.
constexpr double LongestHold = 5.0;
const auto Poll = std::chrono::milliseconds(250);

// The running demo, for the signal handler: a tool stopped by Ctrl-C or a timeout must not leave
// the demo behind.
std::atomic<pid_t> g_DemoPid{0};

void stopDemoAndDie(int signalNumber)
{
    const pid_t pid = g_DemoPid.load();
    if (pid > 0)
        kill(pid, SIGKILL);
    std::signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

double seconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

double secondsSince(Clock::time_point start)
{
    return seconds(start, Clock::now());
}

fs::path ownExecutable()
{
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error)
        throw std::runtime_error("cannot find this tool's own file: " + error.message());
    return self;
}

[[noreturn]] void runUnderXvfb(int argc, char** argv)
{
    std::vector<std::string> args = {"xvfb-run", "-a", "-s", "-screen 0 1920x1080x24", ownExecutable().string()};
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    std::vector<char*> raw;
    for (std::string& arg : args)
        raw.push_back(arg.data());
    raw.push_back(nullptr);

    setenv(UnderXvfb, "1", 1);
    // The virtual display has no GPU; say so to Mesa rather than let it probe for one.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    std::cout << "No display (DISPLAY is not set): running on a virtual one with xvfb-run." << std::endl;
    execvp(raw[0], raw.data());
    throw std::runtime_error(std::string("cannot run xvfb-run: ") + std::strerror(errno) +
                             " (install the xvfb package, or set DISPLAY)");
}

// Waits up to `timeout` seconds for `condition`, polling; false when the demo ends first.
template <typename Condition>
bool waitFor(Child& demo, double timeout, Condition condition)
{
    const Clock::time_point start = Clock::now();
    while (secondsSince(start) < timeout)
    {
        if (!demo.running())
            return false;
        if (condition())
            return true;
        std::this_thread::sleep_for(Poll);
    }
    return false;
}

// The demo reads held keys once per frame, so a key pressed and let go between two of its frames
// would go unseen: it stays down for the time asked, or until two new pictures have appeared. The
// first may come from a frame that read the keys just before the press; the second cannot.
void pressKey(Child& demo, const std::string& window, const KeyPress& press)
{
    if (!setKey(window, press.key, true))
        throw std::runtime_error("xdotool could not press " + press.key);
    const Clock::time_point down = Clock::now();
    if (press.hold > 0.0)
    {
        std::this_thread::sleep_for(std::chrono::duration<double>(press.hold));
    }
    else
    {
        std::optional<Picture> last = grab(window);
        int changes = 0;
        while (changes < 2 && secondsSince(down) < LongestHold && demo.running())
        {
            std::optional<Picture> now = grab(window);
            if (now && last && now->rgb != last->rgb)
                ++changes;
            if (now)
                last = std::move(now);
        }
    }
    if (!setKey(window, press.key, false))
        throw std::runtime_error("xdotool could not let go of " + press.key);
    std::cout << "  key " << press.key << " at " << formatSeconds(press.time) << " s, held "
              << formatSeconds(secondsSince(down)) << " s" << std::endl;
}

std::string demoEnded(Child& demo, const fs::path& log)
{
    std::string text = "the demo ended";
    if (const std::optional<int> status = demo.exitStatus())
        text += *status >= 0 ? " with exit code " + std::to_string(*status)
                             : " by signal " + std::to_string(-*status);
    return text + "; the last lines it wrote (" + log.string() + "):\n" + tail(log, 15);
}

// Checked before any display is started, so a mistake costs no waiting.
void checkPaths(const Options& options)
{
    if (!fs::is_regular_file(options.program))
        throw std::runtime_error("no demo at " + options.program.string() + " (build the talvenmorquiddle target)");
    if (!fs::is_directory(options.root / "shader") || !fs::is_directory(options.root / "models"))
        throw std::runtime_error(options.root.string() + " holds no shader/ and models/; give the repository with --root");
}

int run(const Options& options)
{
    fs::create_directories(options.out);
    const fs::path log = options.out / "program.log";

    std::cout << "Running " << options.program.string() << " in " << options.root.string() << std::endl;
    const Clock::time_point started = Clock::now();
    Child demo(options.program, options.root, log);
    g_DemoPid = demo.pid();
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signalNumber, stopDemoAndDie);

    std::string window;
    const bool shown = waitFor(demo, options.startTimeout, [&] {
        if (const std::optional<std::string> found = findWindow(demo.pid()))
            window = *found;
        return !window.empty();
    });
    if (!shown)
        throw std::runtime_error(demo.running() ? "no window within " + formatSeconds(options.startTimeout) + " s"
                                                : demoEnded(demo, log));

    // The tour clock starts once the scene is built, which ends with the last shader build line on
    // the console; the first frame follows a good while later, since the software renderer compiles
    // the shaders only when they first draw. Without a console line the first frame has to do.
    const std::optional<Picture> empty = grab(window);
    if (!empty)
        throw std::runtime_error("cannot read the demo's window " + window + " with import");
    const bool drawn = waitFor(demo, options.startTimeout, [&] {
        const std::optional<Picture> now = grab(window);
        return now && now->rgb != empty->rgb;
    });
    if (!drawn)
        throw std::runtime_error(demo.running()
                                     ? "the window stayed unchanged for " + formatSeconds(options.startTimeout) + " s"
                                     : demoEnded(demo, log));
    const Clock::time_point firstFrame = Clock::now();
    const Clock::time_point lastLine = demo.lastOutput();
    const Clock::time_point tourStart = (lastLine >= started && lastLine <= firstFrame) ? lastLine : firstFrame;
    std::cout << "Window " << window << " shown; the scene was built after " << formatSeconds(seconds(started, tourStart))
              << " s, the first frame came " << formatSeconds(seconds(tourStart, firstFrame)) << " s later."
              << std::endl;

    std::vector<Picture> pictures;
    std::vector<fs::path> files;
    std::vector<std::string> labels;
    for (const Step& step : timeline(options.times, options.keys))
    {
        const Clock::time_point due =
            tourStart + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(step.time));
        std::this_thread::sleep_until(due);
        if (!demo.running())
            throw std::runtime_error(demoEnded(demo, log));
        const double late = secondsSince(due);
        if (!step.capture)
        {
            pressKey(demo, window, step.press);
            continue;
        }
        std::optional<Picture> picture = grab(window);
        if (!picture)
            throw std::runtime_error("could not photograph the window " + window + " with import");
        pictures.push_back(std::move(*picture));
        files.push_back(options.out / shotFileName(step.shot, step.time, options.keys));
        labels.push_back(shotLabel(step.shot, step.time, options.keys));
        std::cout << "  " << labels.back();
        if (late > 0.5)
            std::cout << " (" << formatSeconds(late) << " s late)";
        std::cout << std::endl;
    }
    demo.stop(std::chrono::seconds(5));
    g_DemoPid = 0;

    for (std::size_t i = 0; i < pictures.size(); ++i)
    {
        if (!writePng(pictures[i], files[i]))
            throw std::runtime_error("cannot write " + files[i].string());
        std::cout << "Wrote " << files[i].string() << std::endl;
    }

    const fs::path sheet = options.out / "contact-sheet.png";
    if (!writePng(contactSheet(pictures, labels), sheet))
        throw std::runtime_error("cannot write " + sheet.string());
    std::cout << "Wrote the contact sheet " << sheet.string() << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        Options defaults;
        defaults.times = defaultTimes();
        defaults.program = ownExecutable().parent_path() / "talvenmorquiddle";
        defaults.root = SCREENSHOTS_SOURCE_DIR;
        defaults.out = defaults.root / "build" / "screenshots";
        Options options = parseOptions(std::vector<std::string>(argv + 1, argv + argc), defaults);
        if (options.help)
        {
            std::cout << usage();
            return 0;
        }
        options.program = fs::absolute(options.program);
        options.root = fs::absolute(options.root);
        options.out = fs::absolute(options.out);

        checkPaths(options);

        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
        {
            if (std::getenv(UnderXvfb))
                throw std::runtime_error("xvfb-run started no display");
            runUnderXvfb(argc, argv);
        }
        return run(options);
    }
    catch (const std::invalid_argument& error)
    {
        std::cerr << "screenshots: " << error.what() << "\n\n" << usage();
        return 2;
    }
    catch (const std::exception& error)
    {
        std::cerr << "screenshots: " << error.what() << std::endl;
        return 1;
    }
}
