#include "launch/WebBrowser.h"

#include "launch/FieldActions.h"
#include "vault/Strings.h"

#include <array>
#include <filesystem>
#include <utility>

namespace kivrano {

namespace {

// What browsers put after the page's title, each after a blank.
constexpr std::array<std::string_view, 8> kTitleEndings = {
    "- Microsoft Internet Explorer",
    "- Netscape",
    "\xE2\x80\x94 Mozilla Firefox",
    "- Mozilla Firefox",
    "- Chromium",
    "- Google Chrome",
    "- Brave",
    "\xE2\x80\x94 Web",
};

// Program names as installed, and what users call them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kBrowserNames = {{
    {"firefox", "Firefox"},
    {"firefox-esr", "Firefox"},
    {"chromium", "Chromium"},
    {"chromium-browser", "Chromium"},
    {"google-chrome", "Google Chrome"},
    {"google-chrome-stable", "Google Chrome"},
    {"brave", "Brave"},
    {"brave-browser", "Brave"},
    {"epiphany", "Web"},
    {"epiphany-browser", "Web"},
    {"konqueror", "Konqueror"},
    {"falkon", "Falkon"},
}};

std::string programName(const std::string& browserPath) {
    std::error_code error;
    std::filesystem::path program = std::filesystem::canonical(browserPath, error);
    if (error) program = browserPath;
    std::string name = program.filename().string();
    for (const auto& [installed, known] : kBrowserNames)
        if (name == installed) return std::string(known);
    return name;
}

}  // namespace

std::string webBrowserLabel(const std::string& browserPath) {
    if (browserPath.empty()) return "Web browser";
    return "Web browser (" + programName(browserPath) + ")";
}

std::string cannotRunBrowserMessage(const std::string& browserPath) {
    if (browserPath.empty()) return std::string(text(StringId::NoWebBrowser));
    return fillMessage(fillMessage(text(StringId::CannotRunBrowser), webBrowserLabel(browserPath)),
                       browserPath);
}

bool isBrowserWindowTitle(std::string_view title) {
    for (std::string_view ending : kTitleEndings)
        if (title.find(ending) != std::string_view::npos) return true;
    return false;
}

std::string withoutBrowserName(std::string title) {
    for (std::string_view ending : kTitleEndings) {
        const auto at = title.find(" " + std::string(ending));
        if (at != std::string::npos) title.erase(at);
    }
    return title;
}

}  // namespace kivrano
