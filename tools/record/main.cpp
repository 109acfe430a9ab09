// record: renders the program's opening tour in-process at exact tour times, one frame every 1/fps s (the
// scene played in the program's frames of 1/60 s between them), and streams the frames through a pipe to
// ffmpeg, which writes an H.264 video or an animated WebP. Without an X display it runs itself again under
// xvfb-run.
#include "DisplayLoss.h"
#include "Encoder.h"
#include "Progress.h"
#include "RecordOptions.h"
#include "SceneRunner.h"
#include "TourShots.h"
#include "VirtualDisplay.h"

#include "CameraAnimation.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace Record;

namespace
{
volatile std::sig_atomic_t g_Signal = 0;

void onSignal(int signal)
{
    g_Signal = signal;
}

// Ctrl-C, a terminal that closes and `kill` stop the recording between two frames, so that the
// encoder and the unfinished file go before the tool exits.
void catchSignals()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // An encoder that has ended is reported by the failing write.
    std::signal(SIGPIPE, SIG_IGN);
}

// A signal stopped the recording.
struct Stopped
{
};

// "record: stopped by Ctrl-C after 12 of 600 frames"
std::string stoppedLine(long done, long all)
{
    const std::string by = g_Signal == SIGINT    ? "Ctrl-C"
                           : g_Signal == SIGTERM ? "SIGTERM"
                                                 : "SIGHUP (the terminal closed)";
    return "record: stopped by " + by + " after " + std::to_string(done) + " of " + std::to_string(all) + " frames";
}

// What a recording whose display went away still undoes: the process ends inside Xlib, without unwinding.
struct Unfinished
{
    PendingFile* file = nullptr;
    Encoder* encoder = nullptr;
    Progress* progress = nullptr;
    long frames = 0;
    std::string shownFile;
} g_Unfinished;

void displayLost()
{
    if (!g_Unfinished.progress)
    {
        std::cerr << "record: the X display closed" << std::endl;
        std::_Exit(1);
    }
    g_Unfinished.progress->close();
    g_Unfinished.encoder->abandon();
    g_Unfinished.file->discard();
    const long done = g_Unfinished.progress->done();
    const std::string line = g_Signal ? stoppedLine(done, g_Unfinished.frames)
                                      : "record: the X display closed after " + std::to_string(done) + " of " +
                                            std::to_string(g_Unfinished.frames) + " frames";
    std::cerr << line << "; " << g_Unfinished.shownFile << " was not written" << std::endl;
    std::_Exit(g_Signal ? 128 + g_Signal : 1);
}

// The tour's timing does not depend on the bodies it visits.
double tourSeconds()
{
    const Camera::CameraAnimation tour = Camera::makeTour(nullptr, nullptr, nullptr);
    double milliseconds = 0.0;
    for (const Camera::CameraMove& move : tour.getMoves())
        milliseconds += static_cast<double>(move.duration);
    return milliseconds / 1000.0;
}

std::string describe(const Recording& recording)
{
    return std::to_string(recording.frames) + " frames, " + Screenshots::formatSeconds(recording.from) + " to " +
           Screenshots::formatSeconds(recording.to) + " s of the tour at " + std::to_string(recording.fps) +
           " frames/s, " + std::to_string(recording.width) + "x" + std::to_string(recording.height);
}

