#pragma once

// The screenshot tool's dealings with the system: child processes and the X tools (xdotool,
// ImageMagick) that find, photograph and type into the demo's window.

#include "Picture.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Screenshots
{

struct CommandResult
{
    // The exit code, or -1 when the command could not run, was killed or ran out of time.
    int status = -1;
    std::string output;
    std::string errors;
};

// Runs `argv` without a shell, so no argument needs quoting; kills it after `timeout`.
CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout);

// The demo, started in its own working directory with standard input closed (so a failure
// report does not wait for a key). Its output goes through a terminal, where the C library
// passes on every line at once instead of holding it back in a buffer, and on into a log file.
class Child
{
public:
    Child(const std::filesystem::path& program, const std::filesystem::path& workingDirectory,
          const std::filesystem::path& log);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return m_Pid; }
    bool running();
    // The exit code once ended, or the negated signal that ended it.
    std::optional<int> exitStatus();
    // Asks it to stop, then kills it if it has not ended within `grace`.
    void stop(std::chrono::milliseconds grace);
    // When the demo last wrote anything; the clock's epoch if it has written nothing yet.
    std::chrono::steady_clock::time_point lastOutput() const;

private:
    void copyOutput(int terminal, int log);

    pid_t m_Pid = -1;
    std::optional<int> m_Status;
    std::atomic<std::chrono::steady_clock::rep> m_LastOutput{0};
    std::atomic<bool> m_Stopping{false};
    std::thread m_Copier;
};

// The visible, named window of process `pid`, as an X window id.
std::optional<std::string> findWindow(pid_t pid);
// The window's picture, or nothing when it cannot be read. Uncompressed, so it is quick to take
// while the demo keeps both processors busy; compressing waits until the demo has stopped.
std::optional<Picture> grab(const std::string& window);
// Presses `key` down in `window`, or lets it go.
bool setKey(const std::string& window, const std::string& key, bool down);

// The last `lines` lines of a text file, for reporting what the demo said before it failed.
std::string tail(const std::filesystem::path& file, int lines);

} // namespace Screenshots
