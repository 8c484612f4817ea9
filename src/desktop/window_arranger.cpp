// The foreign-window arrangement: geometry rules, the xcb/EWMH implementation and the current arranger.
#include "desktop/window_arranger.h"

#include <QGuiApplication>
#include <QMargins>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>
#include <memory>

WindowArrangement ArrangeBesideMainWindow(QSize screen, int mainWindowWidth, int taskbarHeight)
{
    const int otherWidth = screen.width() - mainWindowWidth;
    return {QRect(0, 0, otherWidth, screen.height() - taskbarHeight), otherWidth};
}

int TaskbarHeightFor(const std::optional<QRect>& taskbar, int screenHeight)
{
    if (!taskbar)
        return 0;
    const int h = taskbar->height();
    return screenHeight >= h + 100 ? h : 0;
}

std::optional<QRect> TaskbarFromWorkArea(const QRect& screen, const QRect& workArea)
{
    if (!workArea.isValid() || workArea == screen)
        return std::nullopt;
    if (workArea.top() > screen.top())
        return QRect(screen.left(), screen.top(), screen.width(), workArea.top() - screen.top());
    if (workArea.bottom() < screen.bottom())
        return QRect(screen.left(), workArea.bottom() + 1, screen.width(), screen.bottom() - workArea.bottom());
    if (workArea.left() > screen.left())
        return QRect(screen.left(), screen.top(), workArea.left() - screen.left(), screen.height());
    if (workArea.right() < screen.right())
        return QRect(workArea.right() + 1, screen.top(), screen.right() - workArea.right(), screen.height());
    return std::nullopt;
}

QRect KeepInsideWorkArea(const QRect& outer, const QRect& workArea)
{
    if (!workArea.isValid())
        return outer;
    QRect moved = outer;
    moved.moveLeft(qMax(outer.left(), workArea.left()));
    moved.moveTop(qMax(outer.top(), workArea.top()));
    return moved.intersected(workArea);
}

struct XcbWindowArranger::Impl {
    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool ewmhReady = false;

    Impl()
    {
        auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (!x11)
            return;
        connection = x11->connection();
        if (!connection)
            return;
        screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection, &ewmh);
        ewmhReady = cookies && xcb_ewmh_init_atoms_replies(&ewmh, cookies, nullptr);
    }

    ~Impl()
    {
        if (ewmhReady)
            xcb_ewmh_connection_wipe(&ewmh);
    }

    // True when a window manager announces itself through _NET_SUPPORTING_WM_CHECK.
    bool hasWindowManager()
    {
        if (!ewmhReady)
            return false;
        xcb_window_t check = XCB_NONE;
        auto cookie = xcb_ewmh_get_supporting_wm_check(&ewmh, screen->root);
        return xcb_ewmh_get_supporting_wm_check_reply(&ewmh, cookie, &check, nullptr) && check != XCB_NONE;
    }

    // The frame's widths around the window (left, right, top, bottom); zero when not framed.
    QMargins frameExtents(xcb_window_t window)
    {
        xcb_ewmh_get_extents_reply_t extents{};
        if (!ewmhReady ||
            !xcb_ewmh_get_frame_extents_reply(&ewmh, xcb_ewmh_get_frame_extents(&ewmh, window), &extents, nullptr))
            return {};
        return QMargins(int(extents.left), int(extents.top), int(extents.right), int(extents.bottom));
    }

    // The first work area the window manager announces; invalid without one.
    QRect workArea()
    {
        QRect result;
        xcb_ewmh_get_workarea_reply_t areas{};
        if (!ewmhReady || !xcb_ewmh_get_workarea_reply(&ewmh, xcb_ewmh_get_workarea(&ewmh, 0), &areas, nullptr))
            return result;
        if (areas.workarea_len > 0) {
            const xcb_ewmh_geometry_t& area = areas.workarea[0];
            result = QRect(int(area.x), int(area.y), int(area.width), int(area.height));
        }
        xcb_ewmh_get_workarea_reply_wipe(&areas);
        return result;
    }

    // Bottom-to-top: the window manager's stacking list, or the root's children without one.
    QList<xcb_window_t> windowsBottomToTop()
    {
        QList<xcb_window_t> result;
        if (ewmhReady) {
            xcb_ewmh_get_windows_reply_t list{};
            auto cookie = xcb_ewmh_get_client_list_stacking(&ewmh, 0);
            if (xcb_ewmh_get_client_list_stacking_reply(&ewmh, cookie, &list, nullptr)) {
                for (uint32_t i = 0; i < list.windows_len; ++i)
                    result.append(list.windows[i]);
                xcb_ewmh_get_windows_reply_wipe(&list);
                if (!result.isEmpty())
                    return result;
            }
        }
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, screen->root), nullptr), &std::free);
        if (!tree)
            return result;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        for (int i = 0; i < count; ++i)
            result.append(children[i]);
        return result;
    }

    // _NET_WM_NAME (UTF-8), else WM_NAME (Latin-1); at most 255 characters.
    QString title(xcb_window_t window)
    {
        QString name;
        if (ewmhReady) {
            xcb_ewmh_get_utf8_strings_reply_t utf8{};
            if (xcb_ewmh_get_wm_name_reply(&ewmh, xcb_ewmh_get_wm_name(&ewmh, window), &utf8, nullptr)) {
                name = QString::fromUtf8(utf8.strings, int(utf8.strings_len));
                xcb_ewmh_get_utf8_strings_reply_wipe(&utf8);
            }
        }
        if (name.isEmpty()) {
            auto cookie = xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
            std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
                xcb_get_property_reply(connection, cookie, nullptr), &std::free);
            if (reply && reply->format == 8) {
                const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
                name = QString::fromLatin1(bytes, xcb_get_property_value_length(reply.get()));
            }
        }
        const qsizetype nul = name.indexOf(QChar(0));
        if (nul >= 0)
            name.truncate(nul);
        return name.left(255);
    }
};

