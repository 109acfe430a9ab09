#include "Damage.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace
{
// Generous: the sanitizer build on a busy two-core machine needs minutes where a desktop needs seconds.
constexpr auto StartupLimit = 300s;

std::string readAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& file, const std::string& content)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

// Only the shader build may talk before a report or during a normal start: its progress lines, and
// after "result != GL_TRUE" the compiler's log, which runs up to the report.
void expectOnlyBuildOutput(const std::string& text)
{
    const std::string linking = "Linking program: ";
    const std::vector<std::string> all = lines(text);
    for (std::size_t i = 0; i < all.size(); ++i)
    {
        const std::string& line = all[i];
        const bool linkingLine = startsWith(line, linking) && line.size() > linking.size() &&
                                 line.find_first_not_of("0123456789", linking.size()) == std::string::npos;
        if (startsWith(line, "Compiling shader: shader/") || linkingLine)
            continue;
        if (line == "result != GL_TRUE" && i > 0 && startsWith(all[i - 1], "Compiling shader: "))
            return;
        ADD_FAILURE() << "unexpected console line " << i << ": \"" << line << "\"\nin:\n" << text;
        return;
    }
}

void expectNoSanitizerReport(const std::string& output)
{
    for (const char* marker : {"Sanitizer", "runtime error:"})
        EXPECT_EQ(output.find(marker), std::string::npos) << output;
}

// The program has printed a complete line that starts a report.
bool hasReport(const std::string& output)
{
    const auto at = output.rfind("Exception");
    return at != std::string::npos && output.find('\n', at) != std::string::npos;
}
} // namespace

std::string damageName(Damage damage)
{
    switch (damage)
    {
    case Damage::Missing: return "Missing";
    case Damage::Empty: return "Empty";
    case Damage::OneEmptyLine: return "OneEmptyLine";
    case Damage::Truncated: return "Truncated";
    case Damage::CutBeforeLastBrace: return "CutBeforeLastBrace";
    case Damage::RandomBytes: return "RandomBytes";
    case Damage::PngHeaderNoise: return "PngHeaderNoise";
    case Damage::ObjOnlyVertices: return "ObjOnlyVertices";
    case Damage::ObjOnlyLine: return "ObjOnlyLine";
    case Damage::ObjBadIndex: return "ObjBadIndex";
    case Damage::NotCompiling: return "NotCompiling";
    case Damage::NotLinking: return "NotLinking";
    case Damage::Unreadable: return "Unreadable";
    case Damage::Directory: return "Directory";
    }
    return "Unknown";
}

std::string noise(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(1, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(generator));
    return bytes;
}

void applyDamage(const fs::path& file, Damage damage)
{
    const std::string original = readAll(file);
    // Removing first turns a link into a file of its own: writing through it would spoil the repository.
    fs::remove_all(file);
    switch (damage)
    {
    case Damage::Missing: break;
    case Damage::Empty: writeAll(file, ""); break;
    case Damage::OneEmptyLine: writeAll(file, "\n"); break;
    case Damage::Truncated:
    {
        // Whole lines only, so a text file's outcome does not hang on where a number happens to be cut.
        const std::size_t half = original.size() / 2;
        const std::size_t lineEnd = original.rfind('\n', half);
        writeAll(file, original.substr(0, lineEnd == std::string::npos || half == 0 ? half : lineEnd + 1));
        break;
    }
    case Damage::CutBeforeLastBrace: writeAll(file, original.substr(0, original.rfind('}'))); break;
    case Damage::RandomBytes: writeAll(file, noise(4096, 7)); break;
    case Damage::PngHeaderNoise: writeAll(file, std::string("\x89PNG\r\n\x1a\n", 8) + noise(4096, 11)); break;
    case Damage::ObjOnlyVertices: writeAll(file, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"); break;
    case Damage::ObjOnlyLine: writeAll(file, "v 0 0 0\nv 1 0 0\nl 1 2\n"); break;
    case Damage::ObjBadIndex: writeAll(file, "v 0 0 0\nf 1 2 3\n"); break;
    case Damage::NotCompiling: writeAll(file, "#version 400 core\nvoid main()\n{\n    this is not GLSL;\n}\n"); break;
    case Damage::NotLinking: writeAll(file, "#version 400 core\nvoid notMain()\n{\n}\n"); break;
    case Damage::Unreadable:
        writeAll(file, original);
        fs::permissions(file, fs::perms::none);
        break;
    case Damage::Directory: fs::create_directory(file); break;
    }
}

void mirrorAsLinks(const fs::path& source, const fs::path& destination)
{
    fs::create_directories(destination);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source))
    {
        const fs::path target = destination / fs::relative(entry.path(), source);
        if (entry.is_directory())
            fs::create_directories(target);
        else
            fs::create_symlink(entry.path(), target);
    }
}

