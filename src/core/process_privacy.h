// Keeps what the process holds in memory (typed passwords) out of core dumps.
#pragma once

namespace pixa {

// Turns off core dumps of this process and makes it undumpable, which also keeps other processes
// of the same user from reading its memory through a debugger. Called first thing in main().
// Never fails: on a system that refuses, the process runs as before.
void keepMemoryPrivate() noexcept;

} // namespace pixa