std::string rate(long frames, double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds > 0.0 ? static_cast<double>(frames) / seconds : 0.0);
    return text;
}

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int record(const Recording& recording, const std::string& shownFile)
{
    PendingFile file(recording.file);
    Encoder encoder(encoderArguments(recording, file.temporary()));
    std::cout << "Recording " << describe(recording) << ", to " << shownFile << std::endl;

    // The same pictures on every machine: the GPU's driver would draw its own.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    GLFWwindow* window = openWindow(recording.width, recording.height, false);
    Progress progress(recording.frames, isatty(STDOUT_FILENO));
    g_Unfinished = {&file, &encoder, &progress, recording.frames, shownFile};
    onDisplayLoss(displayLost);
    double rendering = 0.0;
    double readBack = 0.0;
    try
    {
        SceneRunner runner(window, recording.width, recording.height);
        runner.startTour();
        double now = 0.0;
        // One frame's pixels, reused: memory stays the same however long the recording.
        std::vector<unsigned char> pixels;
        for (long frame = 0; frame < recording.frames; ++frame)
        {
            if (g_Signal)
                throw Stopped{};
            // Played as the screenshots play it, so that a frame is the picture they take at its time.
            const double time = frameTime(recording, frame);
            runner.advanceBy(time - now, TourFrameStep);
            now = time;
            auto start = std::chrono::steady_clock::now();
            runner.draw();
            // The renderer queues its work; it is done here, not in the read that follows.
            glFinish();
            rendering += since(start);
            start = std::chrono::steady_clock::now();
            runner.readPicture(4, pixels);
            readBack += since(start);
            encoder.write(pixels.data(), pixels.size());
            progress.frameDone();
        }
    }
    catch (const Stopped&)
    {
        progress.close();
        glfwDestroyWindow(window);
        g_Unfinished = {};
        encoder.abandon();
        file.discard();
        std::cerr << stoppedLine(progress.done(), recording.frames) << "; " << shownFile << " was not written"
                  << std::endl;
        return 128 + g_Signal;
    }
    catch (...)
    {
        progress.close();
        glfwDestroyWindow(window);
        g_Unfinished = {};
        throw;
    }
    // The window and its context go once the frames are drawn, and with the context the renderer's threads.
    glfwDestroyWindow(window);
    g_Unfinished = {};
    progress.close();
    encoder.finish();
    file.commit();

    const double total = progress.seconds();
    const auto minutes = static_cast<long>(total) / 60;
    char took[64];
    std::snprintf(took, sizeof took, "%ld:%04.1f", minutes, total - 60.0 * static_cast<double>(minutes));
    char size[32];
    std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(fs::file_size(recording.file)) / 1.0e6);
    std::cout << "Wrote " << shownFile << ", " << size << ", in " << took << " (" << rate(recording.frames, total)
              << " frames/s)\n  rendering " << rate(recording.frames, rendering) << " frames/s, read-back "
              << rate(recording.frames, readBack) << " frames/s, encoding "
              << rate(recording.frames, encoder.cpuSeconds()) << " frames per second of ffmpeg's processor time"
              << std::endl;
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    // Named in the last line of a failure once it is known.
    std::string notWritten;
    try
    {
        const Options options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help)
        {
            std::cout << usage();
            return 0;
        }
        const fs::path root = options.root.empty() ? fs::path(RECORD_SOURCE_DIR) : fs::absolute(options.root);
        if (!fs::is_directory(root / "shader") || !fs::is_directory(root / "models"))
            throw std::runtime_error(root.string() + " holds no shader/ and models/; give the repository with --root");
        Recording recording = planRecording(options, readConfiguration((root / "Talvenmorquiddle.ini").string()),
                                            tourSeconds(), fs::path(RECORD_SOURCE_DIR) / "build" / "tour.mp4");
        recording.file = fs::absolute(recording.file);
        const std::string shownFile = options.file.empty() ? recording.file.string() : options.file.string();
        notWritten = "; " + shownFile + " was not written";
        {
            // A file that cannot be written is said before anything starts.
            const PendingFile probe(recording.file);
        }
        if (options.check)
        {
            std::cout << "Would record " << describe(recording) << ", to " << shownFile << std::endl;
            return 0;
        }

        ensureDisplay(argv);
        catchSignals();
        // The program reads its configuration, shaders and models from its working directory.
        fs::current_path(root);
        return record(recording, shownFile);
    }
    catch (const std::invalid_argument& error)
    {
        std::cerr << "record: " << error.what() << " (record --help lists the options)" << std::endl;
        return 2;
    }
    catch (const std::exception& error)
    {
        std::cerr << "record: " << error.what() << notWritten << std::endl;
        return 1;
    }
    catch (const char* error)
    {
        // The framebuffer's failure is a plain string.
        std::cerr << "record: " << error << notWritten << std::endl;
        return 1;
    }
}
