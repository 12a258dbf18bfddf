// Watches an X display for a splash window (window type _NET_WM_WINDOW_TYPE_SPLASH) and tells whether it was
// ever seen painted while on screen. A window that is mapped but not painted is one flat colour; the painted
// splash shows a logo and texts in many colours, and a frame whose outer edge differs from the background
// just inside it.
//   x_splash_watch --wait-for-wm SECONDS   exit 0 once a window manager runs, 1 if none in time
//   x_splash_watch SECONDS                 exit 0 painted, 1 seen but never painted, 2 never seen
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Windows come and go while they are looked at; their errors are expected and harmless.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

bool IsSplash(Display* display, Window window, Atom type, Atom splash) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, type, 0, 16, False, XA_ATOM, &actual, &format, &count, &after,
                           &data) != Success ||
        data == nullptr)
        return false;
    bool found = false;
    if (format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) found = found || atoms[i] == splash;
    }
    XFree(data);
    return found;
}

// The viewable splash window, looked for below the root and inside window manager frames.
Window FindSplash(Display* display, Window parent, Atom type, Atom splash, int depth) {
    Window root = None;
    Window up = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return None;
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        if (IsSplash(display, children[i], type, splash))
            found = children[i];
        else if (depth > 0)
            found = FindSplash(display, children[i], type, splash, depth - 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

struct Look {
    bool painted = false;
    bool framed = false;
};

Look LookAt(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.width < 16 ||
        attributes.height < 16)
        return {};
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr) return {};
    std::set<unsigned long> colours;
    for (int y = 0; y < attributes.height && colours.size() <= 16; y += 2)
        for (int x = 0; x < attributes.width && colours.size() <= 16; x += 2)
            colours.insert(XGetPixel(image, x, y));
    const int middle = attributes.height / 2;
    // The outer edge against the background a few pixels in, left of the inner frame.
    const bool framed =
        XGetPixel(image, 0, middle) != XGetPixel(image, 6, middle) &&
        XGetPixel(image, attributes.width / 2, 0) != XGetPixel(image, attributes.width / 2, 3);
    XDestroyImage(image);
    return {colours.size() > 16, framed};
}

}  // namespace

int main(int argc, char** argv) {
    const bool waitForWm = argc == 3 && std::strcmp(argv[1], "--wait-for-wm") == 0;
    if (argc != 2 && !waitForWm) {
        std::fprintf(stderr, "usage: x_splash_watch [--wait-for-wm] SECONDS\n");
        return 3;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(std::atoi(argv[argc - 1]));
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x_splash_watch: cannot open display\n");
        return 3;
    }
    XSetErrorHandler(IgnoreErrors);
    const Window root = DefaultRootWindow(display);

    if (waitForWm) {
        // A window manager is the client that redirects the root's children.
        while (Clock::now() < deadline) {
            XWindowAttributes attributes{};
            XGetWindowAttributes(display, root, &attributes);
            if (attributes.all_event_masks & SubstructureRedirectMask) return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return 1;
    }

    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom splash = XInternAtom(display, "_NET_WM_WINDOW_TYPE_SPLASH", False);
    int looks = 0;
    int painted = 0;
    int framed = 0;
    while (Clock::now() < deadline) {
        const Window window = FindSplash(display, root, type, splash, 2);
        if (window != None) {
            ++looks;
            const Look look = LookAt(display, window);
            painted += look.painted;
            framed += look.framed;
            if (look.painted && look.framed) {
                std::printf("splash painted and framed (look %d)\n", looks);
                return 0;
            }
        } else if (looks > 0) {
            break;  // shown and gone again
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (looks == 0) {
        std::printf("no splash seen\n");
        return 2;
    }
    std::printf("splash seen %d times: painted in %d, framed in %d, never both\n", looks, painted, framed);
    return 1;
}