std::optional<uid_t> unprivilegedUser()
{
    if (geteuid() != 0)
        return std::nullopt;
    const passwd* nobody = getpwnam("nobody");
    if (!nobody)
        return std::nullopt;
    return nobody->pw_uid;
}

// The unprivileged user may not be able to enter the folders above the repository and the build (a
// checkout in root's home, as on a fresh machine): its run gets copies of everything it reads there, the
// links to shader/ and models/ replaced by the files, the program and the leak checker's suppressions.
// Returns the program to start; `environment` gets the suppressions' new place.
std::string ownCopies(const fs::path& dir, std::vector<std::string>& environment)
{
    std::vector<fs::path> links;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_symlink())
            links.push_back(entry.path());
    for (const fs::path& link : links)
    {
        const fs::path target = fs::canonical(link);
        fs::remove(link);
        fs::copy(target, link, fs::copy_options::recursive);
    }

    const fs::path program = dir / "talvenmorquiddle";
    fs::copy_file(TALVEN_PROGRAM, program);

    const char* lsan = std::getenv("LSAN_OPTIONS");
    std::string options = lsan ? lsan : "";
    const std::string key = "suppressions=";
    const std::size_t at = options.find(key);
    if (at != std::string::npos)
    {
        const std::size_t from = at + key.size();
        const std::size_t to = options.find(':', from);
        const fs::path copy = dir / "lsan.supp";
        fs::copy_file(options.substr(from, to == std::string::npos ? std::string::npos : to - from), copy);
        options.replace(from, to == std::string::npos ? std::string::npos : to - from, copy.string());
        environment.push_back("LSAN_OPTIONS=" + options);
    }
    return program.string();
}

std::pair<int, int> settledWindowSize(const std::string& window)
{
    // A refused display connection reads as a size of -1.
    std::pair<int, int> size;
    waitUntil(
        [&] {
            size = windowSize(window);
            return size.first >= 0;
        },
        10s);
    return size;
}

bool hasWindow(pid_t pid)
{
    return !runCommand("xdotool search --pid " + std::to_string(pid) + " 2>/dev/null").empty();
}

FaultRun::FaultRun(const std::optional<std::string>& config)
    : m_Run(config)
{
}

void FaultRun::damage(const std::string& relative, Damage damage)
{
    const fs::path folder = fs::path(relative).begin()->string();
    const fs::path link = dir() / folder;
    if (fs::is_symlink(link))
    {
        fs::remove(link);
        mirrorAsLinks(sourceDir() / folder, link);
    }
    applyDamage(dir() / relative, damage);
    m_Unreadable = m_Unreadable || damage == Damage::Unreadable;
}

