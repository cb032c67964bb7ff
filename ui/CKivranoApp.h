#pragma once

#include <string>

namespace kivrano {

// The program: one running copy, the sign-in, the main window and the commands that belong
// to the whole program (open, save, about, exit).
class CKivranoApp {
public:
    // Runs the program after the QApplication exists; returns the exit code. fileToOpen is a
    // vault named on the command line, opened after the sign-in with the same password.
    static int run(const std::string& fileToOpen);
};

}  // namespace kivrano
