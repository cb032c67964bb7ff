#include "app/BackendChoice.h"

#include <gtest/gtest.h>

using namespace kivrano;

TEST(BackendChoice, SaysWhichBackendAndWhy) {
    struct Case {
        SessionEnvironment session;
        bool haveX11;
        const char* says;
    };
    const Case cases[] = {
        {{":0", "", "x11"}, true, "desktop: X11 backend: keyboard, hotkeys and windows"},
        {{":0", "wayland-0", "wayland"}, true, "Xwayland) in a Wayland session"},
        {{"", "wayland-0", "wayland"},
         false,
         "no backend: Wayland session without an X connection: no typing or global hotkeys here"},
        {{"", "", "wayland"}, false, "Wayland session without an X connection"},
        {{":9", "", "x11"}, false, "the X server at DISPLAY could not be reached"},
        {{"", "", "tty"}, false, "no backend: no X connection"},
    };
    for (const Case& c : cases) {
        const std::string text = backendChoiceText(c.session, c.haveX11);
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_EQ(text.back(), '\n');
    }
    EXPECT_NE(backendChoiceText({":0", "", ""}, true)
                  .find("(DISPLAY :0, WAYLAND_DISPLAY unset, XDG_SESSION_TYPE unset)"),
              std::string::npos);
}
