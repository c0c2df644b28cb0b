#pragma once

#include <cstddef>
#include <string>

namespace kor::bench {

// The plug-in's steady state in this process: the plug-in built into the
// benchmark executable (its entry point linked in, so its trees take their
// pages from the same page source as everything the benchmarks build),
// initialised, logged in and its settings loaded, in an installation of its
// own.

// Brings the plug-in up when it is not running. False with `error` set when
// it could not be started.
bool EnterSteadyState(std::string& error);

// Shuts the plug-in down and drops the default document it keeps for the
// process, so that every tree of the plug-in gives its pages back. Nothing
// when it is not running.
void LeaveSteadyState();

// Pool pages held right after the last start: the plug-in's long-lived
// trees. 0 when it never started.
std::size_t PoolPagesOnceLoaded();

// Pool pages held by live trees of this process right now.
std::size_t PoolPagesHeld();

}  // namespace kor::bench
