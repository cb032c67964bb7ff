#include "app/BackendChoice.h"

#include <gtest/gtest.h>

using namespace kivrano;

namespace {

DesktopOffer x11Only() {
    DesktopOffer offer;
    offer.x11 = true;
    return offer;
}

DesktopOffer wayland(bool virtualKeyboard, bool foreignToplevel) {
    DesktopOffer offer;
    offer.wayland = true;
    offer.virtualKeyboard = virtualKeyboard;
    offer.foreignToplevel = foreignToplevel;
    return offer;
}

}  // namespace

TEST(BackendChoice, TakesEachServiceFromTheSessionAndSaysWhy) {
    using K = KeyboardBackend;
    using H = HotKeysBackend;
    using W = WindowsBackend;
    DesktopOffer xwaylandAndWayland = wayland(true, true);
    xwaylandAndWayland.x11 = true;
    DesktopOffer portals = wayland(false, false);
    portals.portalKeyboard = true;
    portals.globalShortcuts = true;
    portals.kwinScript = true;
    DesktopOffer sway = wayland(true, true);
    sway.portalKeyboard = true;  // the compositor's own protocols come before the portal
    struct Case {
        SessionEnvironment session;
        DesktopOffer offer;
        K keyboard;
        H hotKeys;
        W windows;
        const char* says;
    };
    const Case cases[] = {
        {{":0", "", "x11"},
         x11Only(),
         K::X11,
         H::X11,
         W::X11,
         "desktop: X11 backend: keyboard, hotkeys and windows"},
        {{":0", "wayland-0", "wayland"},
         x11Only(),
         K::X11,
         H::X11,
         W::X11,
         "Xwayland) in a Wayland session"},
        {{":0", "wayland-1", "wayland"},
         xwaylandAndWayland,
         K::VirtualKeyboard,
         H::None,
         W::ForeignToplevel,
         "desktop: Wayland backend: keyboard: the compositor's virtual keyboard with our own "
         "keymap; hotkeys: none of our own (no GlobalShortcuts portal): bind `kivrano --hotkey "
         "N`"},
        {{"", "wayland-1", ""},
         sway,
         K::VirtualKeyboard,
         H::None,
         W::ForeignToplevel,
         "windows: the compositor's foreign-toplevel list"},
        {{"", "wayland-0", "wayland"},
         portals,
         K::RemoteDesktopPortal,
         H::GlobalShortcutsPortal,
         W::KWinScript,
         "keyboard: the RemoteDesktop portal; hotkeys: the GlobalShortcuts portal; windows: a "
         "KWin script"},
        {{"", "wayland-0", "wayland"},
         wayland(false, false),
         K::None,
         H::None,
         W::None,
         "keyboard: none (the compositor offers no virtual keyboard"},
        {{"", "wayland-0", "wayland"},
         DesktopOffer{},
         K::None,
         H::None,
         W::None,
         "neither the compositor nor an X server could be reached"},
        // A Wayland connection outside a Wayland session (a nested compositor) is not taken.
        {{":0", "", "x11"}, xwaylandAndWayland, K::X11, H::X11, W::X11, "X11 backend"},
        {{":9", "", "x11"},
         DesktopOffer{},
         K::None,
         H::None,
         W::None,
         "the X server at DISPLAY could not be reached"},
        {{"", "", "tty"}, DesktopOffer{}, K::None, H::None, W::None, "no backend: no X connection"},
    };
    for (const Case& c : cases) {
        const BackendChoice choice = chooseBackends(c.session, c.offer);
        EXPECT_EQ(choice.keyboard, c.keyboard) << choice.text;
        EXPECT_EQ(choice.hotKeys, c.hotKeys) << choice.text;
        EXPECT_EQ(choice.windows, c.windows) << choice.text;
        EXPECT_NE(choice.text.find(c.says), std::string::npos) << choice.text;
        EXPECT_EQ(choice.text.back(), '\n');
    }
    EXPECT_NE(chooseBackends({":0", "", ""}, x11Only())
                  .text.find("(DISPLAY :0, WAYLAND_DISPLAY unset, XDG_SESSION_TYPE unset)"),
              std::string::npos);
}
