// Writes the rendered audio with libsndfile into a temporary file next to OUTPUT and
// renames it over OUTPUT only when everything was written, so a failed or interrupted
// render never leaves a partial OUTPUT behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

namespace render {

// The libsndfile format for a file name's extension: .wav or none (32-bit float), .w64
// and .caf (float), .aif/.aiff and .flac (24-bit), .ogg/.oga (Vorbis). Throws RenderError
// for any other extension.
int outputFormatFor(const std::string& path);

class AudioFileWriter {
 public:
  // Creates the temporary file. Throws RenderError when OUTPUT is a directory, its
  // directory is not writable, or the format cannot hold this channel count or rate.
  AudioFileWriter(const std::string& path, int channels, int sampleRate);
  // Removes the temporary file unless commit() succeeded.
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  // Writes `count` frames from in[0..channels-1]. Throws RenderError on a write error.
  void write(const float* const* in, int count);
  // Closes the file and renames it to OUTPUT.
  void commit();

 private:
  std::string path_;
  std::string tempPath_;
  sf_private_tag* file_ = nullptr;
  int channels_ = 0;
  bool committed_ = false;
  std::vector<float> interleaved_;
};

}  // namespace render