XcbWindowArranger::XcbWindowArranger() : impl_(new Impl) {}

XcbWindowArranger::~XcbWindowArranger()
{
    delete impl_;
}

bool XcbWindowArranger::isAvailable() const
{
    return impl_->connection && impl_->screen;
}

QList<ForeignWindow> XcbWindowArranger::topLevelWindows()
{
    QList<ForeignWindow> result;
    if (!isAvailable())
        return result;
    const QList<xcb_window_t> stack = impl_->windowsBottomToTop();
    for (auto it = stack.crbegin(); it != stack.crend(); ++it)
        result.append({*it, impl_->title(*it)});
    return result;
}

bool XcbWindowArranger::showNormalAt(quint64 window, const QRect& geometry)
{
    if (!isAvailable())
        return false;
    const auto id = xcb_window_t(window);
    xcb_connection_t* c = impl_->connection;
    if (impl_->hasWindowManager()) {
        xcb_ewmh_connection_t* ewmh = &impl_->ewmh;
        const auto source = XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER;
        xcb_ewmh_request_change_wm_state(ewmh, 0, id, XCB_EWMH_WM_STATE_REMOVE, ewmh->_NET_WM_STATE_MAXIMIZED_VERT,
                                         ewmh->_NET_WM_STATE_MAXIMIZED_HORZ, source);
        xcb_ewmh_request_change_wm_state(ewmh, 0, id, XCB_EWMH_WM_STATE_REMOVE, ewmh->_NET_WM_STATE_HIDDEN, XCB_NONE,
                                         source);
        xcb_map_window(c, id);
        xcb_ewmh_request_change_active_window(ewmh, 0, id, source, XCB_CURRENT_TIME, XCB_NONE);
        // North-west gravity: the position is the frame's top-left corner; the size is the client's.
        const QRect outer = KeepInsideWorkArea(geometry, impl_->workArea());
        const QMargins frame = impl_->frameExtents(id);
        const QSize client(qMax(1, outer.width() - frame.left() - frame.right()),
                           qMax(1, outer.height() - frame.top() - frame.bottom()));
        const auto flags = xcb_ewmh_moveresize_window_opt_flags_t(
            XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y | XCB_EWMH_MOVERESIZE_WINDOW_WIDTH |
            XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT);
        xcb_ewmh_request_moveresize_window(ewmh, 0, id, XCB_GRAVITY_NORTH_WEST, source, flags, uint32_t(outer.x()),
                                           uint32_t(outer.y()), uint32_t(client.width()), uint32_t(client.height()));
    } else {
        xcb_map_window(c, id);
        const uint32_t values[] = {uint32_t(geometry.x()), uint32_t(geometry.y()), uint32_t(geometry.width()),
                                   uint32_t(geometry.height())};
        xcb_configure_window(
            c, id, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
            values);
    }
    return xcb_flush(c) > 0;
}

std::optional<QRect> XcbWindowArranger::taskbarRect()
{
    if (!isAvailable() || !impl_->ewmhReady)
        return std::nullopt;
    const QRect area = impl_->workArea();
    if (!area.isValid())
        return std::nullopt;
    const QRect screen(0, 0, impl_->screen->width_in_pixels, impl_->screen->height_in_pixels);
    return TaskbarFromWorkArea(screen, area);
}

QStringList XcbWindowArranger::windowStates(quint64 window)
{
    QStringList names;
    if (!isAvailable() || !impl_->ewmhReady)
        return names;
    xcb_ewmh_get_atoms_reply_t atoms{};
    if (!xcb_ewmh_get_wm_state_reply(&impl_->ewmh, xcb_ewmh_get_wm_state(&impl_->ewmh, xcb_window_t(window)), &atoms,
                                     nullptr))
        return names;
    for (uint32_t i = 0; i < atoms.atoms_len; ++i) {
        std::unique_ptr<xcb_get_atom_name_reply_t, decltype(&std::free)> reply(
            xcb_get_atom_name_reply(impl_->connection, xcb_get_atom_name(impl_->connection, atoms.atoms[i]), nullptr),
            &std::free);
        if (reply)
            names.append(
                QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get())));
    }
    xcb_ewmh_get_atoms_reply_wipe(&atoms);
    return names;
}

namespace {
WindowArranger* installedArranger = nullptr;

WindowArranger& PlatformArranger()
{
    static XcbWindowArranger x11;
    static NullWindowArranger none;
    if (x11.isAvailable())
        return x11;
    return none;
}
} // namespace

WindowArranger& CurrentWindowArranger()
{
    return installedArranger ? *installedArranger : PlatformArranger();
}

void SetCurrentWindowArranger(WindowArranger* arranger)
{
    installedArranger = arranger;
}
