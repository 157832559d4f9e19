#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "WindowFinder.h"

namespace cadro {
namespace {

template <class T>
struct FreeReply {
  void operator()(T* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply<T>>;

class X11WindowFinder final : public WindowFinder {
public:
  explicit X11WindowFinder(xcb_connection_t* connection, xcb_window_t root) : c_(connection), root_(root) {}
  ~X11WindowFinder() override { xcb_disconnect(c_); }
  X11WindowFinder(const X11WindowFinder&) = delete;
  X11WindowFinder& operator=(const X11WindowFinder&) = delete;

  bool FindTopLevelWindow(const std::string& title) override {
    const xcb_atom_t netName = Atom("_NET_WM_NAME");
    std::vector<xcb_window_t> windows = Children(root_);
    const std::size_t topLevel = windows.size();
    // A reparenting window manager puts each program's window inside a frame of its own.
    for (std::size_t i = 0; i < topLevel; ++i) {
      const std::vector<xcb_window_t> inner = Children(windows[i]);
      windows.insert(windows.end(), inner.begin(), inner.end());
    }
    for (const xcb_window_t w : windows) {
      if ((netName != XCB_ATOM_NONE && Title(w, netName, XCB_GET_PROPERTY_TYPE_ANY) == title) ||
          Title(w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY) == title) {
        return true;
      }
    }
    return false;
  }

private:
  xcb_atom_t Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  }

  std::vector<xcb_window_t> Children(xcb_window_t parent) {
    Reply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(c_, xcb_query_tree(c_, parent), nullptr));
    if (!reply) return {};
    const xcb_window_t* kids = xcb_query_tree_children(reply.get());
    return std::vector<xcb_window_t>(kids, kids + xcb_query_tree_children_length(reply.get()));
  }

  std::string Title(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, property, type, 0, 256), nullptr));
    if (!reply || reply->format != 8) return {};
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(data, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
  }

  xcb_connection_t* c_;
  xcb_window_t root_;
};

}  // namespace

std::unique_ptr<WindowFinder> MakeX11WindowFinder() {
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
  if (!connection || xcb_connection_has_error(connection)) {
    if (connection) xcb_disconnect(connection);
    return nullptr;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem) {
    xcb_disconnect(connection);
    return nullptr;
  }
  return std::make_unique<X11WindowFinder>(connection, it.data->root);
}

}  // namespace cadro
