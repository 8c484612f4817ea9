// A window of another program on the test's X server, for the arrangement tests.
#pragma once

#include <QByteArray>
#include <QMargins>
#include <QRect>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

// A window of another program: its own X connection, a title, mapped.
class ForeignXWindow {
public:
    // With a bottom strut the window is a dock (a panel along the bottom edge of that height).
    explicit ForeignXWindow(const QByteArray& title, int bottomStrut = 0)
    {
        connection_ = xcb_connect(nullptr, nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const QRect place = bottomStrut > 0
                                ? QRect(0, screen->height_in_pixels - bottomStrut, screen->width_in_pixels, bottomStrut)
                                : QRect(100, 100, 300, 200);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, int16_t(place.x()),
                          int16_t(place.y()), uint16_t(place.width()), uint16_t(place.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            uint32_t(title.size()), title.constData());
        if (bottomStrut > 0) {
            const xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE");
            const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, type, XCB_ATOM_ATOM, 32, 1, &dock);
            const uint32_t strut[12] = {
                0, 0, 0, uint32_t(bottomStrut), 0, 0, 0, 0, 0, 0, 0, uint32_t(screen->width_in_pixels - 1)};
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atom("_NET_WM_STRUT_PARTIAL"),
                                XCB_ATOM_CARDINAL, 32, 12, strut);
        }
        xcb_map_window(connection_, window_);
        xcb_flush(connection_);
    }
    ~ForeignXWindow() { xcb_disconnect(connection_); }

    quint64 id() const { return window_; }

    // Takes the window off the screen, as a program does when it hides or minimises itself
    // where no window manager keeps an icon for it.
    void unmap()
    {
        xcb_unmap_window(connection_, window_);
        xcb_flush(connection_);
    }

    // True when the window and all its ancestors are mapped.
    bool isViewable() const
    {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, window_), nullptr),
            &std::free);
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // The frame's widths around the window; zero until the window manager has framed it.
    QMargins frameExtents()
    {
        const xcb_atom_t property = atom("_NET_FRAME_EXTENTS");
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                connection_, xcb_get_property(connection_, 0, window_, property, XCB_ATOM_CARDINAL, 0, 4), nullptr),
            &std::free);
        if (!reply || xcb_get_property_value_length(reply.get()) != 16)
            return {};
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        return QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }

    // The window with its frame, in root coordinates.
    QRect outerGeometry() { return geometry().marginsAdded(frameExtents()); }

    // The window's client area in root coordinates.
    QRect geometry() const
    {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> g(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window_), nullptr), &std::free);
        std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> t(
            xcb_translate_coordinates_reply(
                connection_, xcb_translate_coordinates(connection_, window_, screen->root, 0, 0), nullptr),
            &std::free);
        if (!g || !t)
            return {};
        return QRect(t->dst_x, t->dst_y, g->width, g->height);
    }

private:
    xcb_atom_t atom(const char* name)
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, uint16_t(strlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : XCB_NONE;
    }

    xcb_connection_t* connection_;
    xcb_window_t window_;
};
