// The host's musical time as LV2 hosts report it: time:Position objects arrive on the atom
// port when the transport, the tempo or the position changes (some hosts send one every
// block), so between them the position moves on by itself at the last tempo and speed.
// Audio thread only.
#pragma once

#include <cstdint>

namespace panner::lv2 {

class HostTimeline {
 public:
  // What one time:Position carried; a field the host left out keeps its last value.
  struct Report {
    bool hasTempo = false;
    double beatsPerMinute = 0.0;  // in beats of beatUnit
    bool hasBeatUnit = false;
    int32_t beatUnit = 4;
    bool hasBeat = false;
    double beat = 0.0;  // song position in beats of beatUnit
    bool hasSpeed = false;
    double speed = 0.0;  // transport speed, 0 when stopped, 1 when playing
  };

  void setSampleRate(double rate) { sampleRate = rate > 0.0 ? rate : sampleRate; }

  // Takes a report that describes the time at `offset` frames into the block that starts
  // at the current position.
  void report(const Report& report, uint32_t offset);
  // Moves the block start on by `frames` at the current tempo and speed.
  void advance(uint32_t frames);
  // While a block is processed in pieces: where the piece being processed starts.
  void setPieceOffset(uint32_t frames) { pieceOffset = frames; }

  // The tempo in quarter notes per minute; false until a host reported one.
  bool tempo(double& quarterNotesPerMinute) const;
  // The song position in quarter notes at the start of the block (or of the piece being
  // processed), and whether the transport runs; false until a host reported a position.
  bool position(double& quarterNotes, bool& playing) const;

 private:
  double quarterNotesPerFrame() const;

  double sampleRate = 44100.0;
  bool tempoKnown = false;
  double beatsPerMinute = 120.0;
  int32_t beatUnit = 4;
  bool positionKnown = false;
  double quarterNotes = 0.0;  // at the block start
  double speed = 0.0;
  uint32_t pieceOffset = 0;
};

}  // namespace panner::lv2
