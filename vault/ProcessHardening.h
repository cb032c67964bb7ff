#pragma once

namespace kivrano {

// What both programs do first: no core dump (it would hold the passwords typed so far) and
// not dumpable (no other process of the user may read this one's memory or attach to it).
// KIVRANO_DEBUG=1 leaves both as they are, for a developer's debugger. Returns whether the
// process was hardened.
bool hardenProcess();

}  // namespace kivrano
