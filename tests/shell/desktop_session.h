// A real X desktop for window tests: Xvfb, with the openbox window manager or without one, started before the
// application.
#pragma once

// Prepares the platform before QApplication exists. With ORDAVO_TEST_DISPLAY set (for example
// ":77") the tests use that display as it is, with the window manager that runs there (waited
// for up to five seconds).
// Otherwise Xvfb (1920 x 1080) is started on a free display and openbox on it, and QT_QPA_PLATFORM
// is set to xcb. When Xvfb is missing the tests run offscreen, where windows have no frames.
// Without a window manager, Xvfb alone is started on a free display, whatever ORDAVO_TEST_DISPLAY
// says, so the code paths for a bare X server are exercised.
// The processes it started end when the object is destroyed.
class DesktopSession {
public:
    enum class WindowManager { Openbox, None };

    explicit DesktopSession(WindowManager windowManager = WindowManager::Openbox);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // True when windows get frames from a window manager (Xvfb with openbox, or a given display).
    bool hasWindowManager() const { return windowManager_; }
    // True when the tests run on an X server (Qt's xcb platform), with or without a window manager.
    bool hasXServer() const { return xServer_; }

private:
    bool startXvfb();
    bool startOpenbox();
    bool waitForWindowManager();

    int xvfbPid_ = 0;
    int openboxPid_ = 0;
    bool windowManager_ = false;
    bool xServer_ = false;
};
