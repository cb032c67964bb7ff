#pragma once

#include <string>

namespace kivrano::cli {

// Where passwords come from: one line of standard input per password asked, or the
// terminal with echo off. Never the command line, where other users could read them.
class PasswordSource {
public:
    explicit PasswordSource(bool fromStdin) : m_fromStdin(fromStdin) {}

    bool fromStdin() const { return m_fromStdin; }

    // The next password; what names it ("password of \"alice.kvr\""). From standard input:
    // the next line without its newline (an empty line is the empty password). On the
    // terminal: what is the prompt and the typing is not echoed. Throws CliError when there
    // is no line left or no terminal to ask on.
    std::string ask(const std::string& what);

private:
    bool m_fromStdin;
};

// Asks a yes-or-no question on the terminal (echo on); true only for "y" or "yes". Throws
// CliError when there is no terminal.
bool confirmOnTerminal(const std::string& question);

}  // namespace kivrano::cli
