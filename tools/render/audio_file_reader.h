// Reads an audio file with libsndfile, block by block, into planar float buffers with the
// channel count the plug-in wants: the file's own channels, a mono file copied to every
// input, or any number of channels mixed down to one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

namespace render {

class AudioFileReader {
 public:
  // Throws RenderError when the file is missing, unreadable or not an audio format
  // libsndfile knows.
  explicit AudioFileReader(const std::string& path);
  ~AudioFileReader();
  AudioFileReader(const AudioFileReader&) = delete;
  AudioFileReader& operator=(const AudioFileReader&) = delete;

  int channels() const { return channels_; }
  int sampleRate() const { return sampleRate_; }
  // The length in frames, or -1 when the file does not say.
  int64_t frames() const { return frames_; }

  // Chooses how file channels reach `targetChannels` buffers. Throws RenderError when the
  // counts cannot be matched (neither equal, nor a mono file, nor a mono target).
  void setTargetChannels(int targetChannels);
  // True when setTargetChannels() chose a mix-down of several channels to one.
  bool mixesDown() const { return targetChannels_ == 1 && channels_ > 1; }

  // Reads up to `count` frames into out[0..targetChannels-1]. Returns the frames read;
  // 0 at the end of the file. Throws RenderError on a read error.
  int read(float* const* out, int count);

 private:
  std::string path_;
  sf_private_tag* file_ = nullptr;
  int channels_ = 0;
  int sampleRate_ = 0;
  int64_t frames_ = 0;
  int targetChannels_ = 0;
  std::vector<float> interleaved_;
};

}  // namespace render
