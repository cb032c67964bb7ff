#pragma once

#include <QKeySequence>
#include <QList>

namespace kivrano {

// The key bindings of a command, made from the keys text of the command table: "Enter" binds
// both the main Enter key and the keypad's.
QList<QKeySequence> commandKeySequences(int command);

}  // namespace kivrano
