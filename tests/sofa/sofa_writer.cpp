#include "sofa_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace quendral_test {

namespace {

std::string number(double v) {
  if (std::isnan(v)) return "NaN";
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", v);
  return text;
}

void values(std::string& cdl, const char* name, const std::vector<double>& v) {
  cdl += " ";
  cdl += name;
  cdl += " = ";
  for (size_t i = 0; i < v.size(); ++i) {
    cdl += number(v[i]);
    cdl += i + 1 < v.size() ? (i % 16 == 15 ? ",\n" : ", ") : " ;\n";
  }
}

std::string sofaCdl(const SofaContents& c) {
  const size_t m = c.positions.size();
  std::string cdl = "netcdf head {\ndimensions:\n I = 1 ;\n C = 3 ;\n R = 2 ;\n E = 1 ;\n";
  cdl += " N = " + std::to_string(c.taps) + " ;\n M = " + std::to_string(m) + " ;\n";
  cdl +=
      "variables:\n"
      " double ListenerPosition(I, C) ;\n  ListenerPosition:Type = \"cartesian\" ;\n"
      "  ListenerPosition:Units = \"metre\" ;\n"
      " double ReceiverPosition(R, C, I) ;\n  ReceiverPosition:Type = \"cartesian\" ;\n"
      "  ReceiverPosition:Units = \"metre\" ;\n"
      " double SourcePosition(M, C) ;\n  SourcePosition:Type = \"spherical\" ;\n"
      "  SourcePosition:Units = \"degree, degree, metre\" ;\n"
      " double EmitterPosition(E, C, I) ;\n  EmitterPosition:Type = \"cartesian\" ;\n"
      "  EmitterPosition:Units = \"metre\" ;\n"
      " double ListenerUp(I, C) ;\n"
      " double ListenerView(I, C) ;\n  ListenerView:Type = \"cartesian\" ;\n"
      "  ListenerView:Units = \"metre\" ;\n"
      " double Data.IR(M, R, N) ;\n"
      " double Data.SamplingRate(I) ;\n  Data.SamplingRate:Units = \"hertz\" ;\n"
      " double Data.Delay(I, R) ;\n"
      " :Conventions = \"SOFA\" ;\n :Version = \"1.0\" ;\n";
  cdl += " :SOFAConventions = \"" + c.conventions + "\" ;\n";
  cdl +=
      " :SOFAConventionsVersion = \"1.0\" ;\n :APIName = \"quendral tests\" ;\n"
      " :APIVersion = \"1.0\" ;\n :AuthorContact = \"\" ;\n :Organization = \"\" ;\n"
      " :License = \"\" ;\n :DataType = \"FIR\" ;\n :RoomType = \"free field\" ;\n"
      " :DateCreated = \"2026-01-01 00:00:00\" ;\n :DateModified = \"2026-01-01 00:00:00\" ;\n";
  cdl += " :Title = \"" + c.title + "\" ;\n";
  cdl += "data:\n";
  values(cdl, "ListenerPosition", {0, 0, 0});
  values(cdl, "ReceiverPosition", {c.receivers.begin(), c.receivers.end()});
  std::vector<double> positions;
  for (const auto& p : c.positions) positions.insert(positions.end(), p.begin(), p.end());
  values(cdl, "SourcePosition", positions);
  values(cdl, "EmitterPosition", {0, 0, 0});
  values(cdl, "ListenerUp", {0, 0, 1});
  values(cdl, "ListenerView", {1, 0, 0});
  values(cdl, "Data.IR", c.responses);
  values(cdl, "Data.SamplingRate", {c.rate});
  values(cdl, "Data.Delay", {c.delays[0], c.delays[1]});
  cdl += "}\n";
  return cdl;
}

}  // namespace

bool writeSofa(const SofaContents& contents, const std::string& path) {
  const std::string cdlPath = path + ".cdl";
  {
    std::ofstream cdl(cdlPath);
    cdl << sofaCdl(contents);
    if (!cdl) return false;
  }
  const std::string command =
      std::string(kNcgen) + " -k nc4 -o '" + path + "' '" + cdlPath + "' 2>&1";
  const bool made = std::system(command.c_str()) == 0;
  std::remove(cdlPath.c_str());
  return made;
}

}  // namespace quendral_test
