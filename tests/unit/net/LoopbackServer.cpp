#include "LoopbackServer.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace kivrano::testing {

namespace {

// Reads the server's first line, waiting at most timeout for it.
std::string readLine(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string line;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("the test server did not start in time");
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char c = 0;
        if (::read(fd, &c, 1) != 1) throw std::runtime_error("the test server ended at start");
        if (c == '\n') return line;
        line += c;
    }
}

int run(const std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (const auto& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

LoopbackServer::LoopbackServer(const std::filesystem::path& root,
                               const std::filesystem::path& certificate,
                               const std::filesystem::path& key)
    : m_secure(!certificate.empty()) {
    static int servers = 0;  // two servers may share one root
    m_log = root / ("requests-" + std::to_string(++servers) + ".log");
    std::vector<std::string> words{KIVRANO_PYTHON, KIVRANO_LOOPBACK_SERVER, "--root", root.string(),
                                   "--log",        m_log.string()};
    if (m_secure)
        words.insert(words.end(), {"--cert", certificate.string(), "--key", key.string()});
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("no pipe for the test server");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        throw std::runtime_error("the test server could not be started");
    }
    m_pid = pid;
    try {
        const std::string line = readLine(out[0], std::chrono::seconds(20));
        if (line.rfind("PORT ", 0) != 0) throw std::runtime_error("test server said: " + line);
        m_port = std::stoi(line.substr(5));
    } catch (...) {
        ::close(out[0]);
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        throw;
    }
    ::close(out[0]);
}

LoopbackServer::~LoopbackServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string LoopbackServer::address(const std::string& path) const {
    return std::string(m_secure ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) +
           path;
}

std::vector<std::string> LoopbackServer::requests() const {
    std::vector<std::string> lines;
    std::ifstream in(m_log);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void makeSelfSignedCertificate(const std::filesystem::path& directory,
                               std::filesystem::path& certificate, std::filesystem::path& key) {
    certificate = directory / "server.crt";
    key = directory / "server.key";
    const int status = run({KIVRANO_OPENSSL, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                            "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                            "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                            key.string(), "-out", certificate.string()});
    if (status != 0) throw std::runtime_error("openssl could not make a certificate");
}

}  // namespace kivrano::testing
