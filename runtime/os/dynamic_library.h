// Loading a shared library and finding a function in it: the seam behind the
// message-text lookup, replaceable by a fake in tests. OS code.
#pragma once

namespace tolvex::os {

// The operations the runtime needs. Paths are code page 932 bytes; the system
// implementation converts them for the file system.
class DynamicLibraries {
 public:
  virtual ~DynamicLibraries() = default;
  // A handle, or null when the library cannot be loaded. The system's
  // implementation also refuses a file that fails IsTrustedPath.
  virtual void* Load(const char* path) = 0;
  // The address of exported `name`, or null.
  virtual void* FindFunction(void* handle, const char* name) = 0;
  virtual void Unload(void* handle) = 0;
};

// The libraries in use: the system's (dlopen) unless a test installed a fake.
DynamicLibraries& Libraries();
// Installs `fake` (null puts the system's implementation back).
void UseLibraries(DynamicLibraries* fake);

}  // namespace tolvex::os
