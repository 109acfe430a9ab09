#include "Process.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

Process::Process(const std::string& program, const std::filesystem::path& workingDirectory)
{
    int input[2];
    int output[2];
    if (pipe(input) != 0 || pipe(output) != 0)
        throw std::runtime_error("pipe failed");

    m_Pid = fork();
    if (m_Pid < 0)
        throw std::runtime_error("fork failed");
    if (m_Pid == 0)
    {
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        close(input[0]);
        close(input[1]);
        close(output[0]);
        close(output[1]);
        if (chdir(workingDirectory.c_str()) != 0)
            _exit(127);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    m_Stdin = input[1];
    m_Stdout = output[0];
    fcntl(m_Stdout, F_SETFL, fcntl(m_Stdout, F_GETFL) | O_NONBLOCK);
    // A child that dies before reading its input must not kill the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
}

Process::~Process()
{
    kill();
    if (m_Stdin >= 0)
        close(m_Stdin);
    if (m_Stdout >= 0)
        close(m_Stdout);
}

void Process::drain(int timeoutMs)
{
    pollfd descriptor{m_Stdout, POLLIN, 0};
    if (poll(&descriptor, 1, timeoutMs) <= 0)
        return;
    std::array<char, 65536> buffer;
    for (;;)
    {
        const ssize_t count = read(m_Stdout, buffer.data(), buffer.size());
        if (count <= 0)
            break;
        m_Output.append(buffer.data(), static_cast<std::size_t>(count));
    }
}

const std::string& Process::output()
{
    drain(0);
    return m_Output;
}

void Process::writeInput(const std::string& text)
{
    if (m_Stdin >= 0 && write(m_Stdin, text.data(), text.size()) < 0)
        closeInput();
}

void Process::closeInput()
{
    if (m_Stdin >= 0)
        close(m_Stdin);
    m_Stdin = -1;
}

bool Process::running()
{
    if (m_ExitCode || m_Pid <= 0)
        return false;
    int status = 0;
    const pid_t result = waitpid(m_Pid, &status, WNOHANG);
    if (result == m_Pid)
    {
        m_ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        drain(0);
        return false;
    }
    return true;
}

std::optional<int> Process::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        drain(50);
    }
    drain(0);
    return m_ExitCode;
}

void Process::kill()
{
    if (running())
    {
        ::kill(m_Pid, SIGKILL);
        int status = 0;
        waitpid(m_Pid, &status, 0);
        m_ExitCode = 128 + SIGKILL;
    }
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string runCommand(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return {};
    std::string output;
    std::array<char, 4096> buffer;
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe.get()))
        output += buffer.data();
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

std::optional<std::string> findWindow(pid_t pid)
{
    // GLFW windows carry _NET_WM_PID; the first visible one with a name is the program's window.
    const std::string windows =
        runCommand("xdotool search --onlyvisible --pid " + std::to_string(pid) + " --name . 2>/dev/null");
    if (windows.empty())
        return std::nullopt;
    return windows.substr(0, windows.find('\n'));
}

std::string windowTitle(const std::string& window)
{
    return runCommand("xdotool getwindowname " + window + " 2>/dev/null");
}

namespace
{
bool xdotoolKey(const std::string& action, const std::string& window, const std::string& key)
{
    return std::system(("xdotool " + action + " --window " + window + " " + key + " >/dev/null 2>&1").c_str()) == 0;
}
} // namespace

bool sendKey(const std::string& window, const std::string& key)
{
    return xdotoolKey("key", window, key);
}

void holdKey(const std::string& window, const std::string& key, std::chrono::milliseconds duration)
{
    // Asked again while the display refuses xdotool's connection, which happens while other tests use it.
    waitUntil([&] { return xdotoolKey("keydown", window, key); }, std::chrono::seconds(10));
    std::this_thread::sleep_for(duration);
    waitUntil([&] { return xdotoolKey("keyup", window, key); }, std::chrono::seconds(10));
}

std::pair<int, int> windowSize(const std::string& window)
{
    const std::string geometry = runCommand("xdotool getwindowgeometry --shell " + window);
    auto value = [&](const std::string& name) {
        const auto at = geometry.find(name + "=");
        return at == std::string::npos ? -1 : std::atoi(geometry.c_str() + at + name.size() + 1);
    };
    return {value("WIDTH"), value("HEIGHT")};
}
