#pragma once

#include <stdexcept>
#include <string>

namespace kivrano::cli {

// The program's exit status.
enum ExitCode : int {
    kExitOk = 0,
    kExitRefused = 1,  // wrong password, or an operation that was refused
    kExitUsage = 2,    // the command line (or standard input) is not what the command needs
    kExitFile = 3,     // a file that cannot be read, is damaged, or cannot be written
    kExitBusy = 4,     // another program was changing the vault; nothing was done
};

// Ends a command with a message for standard error and an exit status.
class CliError : public std::runtime_error {
public:
    CliError(ExitCode code, const std::string& message)
        : std::runtime_error(message), m_code(code) {}
    ExitCode code() const noexcept { return m_code; }

private:
    ExitCode m_code;
};

}  // namespace kivrano::cli