void FaultRun::start()
{
    std::vector<std::string> environment;
    std::optional<uid_t> user;
    std::string program = TALVEN_PROGRAM;
    // Root reads a file of mode 000 all the same: only another user sees it as unreadable.
    if (m_Unreadable && geteuid() == 0)
    {
        user = unprivilegedUser();
        if (!user)
            throw std::runtime_error("no unprivileged user to run as");
        fs::permissions(dir(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
        // The display's cookie is readable by its owner only; the user gets a copy.
        if (const char* cookie = std::getenv("XAUTHORITY"))
        {
            const fs::path copy = dir() / "Xauthority";
            fs::copy_file(cookie, copy);
            fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
            environment.push_back("XAUTHORITY=" + copy.string());
        }
        program = ownCopies(dir(), environment);
    }
    // Xvfb refuses some connections that arrive together with another one (XOpenDisplay fails with
    // EAGAIN), and the program then rightly reports a failed windowing start-up: "Exception" and nothing
    // before it. No case here expects that, so such a start is the display's fault and is made again,
    // a bounded number of times; the window is looked for sparingly so as not to collide with it.
    for (int attempt = 0; attempt < 5; ++attempt)
    {
        m_pProcess = std::make_unique<Process>(program, dir(), environment, user);
        Process& running = *m_pProcess;
        int polls = 0;
        waitUntil(
            [&] {
                const bool look = ++polls % 5 == 0;
                return hasReport(running.output()) || !running.running() || (look && findWindow(running.pid()));
            },
            StartupLimit);
        if (running.output() != "Exception\n")
            return;
        running.writeInput("\n");
        running.waitForExit(10s);
        std::this_thread::sleep_for(200ms);
    }
}

void FaultRun::expectReport(const std::vector<std::string>& lastLines)
{
    Process& program = process();
    const bool reported = waitUntil([&] { return hasReport(program.output()) || !program.running(); }, StartupLimit);
    ASSERT_TRUE(reported) << "no report within the limit:\n" << program.output();

    // The report is followed by a wait for Enter, with the window already gone.
    ASSERT_TRUE(program.running()) << "ended without waiting for input:\n" << program.output();
    EXPECT_FALSE(hasWindow(program.pid())) << "a window is left open while the report waits";
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(program.running()) << "did not wait for input:\n" << program.output();

    program.writeInput("\n");
    EXPECT_EQ(program.waitForExit(60s), 0) << program.output();

    const std::string& output = program.output();
    expectNoSanitizerReport(output);
    std::string matched;
    for (const std::string& line : lastLines)
    {
        if (endsWith(output, line + "\n"))
            matched = line;
    }
    ASSERT_FALSE(matched.empty()) << "the output does not end with the expected report:\n" << output;
    const std::string before = output.substr(0, output.size() - matched.size() - 1);
    EXPECT_EQ(before.find("Exception"), std::string::npos) << output;
    // Apart from a compiler log, which need not end its last line, everything before is whole lines.
    if (before.find("result != GL_TRUE\n") == std::string::npos)
    {
        EXPECT_TRUE(before.empty() || before.back() == '\n') << output;
    }
    expectOnlyBuildOutput(before);
}

void FaultRun::expectRuns(const std::function<void(const std::string& window)>& whileOpen)
{
    Process& program = process();
    std::optional<std::string> window;
    waitUntil(
        [&] {
            window = findWindow(program.pid());
            return window.has_value() || !program.running() || hasReport(program.output());
        },
        StartupLimit);
    ASSERT_TRUE(window) << "no window:\n" << program.output();
    if (whileOpen)
        whileOpen(*window);

    // Escape is pressed again until the program ends: the display may refuse xdotool's connection
    // (see start), and a slow start-up may still be loading the scene.
    std::optional<int> code;
    const auto deadline = std::chrono::steady_clock::now() + StartupLimit;
    while (!code && std::chrono::steady_clock::now() < deadline && !hasReport(program.output()))
    {
        if (const auto open = findWindow(program.pid()))
            sendKey(*open, "Escape");
        code = program.waitForExit(5s);
    }
    const std::string& output = program.output();
    ASSERT_EQ(code, 0) << output;
    EXPECT_EQ(output.find("Exception"), std::string::npos) << output;
    expectNoSanitizerReport(output);
    expectOnlyBuildOutput(output);
}

std::vector<std::string> compiledShaders(const std::string& output)
{
    const std::string prefix = "Compiling shader: ";
    std::vector<std::string> paths;
    for (const std::string& line : lines(output))
        if (startsWith(line, prefix))
            paths.push_back(line.substr(prefix.size()));
    return paths;
}
