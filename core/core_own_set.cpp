// A user's own response set: loading one from a SOFA file (where a reader is built in),
// installing one from a saved chunk, and the lines the panel and the tools show about it.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "own_response_set.h"
#include "quendral_core.h"
#include "receiver_sides.h"
#include "text_format.h"
#if QUENDRAL_READS_SOFA
#include "sofa_file.h"
#endif

namespace panner {

bool QuendralCore::loadOwnSet(const char* path) {
  std::string status;
  bool loaded = false, earsContradicted = false;
  std::shared_ptr<const OwnResponseSet> installed;
#if QUENDRAL_READS_SOFA
  auto set = std::make_shared<OwnResponseSet>();
  if (path && loadOwnResponseSet(path, *set, status, &earsContradicted)) {
    installed = set;
    loaded = engine.setOwnResponseSet(std::move(set));
    if (!loaded) status = "not enough memory to prepare the set";
  } else if (!path) {
    status = "no file named";
  }
#else
  (void)path;
  status = "own sets cannot be read from files here: they arrive with a project or preset";
#endif
  std::lock_guard<std::mutex> lock(ownSetText);
  ownSetRefusal = loaded ? std::string() : status;
  if (loaded) ownSetLoaded = status;
  if (!loaded) ++ownSetRefusals;
  if (loaded && earsContradicted) notedSet = installed;
  if (loaded && !earsContradicted) notedSet.reset();
  return loaded;
}

bool QuendralCore::loadOwnSetFile(const char* path, char* answer, uint32_t capacity) {
  const bool loaded = loadOwnSet(path);
  if (loaded) setParameter(kParamOwnSet, 1.0f);
  std::string text;
  {
    std::lock_guard<std::mutex> lock(ownSetText);
    text = loaded ? ownSetLoaded : ownSetRefusal;
  }
  if (answer && capacity > 0) copyText(answer, text.c_str(), capacity);
  return loaded;
}

void QuendralCore::describeOwnSet(char* line, uint32_t capacity) const {
  if (!line || capacity == 0) return;
  const bool on = engine.useOwnSet.load(std::memory_order_relaxed);
  const std::shared_ptr<const OwnResponseSet> own = engine.ownResponseSet();
  std::string text;
  if (!own) {
    text = std::string("own set: none loaded (") + (on ? "on" : "off") + ")";
  } else {
    OwnResponseSet set = *own;  // its widest gap is worked out by the check
    std::string why;
    if (!checkOwnResponseSet(set, why)) {
      text = "own set: refused (" + why + ")";
    } else {
      char crc[32];
      std::snprintf(crc, sizeof crc, "; file CRC-32 %08x", static_cast<unsigned>(own->checksum));
      text = std::string("own set (") + (on ? "on" : "off") + "): " + describeOwnResponseSet(set) +
             crc;
    }
  }
  copyText(line, text.c_str(), capacity);
}

bool QuendralCore::setOwnSet(std::shared_ptr<const OwnResponseSet> set) {
  return engine.setOwnResponseSet(std::move(set));
}

std::string QuendralCore::ownSetNote() const {
  const std::shared_ptr<const OwnResponseSet> own = engine.ownResponseSet();
  std::lock_guard<std::mutex> lock(ownSetText);
  return own && own == notedSet.lock() ? kEarsByMeasurementNote : "";
}

std::string QuendralCore::playingSetDescription() const {
  const std::shared_ptr<const OwnResponseSet> own = engine.ownResponseSet();
  const bool on = engine.useOwnSet.load(std::memory_order_relaxed);
  const char* builtIn = engine.filterSet.load(std::memory_order_relaxed) == 0
                            ? "built-in set one (5 degrees, elevations -40 to 90)"
                            : "built-in set two (30 degrees, elevations -30 to 90)";
  if (on && own) {
    const std::string note = ownSetNote();
    return "own set: " + describeOwnResponseSet(*own) + (note.empty() ? "" : "; " + note);
  }
  if (on) return std::string("own set on, none loaded: ") + builtIn + " plays";
  if (own) return std::string(builtIn) + "; own set off: " + own->name;
  return builtIn;
}

std::string QuendralCore::ownSetHeadline() const {
  const std::shared_ptr<const OwnResponseSet> own = engine.ownResponseSet();
  if (!own) return "";
  std::string text =
      own->name + " (" + std::to_string(own->rows() + own->offRingRows()) + " directions";
  if (own->offRingRows() > 0) {
    const auto [low, high] =
        std::minmax_element(own->offRingElevations.begin(), own->offRingElevations.end());
    text += ", " + std::to_string(std::lround(std::min(*low, own->elevation))) + " to " +
            std::to_string(std::lround(std::max(*high, own->elevation)));
  }
  return text + ")";
}

std::string QuendralCore::ownSetName() const {
  const std::shared_ptr<const OwnResponseSet> own = engine.ownResponseSet();
  return own ? own->name : "";
}

std::string QuendralCore::lastOwnSetRefusal() const {
  std::lock_guard<std::mutex> lock(ownSetText);
  return ownSetRefusal;
}

uint32_t QuendralCore::ownSetRefusalNumber() const {
  std::lock_guard<std::mutex> lock(ownSetText);
  return ownSetRefusals;
}

const char* QuendralCore::ownSetHint() {
#if QUENDRAL_READS_SOFA
  return "drop a .sofa file on the panel to use your own set";
#else
  return "own sets arrive with a project or preset";
#endif
}

}  // namespace panner
