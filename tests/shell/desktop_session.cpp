// A real X desktop for window tests: Xvfb, with the openbox window manager or without one, started before the
// application.
#include "desktop_session.h"

#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string FindExecutable(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = dir + "/" + name;
        if (!dir.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return {};
}

// In a forked child: the child ends when the test does, also when the test aborts.
void EndWithParent()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

void StopProcess(int pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// openbox announces itself on the root window through _NET_SUPPORTING_WM_CHECK.
bool WindowManagerRuns()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const char* name = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
    bool found = false;
    if (atom) {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        xcb_get_property_reply_t* property = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, screen->root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
        found = property && xcb_get_property_value_length(property) > 0;
        std::free(property);
        std::free(atom);
    }
    xcb_disconnect(connection);
    return found;
}

} // namespace

DesktopSession::DesktopSession(WindowManager windowManager)
{
    const char* given = std::getenv("ORDAVO_TEST_DISPLAY");
    if (windowManager == WindowManager::Openbox && given && *given) {
        setenv("DISPLAY", given, 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        xServer_ = true;
        windowManager_ = waitForWindowManager();
        return;
    }
    xServer_ = startXvfb();
    if (!xServer_) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return;
    }
    if (windowManager == WindowManager::Openbox)
        windowManager_ = startOpenbox();
}

DesktopSession::~DesktopSession()
{
    StopProcess(openboxPid_);
    StopProcess(xvfbPid_);
}

bool DesktopSession::startXvfb()
{
    const std::string xvfb = FindExecutable("Xvfb");
    if (xvfb.empty())
        return false;
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    xvfbPid_ = fork();
    if (xvfbPid_ == 0) {
        EndWithParent();
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number and a line feed once it accepts connections.
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number.push_back(c);
    close(fds[0]);
    if (number.empty())
        return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}

bool DesktopSession::startOpenbox()
{
    const std::string openbox = FindExecutable("openbox");
    if (openbox.empty())
        return false;
    openboxPid_ = fork();
    if (openboxPid_ == 0) {
        EndWithParent();
        execl(openbox.c_str(), "openbox", "--sm-disable", static_cast<char*>(nullptr));
        _exit(127);
    }
    return waitForWindowManager();
}

bool DesktopSession::waitForWindowManager()
{
    for (int i = 0; i < 100; ++i) {
        if (WindowManagerRuns())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}
