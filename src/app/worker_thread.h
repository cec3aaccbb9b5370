#pragma once

// Threads of the window's long work (conversions, previews).

#include <functional>
#include <thread>

namespace ostrel {

// Starts work on a new thread whose vector registers start clean. A thread inherits its
// creator's register state, and the window's thread paints: Qt's AVX2 fill and blend routines
// return with the upper halves of the vector registers in use, and from then on every mix of
// the core's SSE arithmetic with libm's VEX-encoded sin and cos pays a transition on many x86
// processors. Clearing them once at the start keeps the core as fast as on the command line.
std::thread StartWorker(std::function<void()> work);

} // namespace ostrel
