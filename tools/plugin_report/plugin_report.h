// A plug-in's answers through the binary interface, written as text so that two builds of
// the same plug-in (the Linux .so and the Windows DLL under wine) can be compared: identity,
// every parameter's name, label and display texts, the programs, MIDI control changes,
// latency, and the audio rendered for a fixed input with automation, MIDI and the LFO.
// The editor is left out: the editor tests check it on each platform.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "plugin_host.h"

namespace vsthost {

// Drives a freshly loaded, not yet opened plug-in and writes the report. Texts are
// written as UTF-8 on both platforms; lines holding audio start with "samples".
void writePluginReport(PluginHost& host, std::ostream& out);

// Other reports in the same form (format_reports.h): a number as the report writes it, a
// render's channels as its "samples" lines, and one signal rendered in blocks of `blockSize`.
std::string reportNumber(double value);
void writeSampleLines(std::ostream& out, const std::string& name,
                      const std::vector<std::vector<float>>& outputs);
void writeRenderedSamples(PluginHost& host, std::ostream& out, const std::string& name,
                          const std::vector<float>& input, int32_t blockSize);

// Compares two reports: every line must be equal, except that numbers on "samples" lines
// may differ by up to `tolerance`. Returns true when they match; otherwise `difference`
// names the first line that does not.
bool reportsMatch(std::istream& expected, std::istream& actual, double tolerance,
                  std::string& difference);

}  // namespace vsthost
