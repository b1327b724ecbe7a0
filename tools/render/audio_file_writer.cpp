#include "audio_file_writer.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render_error.h"
#include "text_fields.h"

namespace render {
namespace {

std::string extensionOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return lowerCase(path.substr(dot + 1));
}

std::string directoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// New files get the usual permissions (0666 less the umask), not mkstemp's 0600.
mode_t defaultFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

int outputFormatFor(const std::string& path) {
  const std::string ext = extensionOf(path);
  // A name without an extension gets the default, 32-bit float WAV.
  if (ext.empty() || ext == "wav") return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  if (ext == "w64") return SF_FORMAT_W64 | SF_FORMAT_FLOAT;
  if (ext == "caf") return SF_FORMAT_CAF | SF_FORMAT_FLOAT;
  if (ext == "aif" || ext == "aiff") return SF_FORMAT_AIFF | SF_FORMAT_PCM_24;
  if (ext == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  if (ext == "ogg" || ext == "oga") return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  throw RenderError("cannot tell the output format of " + path +
                    ": use .wav, .flac, .aiff, .ogg, .w64 or .caf");
}

AudioFileWriter::AudioFileWriter(const std::string& path, int channels, int sampleRate)
    : path_(path), channels_(channels) {
  const int format = outputFormatFor(path);
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    throw RenderError("cannot write " + path + ": it is a directory");

  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format;
  if (!sf_format_check(&info)) {
    throw RenderError("cannot write " + path + ": the format cannot hold " +
                      std::to_string(channels) + " channels at " + std::to_string(sampleRate) +
                      " Hz");
  }

  std::string pattern = directoryOf(path) + "/." + baseNameOf(path) + ".part-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) throw RenderError("cannot write " + path + ": " + std::strerror(errno));
  tempPath_ = name.data();
  fchmod(fd, defaultFileMode());
  // libsndfile opens the file by name: whether sf_open_fd closes a descriptor it fails on
  // differs between its releases, so handing it ours risks a leak or a double close.
  close(fd);

  file_ = sf_open(tempPath_.c_str(), SFM_WRITE, &info);
  if (file_ == nullptr) {
    const std::string reason = sf_strerror(nullptr);
    std::remove(tempPath_.c_str());
    throw RenderError("cannot write " + path + ": " + reason);
  }
  // Integer formats clip instead of wrapping round when the plug-in goes past full scale.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioFileWriter::~AudioFileWriter() {
  if (file_ != nullptr) sf_close(file_);
  if (!committed_ && !tempPath_.empty()) std::remove(tempPath_.c_str());
}

void AudioFileWriter::write(const float* const* in, int count) {
  if (count <= 0) return;
  const size_t needed = static_cast<size_t>(count) * static_cast<size_t>(channels_);
  if (interleaved_.size() < needed) interleaved_.resize(needed);
  for (int f = 0; f < count; ++f)
    for (int c = 0; c < channels_; ++c) interleaved_[f * channels_ + c] = in[c][f];
  if (sf_writef_float(file_, interleaved_.data(), count) != count)
    throw RenderError("cannot write " + path_ + ": " + sf_strerror(file_));
}

void AudioFileWriter::commit() {
  const int closeResult = sf_close(file_);
  file_ = nullptr;
  if (closeResult != 0)
    throw RenderError("cannot write " + path_ + ": " + sf_error_number(closeResult));
  if (std::rename(tempPath_.c_str(), path_.c_str()) != 0)
    throw RenderError("cannot write " + path_ + ": " + std::strerror(errno));
  committed_ = true;
}

}  // namespace render
