#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace Record
{

// A file that takes its name only when it is complete: written under a hidden temporary name in the
// destination's folder and renamed there, so that a failed or stopped run leaves any earlier file
// as it was and nothing that looks finished.
class PendingFile
{
public:
    // Throws std::runtime_error when the folder cannot be written.
    explicit PendingFile(const std::filesystem::path& destination);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::filesystem::path& temporary() const { return m_Temporary; }
    void commit();
    // Removes the temporary file; the destructor does so for a file not committed.
    void discard();

private:
    std::filesystem::path m_Destination;
    std::filesystem::path m_Temporary;
    bool m_Committed = false;
};

// ffmpeg as a child process, reading frames from a pipe. It runs in its own process group, so that
// Ctrl-C reaches only this tool, which then decides what becomes of the file. An encoder destroyed
// before finish() kills it.
class Encoder
{
public:
    // `arguments` is ffmpeg's whole command line. Throws std::runtime_error when it cannot start.
    explicit Encoder(const std::vector<std::string>& arguments);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Throws std::runtime_error with ffmpeg's exit status and last words once it has ended.
    void write(const unsigned char* data, std::size_t size);
    // Ends the input and waits for ffmpeg; throws as write() does unless it ended with 0.
    void finish();
    // Kills ffmpeg and waits for it; the destructor does so for an encoder not finished.
    void abandon();
    // ffmpeg's processor time, user and system, once it has ended.
    double cpuSeconds() const { return m_CpuSeconds; }

private:
    // Waits for ffmpeg and throws with what it said unless it ended with 0 after all the input.
    void reap(bool inputComplete);

    pid_t m_Pid = -1;
    int m_Input = -1;
    // ffmpeg's standard error, in memory.
    int m_Log = -1;
    double m_CpuSeconds = 0.0;
};

} // namespace Record
