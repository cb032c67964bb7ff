#pragma once

#include <string>

namespace kivrano::platform {

// Opening files, programs and addresses with the desktop's "open" action.
class Shell {
public:
    // Results above 32 mean success; 32 or less is a failure (the callers' long-standing rule).
    static constexpr int kOpened = 42;
    static constexpr int kFileNotFound = 2;
    static constexpr int kNoAssociation = 31;
    static bool succeeded(int result) { return result > 32; }

    virtual ~Shell() = default;

    // `target` is a program, a document or an address (a web address, "mailto:..."). A program
    // is started detached with `parameters` split like a command line; a document or an
    // address goes to the desktop's handler, which takes no parameters.
    virtual int open(const std::string& target, const std::string& parameters) = 0;

    // The built-in web browser's program path, empty when none is installed.
    virtual std::string builtInBrowser() const = 0;
};

}  // namespace kivrano::platform
