// Reading the lock toggles from the X server. libX11 is looked up at run
// time rather than linked: the xcb platform plugin has normally loaded it
// already, and the program must still start where it is absent.
#include "shell/KeyLocks.h"

#include <dlfcn.h>
#include <QGuiApplication>

namespace drav::shell {
namespace {

#if QT_CONFIG(xcb)
// The two Xlib calls used, with their Xlib signatures (Atom is an unsigned
// long, Bool an int; the indicator map pointer may be null).
using InternAtomFn = unsigned long (*)(Display*, const char*, int);
using GetNamedIndicatorFn = int (*)(Display*, unsigned long, int*, int*, void*, int*);

struct Xlib {
    InternAtomFn internAtom = nullptr;
    GetNamedIndicatorFn getNamedIndicator = nullptr;
};

const Xlib& xlib() {
    static const Xlib lib = [] {
        Xlib l;
        void* handle = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
        if (!handle) handle = ::dlopen("libX11.so.6", RTLD_LAZY);
        if (!handle) return l;
        l.internAtom = reinterpret_cast<InternAtomFn>(::dlsym(handle, "XInternAtom"));
        l.getNamedIndicator =
            reinterpret_cast<GetNamedIndicatorFn>(::dlsym(handle, "XkbGetNamedIndicator"));
        return l;
    }();
    return lib;
}

// The indicator's atom is looked up once per display: the status bar asks
// five times a second.
std::optional<bool> indicator(Display* display, const char* name, unsigned long* atom,
                              Display** atomDisplay) {
    const Xlib& l = xlib();
    if (!l.internAtom || !l.getNamedIndicator) return std::nullopt;
    if (*atomDisplay != display) {
        *atom = l.internAtom(display, name, 1);  // only if the server knows it
        *atomDisplay = display;
    }
    if (*atom == 0) return std::nullopt;
    int on = 0;
    if (!l.getNamedIndicator(display, *atom, nullptr, &on, nullptr, nullptr)) return std::nullopt;
    return on != 0;
}
#endif

}  // namespace

KeyLockState readKeyLocks() {
    KeyLockState state;
#if QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->display()) {
        static unsigned long numAtom = 0, capsAtom = 0;
        static Display *numDisplay = nullptr, *capsDisplay = nullptr;
        state.numLock = indicator(x11->display(), "Num Lock", &numAtom, &numDisplay);
        state.capsLock = indicator(x11->display(), "Caps Lock", &capsAtom, &capsDisplay);
    }
#endif
    return state;
}

}  // namespace drav::shell
