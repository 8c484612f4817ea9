// Chooses X11 (through XWayland) in a Wayland session unless the user chose a platform.
#include "desktop/session_platform.h"

using namespace Qt::StringLiterals;

namespace {

bool PlatformChosenByUser(const QProcessEnvironment& environment, const QStringList& arguments)
{
    if (!environment.value(u"QT_QPA_PLATFORM"_s).isEmpty())
        return true;
    for (const QString& argument : arguments) {
        if (argument == u"-platform"_s || argument == u"--platform"_s || argument.startsWith(u"-platform="_s) ||
            argument.startsWith(u"--platform="_s))
            return true;
    }
    return false;
}

bool IsWaylandSession(const QProcessEnvironment& environment)
{
    return environment.value(u"XDG_SESSION_TYPE"_s).compare(u"wayland"_s, Qt::CaseInsensitive) == 0 ||
           !environment.value(u"WAYLAND_DISPLAY"_s).isEmpty();
}

} // namespace

QString PlatformForSession(const QProcessEnvironment& environment, const QStringList& arguments)
{
    if (PlatformChosenByUser(environment, arguments) || !IsWaylandSession(environment))
        return {};
    return environment.value(u"DISPLAY"_s).isEmpty() ? QString() : u"xcb"_s;
}
