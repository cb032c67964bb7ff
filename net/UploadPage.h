#pragma once

#include "net/NetworkEndpoints.h"
#include "platform/ProgramPaths.h"
#include "platform/Shell.h"
#include "vault/Prompter.h"

#include <string>
#include <string_view>

namespace kivrano {

// Text made safe inside HTML, in an element or a quoted attribute.
std::string escapeHtml(std::string_view text);

// The upload commands: a page with a form that posts the data file to the upload endpoint,
// written as "upload.htm" into the program folder and opened in a browser. The user picks
// the file in the browser's own file box; the page shows its path to copy from.
class UploadPage {
public:
    enum class Browser { Default, BuiltIn };

    UploadPage(const platform::ProgramPaths& paths, platform::Shell& shell, Prompter& prompter,
               NetworkEndpoints endpoints, std::string settingsLocation);

    // The page for the data file at dataFilePath.
    static std::string html(const NetworkEndpoints& endpoints, std::string_view dataFilePath);
    std::filesystem::path pagePath() const;

    // Writes the page anew and opens it; tells the user what went wrong otherwise.
    bool upload(const std::string& dataFilePath, Browser browser);

private:
    const platform::ProgramPaths& m_paths;
    platform::Shell& m_shell;
    Prompter& m_prompter;
    NetworkEndpoints m_endpoints;
    std::string m_settingsLocation;
};

}  // namespace kivrano
