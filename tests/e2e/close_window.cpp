// SPDX-License-Identifier: GPL-3.0-or-later
// Asks the window with the given name to close, as a window manager's close button does
// (WM_DELETE_WINDOW); the test's X server has no window manager to do it.
//   close_window NAME        status 0 when the request was sent, 1 when no such window
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

namespace {

Window Find(Display* display, Window window, const char* name) {
  XTextProperty title{};
  if (XGetWMName(display, window, &title) != 0 && title.value != nullptr) {
    const bool same = title.format == 8 && title.nitems == std::strlen(name) &&
                      std::memcmp(title.value, name, title.nitems) == 0;
    XFree(title.value);
    if (same) return window;
  }
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
    for (unsigned i = 0; i < count && found == 0; ++i) found = Find(display, children[i], name);
    if (children != nullptr) XFree(children);
  }
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  Display* display = argc == 2 ? XOpenDisplay(nullptr) : nullptr;
  if (display == nullptr) return 2;
  Window window = Find(display, DefaultRootWindow(display), argv[1]);
  if (window == 0) return 1;
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window;
  close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &close);
  XCloseDisplay(display);
  return 0;
}
