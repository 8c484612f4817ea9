// Which Qt platform the program asks for in the user's desktop session.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// "xcb" when the session is Wayland (XDG_SESSION_TYPE "wayland" or WAYLAND_DISPLAY set), an X
// display is available (DISPLAY set, as XWayland provides) and the user has not chosen a
// platform (QT_QPA_PLATFORM set or a -platform argument); otherwise empty, Qt's own choice.
// On Wayland a program can neither place its own windows nor move another's, so placement
// and arrangement need X11.
QString PlatformForSession(const QProcessEnvironment& environment, const QStringList& arguments);
