// Preloaded into the demo by scripts/benchmark.sh to time its start-up from outside: after the first
// buffer swap has returned and the frame is finished, writes the wall-clock time (nanoseconds since the
// epoch) to the file named by TALVEN_FIRST_SWAP_FILE and ends the process. The demo links GLFW
// dynamically, so this definition is the one its call reaches.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

struct GLFWwindow;

extern "C" void glfwSwapBuffers(GLFWwindow* window)
{
    using SwapBuffers = void (*)(GLFWwindow*);
    using Finish = void (*)();
    static const auto realSwap = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glfwSwapBuffers"));
    if (!realSwap)
        std::abort();
    realSwap(window);

    if (const auto finish = reinterpret_cast<Finish>(dlsym(RTLD_DEFAULT, "glFinish")))
        finish();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (const char* path = std::getenv("TALVEN_FIRST_SWAP_FILE"))
    {
        if (FILE* file = std::fopen(path, "w"))
        {
            std::fprintf(file, "%lld%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
            std::fclose(file);
        }
    }
    // Nothing after the first frame is being measured.
    _exit(0);
}
