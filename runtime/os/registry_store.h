// The registry store: the runtime's stand-in for the system registry, two
// small REGEDIT4-style text hives (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE).
// OS code: files, locks, the environment and the program's own location are
// reached only from here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tolvex::os {

enum class RegistryRoot { kCurrentUser, kLocalMachine };

// Environment variables that move a hive elsewhere (the full path of its file).
inline constexpr char kUserHiveVariable[] = "TOLVEX_USER_HIVE";
inline constexpr char kMachineHiveVariable[] = "TOLVEX_MACHINE_HIVE";

// One value to set. Names are ASCII and compared without regard to case, as
// the system registry does. A string value holds code page 932 bytes.
struct RegistryValue {
  const char* name;
  bool is_number;
  std::string_view text;  // string values, without terminator
  uint32_t number;        // 32-bit number values
};

// Where a hive lives:
//   user:    $TOLVEX_USER_HIVE, else $XDG_CONFIG_HOME/tolvex/user.reg, else
//            $HOME/.config/tolvex/user.reg
//   machine: $TOLVEX_MACHINE_HIVE, else, with DIR the directory of the running
//            program (/proc/self/exe), the first of these that exists, else
//            the second:
//              DIR/etc/tolvex/machine.reg     a build tree (build/tolvex)
//              DIR/../etc/tolvex/machine.reg  an installed tree (<prefix>/bin/tolvex)
// The machine hive is found at run time, so an installed tree can be moved.
// Example: /usr/local/bin/tolvex reads /usr/local/etc/tolvex/machine.reg.
// Empty when no place can be named (no HOME, say, or no /proc).
std::string HivePath(RegistryRoot root);

// Sets `values` under `key` (e.g. "Software\\Veltrane\\Ostrel V6.3\\ENV"),
// creating the key when missing. A value that exists is replaced where it
// stands; new ones are appended in the given order. The hive file is
// replaced atomically (temporary file, fsync, rename) under a lock file, so a
// crash or two processes writing at once never leave a torn hive.
// Returns false on any failure; the runtime's callers ignore it.
// File form (strings are UTF-8 in the file when they convert, else raw bytes):
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Veltrane\Ostrel V6.3\RUNTIME\ERROR]
//   "MODL"="Tolvex"
//   "LINE"=dword:00000018
//   "XMODE"=hex(1):93,c6,97,a7,8c,5e
bool SetRegistryValues(RegistryRoot root, std::string_view key,
                       std::span<const RegistryValue> values);

// Reads string value `name` of `key` as code page 932 bytes. False when the
// hive, key or value is missing, the value is not a string, or it holds more
// than `max_length` bytes.
bool QueryRegistryString(RegistryRoot root, std::string_view key, std::string_view name,
                         std::size_t max_length, std::string* text);

// Reads 32-bit number value `name` of `key`; false when missing or not a number.
bool QueryRegistryNumber(RegistryRoot root, std::string_view key, std::string_view name,
                         uint32_t* number);

// The same write as SetRegistryValues for a fatal signal handler: only
// async-signal-safe calls, no allocation, static buffers (hives above 64 KiB
// are left alone). `hive_path` is resolved beforehand with HivePath; strings
// that are not plain printable ASCII go to the file as raw bytes (hex(1)),
// since converting code pages is not safe there.
bool SetRegistryValuesFromSignal(const char* hive_path, RegistryRoot root, std::string_view key,
                                 const RegistryValue* values, std::size_t count);

// Test hook: let `successes` more OS steps of a hive write succeed (opening,
// locking, reading, writing, syncing, renaming), then fail every one until
// called with a negative count (the default: never fail).
void FailHiveStepsAfter(int successes);

}  // namespace tolvex::os
