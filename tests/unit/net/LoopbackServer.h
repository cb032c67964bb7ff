#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kivrano::testing {

// tests/support/loopback_http_server.py on 127.0.0.1, on a port the system picked, serving
// the files of root; stopped when this goes. With a certificate and key it speaks https.
class LoopbackServer {
public:
    explicit LoopbackServer(const std::filesystem::path& root,
                            const std::filesystem::path& certificate = {},
                            const std::filesystem::path& key = {});
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" (or https) followed by path.
    std::string address(const std::string& path) const;
    // The paths asked so far, in order, as they arrived.
    std::vector<std::string> requests() const;

private:
    std::filesystem::path m_log;
    bool m_secure;
    int m_pid = -1;
    int m_port = 0;
};

// A certificate for 127.0.0.1 signed by itself, made with openssl into directory.
void makeSelfSignedCertificate(const std::filesystem::path& directory,
                               std::filesystem::path& certificate, std::filesystem::path& key);

}  // namespace kivrano::testing
