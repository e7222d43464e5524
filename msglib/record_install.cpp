// Install helper: records the message library's directory as "OSTREL" under
// "Software\Veltrane\Ostrel V6.3\ENV" in the machine hive named by
// TOLVEX_MACHINE_HIVE, through the runtime's own atomic hive writer.
#include <cstdio>
#include <string>

#include "runtime/frame/message_text.h"
#include "runtime/os/code_page.h"
#include "runtime/os/registry_store.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY/\n", argv[0]);
    return 2;
  }
  std::string directory = argv[1];
  // The directory is used as a prefix: it must end with a separator.
  if (directory.empty() || directory.back() != '/') directory += '/';
  std::string cp932;
  if (!tolvex::os::Utf8ToCp932(directory, &cp932)) {
    std::fprintf(stderr, "%s: directory name has no code page 932 form: %s\n", argv[0],
                 directory.c_str());
    return 1;
  }
  if (cp932.size() > tolvex::frame::kMaxLibraryDirectory)
    std::fprintf(stderr, "%s: warning: directory longer than %u bytes; the runtime will not use it\n",
                 argv[0], tolvex::frame::kMaxLibraryDirectory);
  const tolvex::os::RegistryValue values[] = {
      {tolvex::frame::kLibraryDirectoryValue, false, cp932, 0}};
  if (!tolvex::os::SetRegistryValues(tolvex::os::RegistryRoot::kLocalMachine,
                                     tolvex::frame::kInstallationKey, values)) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0],
                 tolvex::os::HivePath(tolvex::os::RegistryRoot::kLocalMachine).c_str());
    return 1;
  }
  return 0;
}
