#pragma once
// The real program in a real window, for the end-to-end tests and the
// desktop figures: an X server of its own (Xvfb), a JACK server of its own
// (jackd -d dummy), the program started in a scratch folder beside the
// default kit, and XTest to press its buttons and keys.

// Qt before Xlib, whose macros (Status, Bool, None) would break Qt's headers.
#include <QImage>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "panel/panel_geometry.h"
#include "tests/e2e/jack_harness.h"

namespace tamboro::e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline int waitForExit(int pid, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        int status = 0;
        const int done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
        std::this_thread::sleep_for(10ms);
    }
    return -1;   // still running
}

int xErrors = 0;
inline int countXError(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

// An X server on a free display, found by Xvfb itself (-displayfd).
class XServer {
public:
    XServer() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int devnull = ::open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                   "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        ::close(fds[1]);
        std::string number;
        pollfd in{fds[0], POLLIN, 0};
        const auto end = Clock::now() + 15s;
        while (Clock::now() < end && poll(&in, 1, 100) >= 0) {
            char c = 0;
            if ((in.revents & (POLLIN | POLLHUP)) == 0)
                continue;
            if (::read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        ::close(fds[0]);
        if (number.empty())
            return;
        name_ = ":" + number;
        XSetErrorHandler(&countXError);
        display_ = XOpenDisplay(name_.c_str());
    }
    ~XServer() {
        if (display_)
            XCloseDisplay(display_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitForExit(pid_, 5000ms);
        }
    }
    Display* display() const { return display_; }
    const std::string& name() const { return name_; }

private:
    int pid_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};

// The program, started in `folder` on `display` with no arguments.
class DesktopProcess {
public:
    DesktopProcess(const std::filesystem::path& folder, const std::string& display) {
        log_ = folder / "tamboro.log";
        start_ = Clock::now();
        pid_ = fork();
        if (pid_ == 0) {
            const int out = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            setenv("DISPLAY", display.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            // Under AddressSanitizer: leaks of the system's libraries are not ours.
            setenv("LSAN_OPTIONS", "print_suppressions=0:suppressions=" TAMBORO_SOURCE_DIR
                   "/tests/e2e/lsan_desktop.supp", 1);
            execl(TAMBORO_EXECUTABLE, TAMBORO_EXECUTABLE, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~DesktopProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitForExit(pid_, 5000ms);
        }
    }
    int pid() const { return pid_; }
    Clock::time_point started() const { return start_; }
    int waitExit(std::chrono::milliseconds timeout) {
        const int status = waitForExit(pid_, timeout);
        if (status != -1)
            pid_ = -1;
        return status;
    }
    std::string log() const {
        std::ifstream in(log_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // A field of /proc/PID/status, such as "VmRSS", in kB.
    long statusKb(const std::string& field) const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(field + ":", 0) == 0)
                return std::stol(line.substr(field.size() + 1));
        return -1;
    }
    // Resident memory in kB and what it is made of: the program's own
    // (anonymous), mapped files (mostly the libraries, shared with other
    // programs) and shared memory (JACK's segment, shared with the server).
    std::string memory() const {
        return std::to_string(statusKb("VmRSS")) + " kB (anonymous " + std::to_string(statusKb("RssAnon")) +
               ", files " + std::to_string(statusKb("RssFile")) + ", shared memory " +
               std::to_string(statusKb("RssShmem")) + ")";
    }
    // User plus system CPU time so far, in seconds.
    double cpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string skip;
        for (int i = 3; i < 14; ++i)
            fields >> skip;
        long utime = 0;
        long stime = 0;
        fields >> utime >> stime;
        return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
    }

private:
    int pid_ = -1;
    Clock::time_point start_;
    std::filesystem::path log_;
};

inline QImage bitmap(const char* name) {
    return QImage(QStringLiteral(TAMBORO_SOURCE_DIR "/resources/bitmaps/") + QLatin1String(name) +
                  QStringLiteral(".png"))
        .convertToFormat(QImage::Format_RGB32);
}

// The top-level window titled "Tamboro 1.0a Beta", or 0.
inline Window findWindow(Display* display, const char* title) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::string(name) == title)
                found = children[i];
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return found;
}

// Top-level windows that are shown (the main window, menus, boxes).
inline int viewableWindows(Display* display) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    int viewable = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
            ++viewable;
    }
    if (children)
        XFree(children);
    return viewable;
}

