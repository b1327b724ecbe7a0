// A shared library loaded at run time: a .so through dlopen on Linux, a .dll through
// LoadLibrary on Windows. The one place where the test host chooses between the two.
#pragma once

#include <memory>
#include <string>

namespace vsthost {

class SharedLibrary {
 public:
  // Loads the library at path (resolving all its symbols now). On failure returns null and
  // puts the system's reason into error.
  static std::unique_ptr<SharedLibrary> open(const std::string& path, std::string& error);
  ~SharedLibrary();  // unloads the library (the system keeps it while other handles exist)
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Address of an exported function or variable; null when the library does not export it.
  void* symbol(const char* name) const;
  // The system's handle (dlopen's or the HMODULE), for module entry points that take it.
  void* nativeHandle() const { return handle_; }

 private:
  explicit SharedLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace vsthost
