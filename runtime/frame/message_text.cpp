// The message-text lookup (see message_text.h).
#include "runtime/frame/message_text.h"

#include <string>

#include "runtime/os/dynamic_library.h"
#include "runtime/os/path_trust.h"
#include "runtime/os/registry_store.h"

namespace tolvex::frame {
namespace {

// The registry hands back at most 261 bytes of a directory text.
constexpr std::size_t kMaxValueBytes = 261;

bool LookUpIn(os::RegistryRoot root, int16_t code, char* buffer, uint32_t size) {
  std::string directory;
  if (!os::QueryRegistryString(root, kInstallationKey, kLibraryDirectoryValue, kMaxValueBytes,
                               &directory))
    return false;
  if (directory.size() > kMaxLibraryDirectory) return false;
  // A hive anyone may edit could point the program at any library.
  if (!os::IsClosedToOthers(os::HivePath(root).c_str())) return false;
  std::string path = directory + kMessageLibraryName;
  os::DynamicLibraries& libraries = os::Libraries();
  void* library = libraries.Load(path.c_str());
  if (library == nullptr) return false;
  auto function = reinterpret_cast<MessageFunction>(
      libraries.FindFunction(library, kMessageFunctionName));
  int32_t found = 0;
  if (function != nullptr) {
    buffer[0] = '\0';
    found = function(library, static_cast<uint16_t>(code), buffer, size);
    // A library that forgets the terminator must not run the report off the
    // end of the buffer.
    buffer[size - 1] = '\0';
  }
  libraries.Unload(library);
  return found != 0;
}

}  // namespace

bool LookUpMessageText(int16_t code, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return false;
  for (os::RegistryRoot root : {os::RegistryRoot::kLocalMachine, os::RegistryRoot::kCurrentUser})
    if (LookUpIn(root, code, buffer, size)) return true;
  buffer[0] = '\0';
  return false;
}

}  // namespace tolvex::frame
