#include "Desktop.h"

#include <fcntl.h>
#include <pty.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace Screenshots
{

namespace
{

using Clock = std::chrono::steady_clock;

std::vector<char*> argvOf(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Waits for `pid` for at most `timeout`; the raw wait status, or nothing if it still runs.
std::optional<int> waitFor(pid_t pid, std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;)
    {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        if (done < 0 && errno != EINTR)
            return 0;
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// For a forked child before exec, where only plain system calls are safe.
void complain(const char* what, const char* name)
{
    const char* reason = std::strerror(errno);
    for (const char* part : {what, name, ": ", reason, "\n"})
    {
        if (write(STDERR_FILENO, part, std::strlen(part)) < 0)
            return;
    }
}

int exitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return -1;
}

} // namespace

CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout)
{
    CommandResult result;
    int out[2];
    int err[2];
    if (pipe(out) != 0)
        return result;
    if (pipe(err) != 0)
    {
        close(out[0]);
        close(out[1]);
        return result;
    }
    // Made before the fork: the child may only make plain system calls.
    std::vector<char*> args = argvOf(argv);
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        execvp(args[0], args.data());
        complain("cannot run ", args[0]);
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0)
    {
        close(out[0]);
        close(err[0]);
        return result;
    }

    // Both pipes are read as they fill, so a chatty command cannot block on a full pipe.
    const Clock::time_point deadline = Clock::now() + timeout;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.output, &result.errors};
    int open = 2;
    bool timedOut = false;
    while (open > 0)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
        {
            timedOut = true;
            break;
        }
        if (poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i)
        {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0)
            {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            }
            else if (got == 0 || errno != EINTR)
            {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& fd : fds)
    {
        if (fd.fd >= 0)
            close(fd.fd);
    }

    if (timedOut)
        kill(pid, SIGKILL);
    const std::optional<int> status = waitFor(pid, timedOut ? std::chrono::seconds(5) : timeout);
    if (!status)
    {
        kill(pid, SIGKILL);
        waitFor(pid, std::chrono::seconds(5));
        return result;
    }
    result.status = timedOut ? -1 : exitCodeOf(*status);
    return result;
}

Child::Child(const std::filesystem::path& program, const std::filesystem::path& workingDirectory,
             const std::filesystem::path& log)
{
    const int logFile = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (logFile < 0)
        throw std::runtime_error("cannot write " + log.string() + ": " + std::strerror(errno));
    const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int terminal = -1;
    int demoSide = -1;
    if (nothing < 0 || openpty(&terminal, &demoSide, nullptr, nullptr, nullptr) != 0)
    {
        const std::string reason = std::strerror(errno);
        close(logFile);
        if (nothing >= 0)
            close(nothing);
        throw std::runtime_error("cannot prepare the demo's input and output: " + reason);
    }
    // Raw: the log gets the bytes as written, without the terminal's carriage returns.
    termios mode{};
    if (tcgetattr(demoSide, &mode) == 0)
    {
        cfmakeraw(&mode);
        tcsetattr(demoSide, TCSANOW, &mode);
    }

    // The commands run later must not hold the demo's terminal open.
    fcntl(terminal, F_SETFD, FD_CLOEXEC);
    // Made before the fork: the child may only make plain system calls.
    const std::string programPath = program.string();
    const std::vector<std::string> commandLine = {programPath};
    std::vector<char*> command = argvOf(commandLine);

    m_Pid = fork();
    if (m_Pid == 0)
    {
        dup2(nothing, STDIN_FILENO);
        dup2(demoSide, STDOUT_FILENO);
        dup2(demoSide, STDERR_FILENO);
        close(demoSide);
        close(terminal);
        if (chdir(workingDirectory.c_str()) != 0)
        {
            complain("cannot enter ", workingDirectory.c_str());
            _exit(127);
        }
        execv(command[0], command.data());
        complain("cannot run ", command[0]);
        _exit(127);
    }
    // Only the demo keeps its side open, so reading ends when the demo does.
    close(demoSide);
    close(nothing);
    if (m_Pid < 0)
    {
        close(terminal);
        close(logFile);
        throw std::runtime_error(std::string("cannot start the demo: ") + std::strerror(errno));
    }
    m_Copier = std::thread(&Child::copyOutput, this, terminal, logFile);
}

Child::~Child()
{
    stop(std::chrono::seconds(5));
    m_Stopping = true;
    if (m_Copier.joinable())
        m_Copier.join();
}

void Child::copyOutput(int terminal, int log)
{
    char buffer[4096];
    for (;;)
    {
        // Woken now and then to notice a stop even if something else still holds the terminal open.
        pollfd ready = {terminal, POLLIN, 0};
        const int polled = poll(&ready, 1, 200);
        if (polled == 0)
        {
            if (m_Stopping)
                break;
            continue;
        }
        if (polled < 0 && errno == EINTR)
            continue;
        const ssize_t got = polled < 0 ? -1 : read(terminal, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        // A terminal whose other side is closed reports an error rather than the end of the file.
        if (got <= 0)
            break;
        m_LastOutput = Clock::now().time_since_epoch().count();
        for (ssize_t written = 0; written < got;)
        {
            const ssize_t put = write(log, buffer + written, static_cast<std::size_t>(got - written));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                break;
            written += put;
        }
    }
    close(terminal);
    close(log);
}

std::chrono::steady_clock::time_point Child::lastOutput() const
{
    return Clock::time_point(Clock::duration(m_LastOutput.load()));
}

std::optional<int> Child::exitStatus()
{
    if (!m_Status && m_Pid > 0)
    {
        if (const std::optional<int> status = waitFor(m_Pid, std::chrono::milliseconds(0)))
            m_Status = exitCodeOf(*status);
    }
    return m_Status;
}

bool Child::running()
{
    return m_Pid > 0 && !exitStatus();
}

void Child::stop(std::chrono::milliseconds grace)
{
    if (!running())
        return;
    kill(m_Pid, SIGTERM);
    std::optional<int> status = waitFor(m_Pid, grace);
    if (!status)
    {
        kill(m_Pid, SIGKILL);
        status = waitFor(m_Pid, std::chrono::seconds(5));
    }
    m_Status = status ? exitCodeOf(*status) : -SIGKILL;
}

std::optional<std::string> findWindow(pid_t pid)
{
    // GLFW names its window and sets _NET_WM_PID; its hidden helper window is neither visible nor named.
    const CommandResult found = runCommand(
        {"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid), "--name", "."}, std::chrono::seconds(10));
    if (found.status != 0 || found.output.empty())
        return std::nullopt;
    return found.output.substr(0, found.output.find('\n'));
}

std::optional<Picture> grab(const std::string& window)
{
    const CommandResult grabbed =
        runCommand({"import", "-silent", "-window", window, "-depth", "8", "ppm:-"}, std::chrono::seconds(30));
    if (grabbed.status != 0)
        return std::nullopt;
    return parsePpm(grabbed.output);
}

bool setKey(const std::string& window, const std::string& key, bool down)
{
    return runCommand({"xdotool", down ? "keydown" : "keyup", "--window", window, key}, std::chrono::seconds(10))
               .status == 0;
}

std::string tail(const std::filesystem::path& file, int lines)
{
    std::ifstream in(file);
    std::deque<std::string> last;
    std::string line;
    while (std::getline(in, line))
    {
        last.push_back(line);
        if (static_cast<int>(last.size()) > lines)
            last.pop_front();
    }
    std::string text;
    for (const std::string& kept : last)
        text += "    " + kept + "\n";
    return text;
}

} // namespace Screenshots