// The window's pixels as an RGB32 image (empty while it cannot be read).
inline QImage grab(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return {};
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image)
        return {};
    QImage out(attributes.width, attributes.height, QImage::Format_RGB32);
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x)
            out.setPixel(x, y, 0xFF000000u | (XGetPixel(image, x, y) & 0xFFFFFFu));
    XDestroyImage(image);
    return out;
}

inline bool showsAt(const QImage& shot, QPoint at, const QImage& part) {
    return !shot.isNull() && shot.copy(QRect(at, part.size())) == part;
}

// The panel's top-left corner in the window: where an unlit step button of
// the default song (channel 0, step 1) sits at (38, 60) of the panel.
inline std::optional<QPoint> findPanel(const QImage& shot) {
    static const QImage off = bitmap("BUTTON1A").copy(0, 0, StepWidth, StepRowHeight);
    for (int y = 0; y < 100 && y + PanelHeight <= shot.height(); ++y)
        if (showsAt(shot, QPoint(StepPitch, y + bandTop(0)), off))
            return QPoint(0, y);
    return std::nullopt;
}

template <class Check>
inline bool waitUntil(Check check, std::chrono::milliseconds timeout, std::chrono::milliseconds step = 5ms) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        if (check())
            return true;
        std::this_thread::sleep_for(step);
    }
    return check();
}

// The program running in a window: servers, scratch folder with the kit.
class DesktopRig {
public:
    // What keeps the rig from running; empty when it is ready.
    std::string prepare() {
        if (!jack.ready())
            return "jackd -d dummy did not start";
        if (!x.display())
            return "Xvfb did not start (or its display could not be opened)";
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(x.display(), &eventBase, &errorBase, &major, &minor))
            return "the X server has no XTest";
        std::filesystem::create_directories(folder / "Songs");
        std::filesystem::copy(TAMBORO_SOURCE_DIR "/data/Samples", folder / "Samples",
                              std::filesystem::copy_options::recursive);
        return {};
    }
    ~DesktopRig() {
        program.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // Starts the program and waits for its panel; returns the milliseconds
    // from the start of the process to the first painted panel.
    double startAndWaitForPanel() {
        program.emplace(folder, x.name());
        double firstPaint = -1;
        waitUntil([&] {
            if (!window)
                window = findWindow(x.display(), "Tamboro 1.0a Beta");
            if (!window)
                return false;
            if (const auto at = findPanel(grab(x.display(), window))) {
                origin = *at;
                firstPaint = msSince(program->started());
                return true;
            }
            return false;
        }, 15000ms, 2ms);
        return firstPaint;
    }

    void click(QPoint panelPoint) {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(x.display(), window, DefaultRootWindow(x.display()), origin.x() + panelPoint.x(),
                              origin.y() + panelPoint.y(), &rootX, &rootY, &child);
        XTestFakeMotionEvent(x.display(), -1, rootX, rootY, 0);
        XTestFakeButtonEvent(x.display(), 1, True, 0);
        XTestFakeButtonEvent(x.display(), 1, False, 0);
        XFlush(x.display());
    }

    void key(KeySym symbol, bool withAlt = false) {
        const KeyCode alt = XKeysymToKeycode(x.display(), XK_Alt_L);
        const KeyCode code = XKeysymToKeycode(x.display(), symbol);
        if (withAlt)
            XTestFakeKeyEvent(x.display(), alt, True, 0);
        XTestFakeKeyEvent(x.display(), code, True, 0);
        XTestFakeKeyEvent(x.display(), code, False, 0);
        if (withAlt)
            XTestFakeKeyEvent(x.display(), alt, False, 0);
        XFlush(x.display());
    }

    // File > Exit with the keyboard: Alt+F opens the menu, X chooses Exit.
    // False when Alt+F opened no menu.
    bool exitThroughTheMenu() {
        const int before = viewableWindows(x.display());
        key(XK_f, true);
        const bool opened = waitUntil([&] { return viewableWindows(x.display()) > before; }, 5000ms, 10ms);
        key(XK_x);
        return opened;
    }

    bool panelShows(QPoint at, const QImage& part, std::chrono::milliseconds timeout = 3000ms) {
        return waitUntil([&] { return showsAt(grab(x.display(), window), origin + at, part); }, timeout, 10ms);
    }

    JackServer jack{44100, 256};
    XServer x;
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tamboro-desktop-" + std::to_string(getpid()));
    std::optional<DesktopProcess> program;
    Window window = 0;
    QPoint origin;
};


}  // namespace tamboro::e2e
