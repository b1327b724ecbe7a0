// How often the Ardour tests run one ardour7-lua script before they give up on it.
//
// ardour7-lua 7.3 corrupts its own heap now and then and dies by a signal, in about three runs
// of eight of a create-and-export script, with Debian's own plug-ins and without quendral
// loaded. A run that died by a signal or hung (exit code 124 and above, as from `timeout`)
// says nothing about the plug-in, so it is run again; every other outcome counts.
#pragma once

namespace quendral_test {

// Eight tries leave about one script in 2500 failing for Ardour's own crash.
constexpr int kArdourLuaTries = 8;

inline bool ardourRunBroke(int exitCode) { return exitCode >= 124; }

}  // namespace quendral_test
