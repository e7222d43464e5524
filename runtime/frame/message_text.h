// The message text of an error code, looked up in the optional external
// message library named by the registry. Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::frame {

// The installation key read under HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER.
inline constexpr char kInstallationKey[] = "Software\\Veltrane\\Ostrel V6.3\\ENV";
inline constexpr char kLibraryDirectoryValue[] = "OSTREL";
inline constexpr char kMessageLibraryName[] = "K7Q2RE63.DLL";
inline constexpr char kMessageFunctionName[] = "$PbGetErrMsg";
// Buffer sizes of the two report forms.
inline constexpr uint32_t kConsoleMessageBytes = 260;
inline constexpr uint32_t kBoxMessageBytes = 256;
// The directory text may hold at most 247 bytes: with the 12-byte file name
// (and the NUL and two bytes of slack the original kept) it fills 261.
inline constexpr uint32_t kMaxLibraryDirectory = 247;

// The library's function: (its own handle, code zero-extended, buffer, size);
// writes a NUL-terminated text and returns non-zero, or returns 0.
using MessageFunction = int32_t (*)(void* module, uint32_t code, char* buffer, uint32_t size);

// For each root in turn: read OSTREL (a string of at most 247 bytes), load
// OSTREL + "K7Q2RE63.DLL", call "$PbGetErrMsg", unload. The first non-zero
// answer wins. A root is passed over when its hive is writable by others, or
// when the library and its directory are not the user's or root's alone
// (os::IsTrustedPath), just as when no library is installed. True with the
// NUL-terminated text in `buffer`; false when no root gives one (a missing
// or broken library is no error). `size` >= 1.
// Example: with OSTREL = "/usr/local/lib/tolvex/" and the project's library,
// code 63 gives its "file not found" text.
bool LookUpMessageText(int16_t code, char* buffer, uint32_t size);

}  // namespace tolvex::frame
