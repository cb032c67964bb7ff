#pragma once

#include "platform/Shell.h"

#include <map>
#include <vector>

namespace kivrano::platform {

// Records what would be opened; every open succeeds unless the test names its result.
class RecordingShell : public Shell {
public:
    struct Call {
        std::string target;
        std::string parameters;
        bool operator==(const Call&) const = default;
    };

    int open(const std::string& target, const std::string& parameters) override;
    std::string builtInBrowser() const override { return m_browser; }

    void setResult(const std::string& target, int result) { m_results[target] = result; }
    void setBuiltInBrowser(std::string path) { m_browser = std::move(path); }
    const std::vector<Call>& calls() const { return m_calls; }

private:
    std::vector<Call> m_calls;
    std::map<std::string, int> m_results;
    std::string m_browser = "/usr/bin/x-www-browser";
};

}  // namespace kivrano::platform
