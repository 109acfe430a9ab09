#include "Encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace Record
{

namespace
{
// A pipe of 1 MiB (Linux's limit for users) takes a quarter of a 1200 x 960 frame a call.
constexpr int PipeSize = 1 << 20;

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// The last line ffmpeg wrote that says something.
std::string lastLine(int log)
{
    std::string text;
    char buffer[4096];
    ssize_t count = 0;
    for (off_t offset = 0; (count = pread(log, buffer, sizeof buffer, offset)) > 0; offset += count)
        text.append(buffer, static_cast<std::size_t>(count));
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text.substr(text.find_last_of('\n') + 1);
}
} // namespace

PendingFile::PendingFile(const std::filesystem::path& destination) : m_Destination(destination)
{
    if (std::filesystem::is_directory(destination))
        throw std::runtime_error("a folder has that name");
    if (!std::filesystem::is_directory(destination.parent_path()))
        throw std::runtime_error("there is no folder " + destination.parent_path().string());
    std::string name = (destination.parent_path() / ("." + destination.filename().string() + ".XXXXXX.part")).string();
    const int file = mkstemps(name.data(), 5);
    if (file < 0)
        throw std::runtime_error(systemError("cannot write in " + destination.parent_path().string()));
    close(file);
    m_Temporary = name;
}

PendingFile::~PendingFile()
{
    discard();
}

void PendingFile::discard()
{
    if (!m_Committed && !m_Temporary.empty())
        unlink(m_Temporary.c_str());
    m_Temporary.clear();
}

void PendingFile::commit()
{
    // A new file is made readable as any other the user makes; mkstemp leaves it private.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(m_Temporary.c_str(), 0666 & ~mask);
    if (rename(m_Temporary.c_str(), m_Destination.c_str()) != 0)
        throw std::runtime_error(systemError("cannot rename " + m_Temporary.string() + " to " + m_Destination.string()));
    m_Committed = true;
}

Encoder::Encoder(const std::vector<std::string>& arguments)
{
    int pipeEnds[2];
    // Close-on-exec: ffmpeg must hold no writing end, or it would never see the input end.
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error(systemError("cannot make a pipe"));
    m_Input = pipeEnds[1];
    fcntl(m_Input, F_SETPIPE_SZ, PipeSize);
    m_Log = memfd_create("ffmpeg standard error", MFD_CLOEXEC);
    if (m_Log < 0)
    {
        close(pipeEnds[0]);
        throw std::runtime_error(systemError("cannot keep ffmpeg's messages"));
    }

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, pipeEnds[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&files, m_Log, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group, and a pipe's end reported to it as an error, not a signal, as in a shell.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int error = posix_spawnp(&m_Pid, argv[0], &files, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    close(pipeEnds[0]);
    if (error != 0)
    {
        m_Pid = -1;
        close(m_Input);
        close(m_Log);
        if (error == ENOENT)
            throw std::runtime_error(arguments[0] + " is not installed (scripts/record.sh installs Debian's ffmpeg)");
        throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(error));
    }
}

Encoder::~Encoder()
{
    abandon();
    if (m_Log >= 0)
        close(m_Log);
}

void Encoder::abandon()
{
    if (m_Input >= 0)
        close(m_Input);
    m_Input = -1;
    if (m_Pid > 0)
    {
        kill(m_Pid, SIGKILL);
        waitpid(m_Pid, nullptr, 0);
    }
    m_Pid = -1;
}

void Encoder::write(const unsigned char* data, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t written = ::write(m_Input, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EPIPE)
            reap(false);
        if (written < 0)
            throw std::runtime_error(systemError("cannot send a frame to ffmpeg"));
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void Encoder::finish()
{
    close(m_Input);
    m_Input = -1;
    reap(true);
}

void Encoder::reap(bool inputComplete)
{
    int status = 0;
    rusage usage{};
    pid_t ended = -1;
    while ((ended = wait4(m_Pid, &status, 0, &usage)) < 0 && errno == EINTR)
    {
    }
    m_Pid = -1;
    m_CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1.0e-6;
    if (ended > 0 && inputComplete && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return;

    std::string how = WIFSIGNALED(status) ? "was killed by signal " + std::to_string(WTERMSIG(status))
                                          : "ended with exit status " + std::to_string(WEXITSTATUS(status));
    if (!inputComplete)
        how += " before the video was complete";
    const std::string said = lastLine(m_Log);
    throw std::runtime_error("ffmpeg " + how + (said.empty() ? "" : ": " + said));
}

} // namespace Record
