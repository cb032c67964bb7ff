#include "net/UploadPage.h"

#include "net/AddressText.h"
#include "vault/FileIO.h"
#include "vault/Strings.h"

#include <vector>

namespace kivrano {

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

UploadPage::UploadPage(const platform::ProgramPaths& paths, platform::Shell& shell,
                       Prompter& prompter, NetworkEndpoints endpoints, std::string settingsLocation)
    : m_paths(paths),
      m_shell(shell),
      m_prompter(prompter),
      m_endpoints(std::move(endpoints)),
      m_settingsLocation(std::move(settingsLocation)) {}

std::string UploadPage::html(const NetworkEndpoints& endpoints, std::string_view dataFilePath) {
    std::string page =
        "<HTML><HEAD></HEAD><BODY><FORM ACTION=\"" + escapeHtml(endpoints.uploadEndpoint) +
        "\" METHOD=post ENCTYPE=\"multipart/form-data\"><b>Data file to upload:</b><br>Press "
        "the Browse button or copy-and-paste the below blue line into the edit box<br><br>"
        "Your current data file is at...<br><font color=darkblue>";
    page += escapeHtml(dataFilePath);
    page +=
        "</font><br><br><b><INPUT TYPE=file NAME=userfile><br><br> Server Access "
        "ID:</b><br><INPUT TYPE=text NAME=accessid><br><br><b>Server Access "
        "Password:</b><br><INPUT TYPE=password NAME=password><br><br><INPUT TYPE=submit "
        "NAME=Submit VALUE=Upload></FORM></BODY></HTML>";
    // Without a page to point to, the link would lead nowhere.
    if (!endpoints.securityFaqPage.empty())
        page +=
            "<br><a href=\"" + escapeHtml(endpoints.securityFaqPage) + "\">Why is it secure?</a>";
    return page;
}

std::filesystem::path UploadPage::pagePath() const {
    return m_paths.programDirectory() / "upload.htm";
}

bool UploadPage::upload(const std::string& dataFilePath, Browser browser) {
    if (m_endpoints.uploadEndpoint.empty()) {
        m_prompter.message(endpointMissingMessage("the upload server", networkkeys::kUploadEndpoint,
                                                  m_settingsLocation),
                           Prompter::Icon::Exclamation);
        return false;
    }
    std::string browserPath;
    if (browser == Browser::BuiltIn) {
        // Looked up at every upload: a browser may be installed or removed while we run.
        browserPath = m_shell.builtInBrowser();
        if (browserPath.empty()) {
            m_prompter.message(std::string(text(StringId::NoBuiltInBrowser)),
                               Prompter::Icon::Exclamation);
            return false;
        }
    }

    const std::string page = html(m_endpoints, dataFilePath);
    const std::string path = pagePath().string();
    std::string error;
    std::error_code ignored;
    std::filesystem::create_directories(m_paths.programDirectory(), ignored);
    if (!fileio::writeAtomically(path, std::vector<std::uint8_t>(page.begin(), page.end()),
                                 error)) {
        m_prompter.message(error, Prompter::Icon::Error);
        return false;
    }

    const int result = browser == Browser::Default ? m_shell.open(path, "")
                                                   : m_shell.open(browserPath, fileUrl(path));
    if (platform::Shell::succeeded(result)) return true;
    const std::string opener = browser == Browser::Default ? "the default browser" : browserPath;
    m_prompter.message("The upload page \"" + path +
                           "\" was written but could not be opened with " + opener +
                           ". Open it in a web browser yourself.",
                       Prompter::Icon::Error);
    return false;
}

}  // namespace kivrano
