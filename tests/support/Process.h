#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A child process with piped standard input and output, killed if still running when destroyed.
class Process
{
public:
    Process(const std::string& program, const std::filesystem::path& workingDirectory);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return m_Pid; }
    // Everything the child has written to standard output so far.
    const std::string& output();
    void writeInput(const std::string& text);
    void closeInput();
    // The exit code once the child has ended within `timeout`, else nothing.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool running();
    void kill();

private:
    void drain(int timeoutMs);

    pid_t m_Pid = -1;
    int m_Stdin = -1;
    int m_Stdout = -1;
    std::string m_Output;
    std::optional<int> m_ExitCode;
};

// Polls `condition` every 50 ms until it holds or `timeout` passes.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Runs a shell command and returns its standard output without the trailing line feed.
std::string runCommand(const std::string& command);

// The X window of process `pid` with a title, if it has one yet.
std::optional<std::string> findWindow(pid_t pid);
std::string windowTitle(const std::string& window);
// Presses and releases a key (an xdotool key name) in `window`; false when xdotool could not do it.
bool sendKey(const std::string& window, const std::string& key);
// Holds a key down for `duration`.
void holdKey(const std::string& window, const std::string& key, std::chrono::milliseconds duration);
// Window size as (width, height).
std::pair<int, int> windowSize(const std::string& window);
