#include "cli/Passwords.h"

#include "cli/CliError.h"
#include "vault/Secure.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace kivrano::cli {

namespace {

// Appends one character to a secret without leaving a copy behind when the buffer grows.
void appendSecret(std::string& secret, char ch) {
    if (secret.size() == secret.capacity()) {
        std::string bigger;
        bigger.reserve(secret.capacity() * 2);
        bigger.append(secret);
        secureWipe(secret);
        secret.swap(bigger);
    }
    secret.push_back(ch);
}

// Reads up to a newline, one byte at a time so that nothing after the line is taken from
// the descriptor (the next password may follow) and no stdio buffer keeps a copy.
// Returns false when the input ends before any byte.
bool readLine(int fd, std::string& line) {
    line.clear();
    line.reserve(128);  // past the short-string buffer, so moving the result copies nothing
    bool any = false;
    for (;;) {
        char ch;
        ssize_t n = ::read(fd, &ch, 1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return any;
        }
        if (n == 0) return any;
        any = true;
        if (ch == '\n') return true;
        appendSecret(line, ch);
    }
}

// The terminal's settings while echo is off, restored if a signal ends the program.
int g_ttyFd = -1;
termios g_savedTty{};
volatile std::sig_atomic_t g_echoOff = 0;

extern "C" void restoreTerminalAndDie(int signal) {
    if (g_echoOff) ::tcsetattr(g_ttyFd, TCSAFLUSH, &g_savedTty);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::string askOnTerminal(const std::string& prompt) {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tty{};
    if (fd < 0 || ::tcgetattr(fd, &tty) != 0) {
        if (fd >= 0) ::close(fd);
        throw CliError(kExitUsage,
                       "there is no terminal to ask for the password on; give it on standard "
                       "input with --password-stdin");
    }
    g_ttyFd = fd;
    g_savedTty = tty;
    struct sigaction action {};
    action.sa_handler = restoreTerminalAndDie;
    sigemptyset(&action.sa_mask);
    struct sigaction previous[4];
    const int signals[4] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    for (int k = 0; k < 4; ++k) ::sigaction(signals[k], &action, &previous[k]);

    termios quiet = tty;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ICANON;
    // Echo goes off before the prompt appears, so nothing typed after it is shown.
    g_echoOff = 1;
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
    writeAll(fd, prompt);

    std::string password;
    const bool got = readLine(fd, password);

    ::tcsetattr(fd, TCSAFLUSH, &tty);
    g_echoOff = 0;
    for (int k = 0; k < 4; ++k) ::sigaction(signals[k], &previous[k], nullptr);
    writeAll(fd, "\n");  // the user's Enter was not echoed
    ::close(fd);
    g_ttyFd = -1;
    if (!got) {
        secureWipe(password);
        throw CliError(kExitRefused, "no password given");
    }
    return password;
}

}  // namespace

std::string PasswordSource::ask(const std::string& what) {
    if (!m_fromStdin) {
        std::string prompt = what + ": ";
        if (!prompt.empty() && prompt[0] >= 'a' && prompt[0] <= 'z')
            prompt[0] = static_cast<char>(prompt[0] - 'a' + 'A');
        return askOnTerminal(prompt);
    }
    std::string password;
    if (!readLine(STDIN_FILENO, password))
        throw CliError(kExitUsage, "standard input ended before the line with the " + what +
                                       "; --password-stdin reads one line per password asked");
    return password;
}

bool confirmOnTerminal(const std::string& question) {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw CliError(kExitUsage, "there is no terminal to ask on");
    writeAll(fd, question + " [y/N] ");
    std::string answer;
    readLine(fd, answer);
    ::close(fd);
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

}  // namespace kivrano::cli
