#include "launch/WebBrowser.h"

#include "vault/Strings.h"

#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

using namespace kivrano;
namespace fs = std::filesystem;

// The label follows the alternatives' links to the program that runs, as x-www-browser does.
TEST(WebBrowser, IsNamedAfterTheProgramItStarts) {
    const kivrano::testing::ScratchDirectory scratch("kivrano-browser");
    const fs::path& root = scratch.path();
    fs::create_directories(root / "lib/firefox-esr");
    std::ofstream(root / "lib/firefox-esr/firefox-esr") << "#!/bin/sh\n";
    fs::create_symlink(root / "lib/firefox-esr/firefox-esr", root / "alternative");
    fs::create_symlink(root / "alternative", root / "x-www-browser");

    struct Case {
        std::string path;
        std::string label;
    };
    const Case cases[] = {
        {(root / "x-www-browser").string(), "Web browser (Firefox)"},
        {"/nowhere/chromium", "Web browser (Chromium)"},
        {"/nowhere/google-chrome-stable", "Web browser (Google Chrome)"},
        {"/nowhere/brave-browser", "Web browser (Brave)"},
        {"/nowhere/epiphany", "Web browser (Web)"},
        {"/nowhere/qutebrowser", "Web browser (qutebrowser)"},
        {"", "Web browser"},
    };
    for (const Case& c : cases) EXPECT_EQ(webBrowserLabel(c.path), c.label) << c.path;

    EXPECT_EQ(cannotRunBrowserMessage("/nowhere/chromium"),
              "Cannot execute the Web browser (Chromium) - Its path is reported /nowhere/chromium\n"
              "Check the file exists or use other options such as Default Browser or Specify "
              "Application");
    EXPECT_EQ(cannotRunBrowserMessage(""), text(StringId::NoWebBrowser));
}

TEST(WebBrowser, WindowTitlesOfBrowsersOldAndNew) {
    for (const char* title : {"Bank - Microsoft Internet Explorer", "Bank - Netscape",
                              "Bank \xE2\x80\x94 Mozilla Firefox", "Bank - Chromium",
                              "Bank - Google Chrome", "Bank - Brave", "Bank \xE2\x80\x94 Web"}) {
        EXPECT_TRUE(isBrowserWindowTitle(title)) << title;
        EXPECT_EQ(withoutBrowserName(title), "Bank") << title;
    }
    for (const char* title : {"Bank", "notes.txt - gedit", "Firefox settings"}) {
        EXPECT_FALSE(isBrowserWindowTitle(title)) << title;
        EXPECT_EQ(withoutBrowserName(title), title);
    }
}
