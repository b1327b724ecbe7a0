#include "audio_file_reader.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "render_error.h"

namespace render {

AudioFileReader::AudioFileReader(const std::string& path) : path_(path) {
  // libsndfile's own words for these are unclear ("System error"), so check first.
  struct stat st {};
  if (stat(path.c_str(), &st) != 0)
    throw RenderError("cannot read " + path + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw RenderError("cannot read " + path + ": it is a directory");
  SF_INFO info{};
  file_ = sf_open(path.c_str(), SFM_READ, &info);
  if (file_ == nullptr) throw RenderError("cannot read " + path + ": " + sf_strerror(nullptr));
  channels_ = info.channels;
  sampleRate_ = info.samplerate;
  // A stream whose length is not in its header reports an enormous count.
  frames_ = info.frames >= 0 && info.frames < (int64_t{1} << 48) ? info.frames : -1;
  if (channels_ < 1 || sampleRate_ < 1) {
    sf_close(file_);
    file_ = nullptr;
    throw RenderError("cannot read " + path + ": no audio channels or no sample rate");
  }
}

AudioFileReader::~AudioFileReader() {
  if (file_ != nullptr) sf_close(file_);
}

void AudioFileReader::setTargetChannels(int targetChannels) {
  if (targetChannels < 1)
    throw RenderError("the plug-in has no audio input to feed " + path_ + " into");
  if (targetChannels != channels_ && targetChannels != 1 && channels_ != 1) {
    throw RenderError("the plug-in has " + std::to_string(targetChannels) + " inputs but " + path_ +
                      " has " + std::to_string(channels_) + " channels");
  }
  targetChannels_ = targetChannels;
}

int AudioFileReader::read(float* const* out, int count) {
  if (count <= 0) return 0;
  const size_t needed = static_cast<size_t>(count) * static_cast<size_t>(channels_);
  if (interleaved_.size() < needed) interleaved_.resize(needed);

  const sf_count_t got = sf_readf_float(file_, interleaved_.data(), count);
  if (got < 0 || (got < count && sf_error(file_) != SF_ERR_NO_ERROR))
    throw RenderError("cannot read " + path_ + ": " + sf_strerror(file_));
  const int frames = static_cast<int>(got);

  const float* in = interleaved_.data();
  if (targetChannels_ == 1 && channels_ > 1) {
    // Mix-down: the average of all channels, so a full-scale stereo file stays in range.
    const float scale = 1.0f / static_cast<float>(channels_);
    for (int f = 0; f < frames; ++f) {
      float sum = 0.0f;
      for (int c = 0; c < channels_; ++c) sum += in[f * channels_ + c];
      out[0][f] = sum * scale;
    }
  } else if (channels_ == 1) {
    for (int c = 0; c < targetChannels_; ++c) std::copy(in, in + frames, out[c]);
  } else {
    for (int f = 0; f < frames; ++f)
      for (int c = 0; c < channels_; ++c) out[c][f] = in[f * channels_ + c];
  }
  return frames;
}

}  // namespace render
