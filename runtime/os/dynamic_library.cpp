// The dynamic-library seam (see dynamic_library.h) over dlopen.
#include "runtime/os/dynamic_library.h"

#include <dlfcn.h>

#include <string>

#include "runtime/os/code_page.h"
#include "runtime/os/path_trust.h"

namespace tolvex::os {
namespace {

class SystemLibraries final : public DynamicLibraries {
 public:
  void* Load(const char* path) override {
    std::string native;
    // A library anyone else could have written or replaced is not run.
    if (!Cp932ToUtf8(path, &native) || !IsTrustedPath(native.c_str())) return nullptr;
    // RTLD_LOCAL: a message library's symbols must not leak into the program.
    return dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  void* FindFunction(void* handle, const char* name) override { return dlsym(handle, name); }
  void Unload(void* handle) override { dlclose(handle); }
};

SystemLibraries g_system;
DynamicLibraries* g_current = &g_system;

}  // namespace

DynamicLibraries& Libraries() { return *g_current; }

void UseLibraries(DynamicLibraries* fake) { g_current = fake ? fake : &g_system; }

}  // namespace tolvex::os
