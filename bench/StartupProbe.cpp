// Starts a program and reports, from outside it, how long it took until a
// top-level window with the given title was mapped; then ends the program.
//   startup-probe TITLE PROGRAM [ARGS...]   prints milliseconds on stdout
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool HasTitle(Display* display, Window window, const char* title)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr) {
        return false;
    }
    const bool match = std::strcmp(name, title) == 0;
    XFree(name);
    return match;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }

    // The title may be set before or after mapping; check on both events.
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        Window window = 0;
        if (event.type == MapNotify) {
            window = event.xmap.window;
        } else if (event.type == CreateNotify) {
            XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
            continue;
        } else if (event.type == PropertyNotify) {
            window = event.xproperty.window;
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, window, &attributes) == 0 ||
                attributes.map_state != IsViewable) {
                continue;
            }
        } else {
            continue;
        }
        if (HasTitle(display, window, argv[1])) {
            break;
        }
    }
    const auto shown = std::chrono::steady_clock::now();
    std::printf("%.1f\n", std::chrono::duration<double, std::milli>(shown - start).count());
    std::fflush(stdout);

    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    XCloseDisplay(display);
    return 0;
}
