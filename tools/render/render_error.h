// The one kind of failure quendral-render reports to its user: bad options, unreadable or
// unwritable files, a plug-in that cannot be used. main() prints the message on one line
// and exits with status 2.
#pragma once

#include <stdexcept>
#include <string>

namespace render {

class RenderError : public std::runtime_error {
 public:
  explicit RenderError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace render
