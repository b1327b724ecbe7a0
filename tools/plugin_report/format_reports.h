// The reports of the other builds, in the form of plugin_report.h, so the Windows tests can
// compare them with the Linux builds': the VST3 bundle's and quendral.clap's answers and a
// fixed noise through four settings (default, right ear with the second set, the LFO
// running, the LFO synced to 120 bpm), and the VST2 build with a program file loaded.
#pragma once

#include <iosfwd>
#include <string>

namespace vsthost {

bool writeVst3Report(const std::string& bundle, std::ostream& out, std::string& error);
bool writeClapReport(const std::string& file, std::ostream& out, std::string& error);
// The program file's chunk loaded as a host loads a preset (the Windows tests give the DLL
// one that quendral-render saved with a user's own response set), the values, and a noise
// played at placements around the head, with the own set off and on again.
bool writePresetReport(const std::string& plugin, const std::string& preset, std::ostream& out,
                       std::string& error);

}  // namespace vsthost
