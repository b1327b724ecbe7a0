// What the core asks of the format adapter that owns it. Each format (VST 2.4, VST3, LV2)
// answers these from its own host interface, so the core never sees a format's types.
#pragma once

#include <cstdint>

#include "tempo_source.h"

namespace panner {

class CoreHost : public TempoSource {
 public:
  // TempoSource (audio thread, once per frame while the LFO follows the host):
  //   hostTempo(beatsPerMinute) and hostPosition(quarterNotes, playing), both describing
  //   the host block being processed.

  // A user gesture on the parameter with this index starts (editor thread).
  virtual void editBegan(int32_t /*index*/) {}
  // A user edit, already applied to the core: the host records it as automation.
  virtual void editPerformed(int32_t /*index*/, float /*value*/) {}
  // The gesture ends.
  virtual void editEnded(int32_t /*index*/) {}
  // While a control follows the mouse inside the editor's own loop, the host gets a
  // chance to run its user interface (VST2 hosts answer audioMasterIdle).
  virtual void idleRequested() {}
  // The user chose a SOFA file for the own set in the panel (dropped it on the panel;
  // editor thread). An adapter that loads sets its own way (the LV2 build sends the path
  // to its plug-in as a patch:Set of its file parameter) takes it and returns true; by
  // default the panel loads it on a worker thread of its own and switches "own set" on.
  virtual bool ownSetFileChosen(const char* /*path*/) { return false; }

 protected:
  ~CoreHost() = default;
};

}  // namespace panner
