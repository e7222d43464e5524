// The error record in the user's registry hive (see error_record.h).
#include "runtime/core/error_record.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <span>
#include <string>

#include "runtime/os/registry_store.h"

namespace tolvex::core {
namespace {

constexpr char kRecordTimeForm[] = "%d/%02d/%02d %02d:%02d:%02d";

// Resolved before any fault, since the handler may not look at the
// environment or allocate.
char g_fault_hive[4096];

os::RegistryValue Text(const char* name, std::string_view text) {
  return os::RegistryValue{name, false, text, 0};
}
os::RegistryValue Number(const char* name, uint32_t number) {
  return os::RegistryValue{name, true, {}, number};
}

// The record only helps whoever looks later: running out of memory while
// writing it must not cost the report that follows (or end the program from
// inside the frame's own error handling), so it counts as one more ignored
// failure.
void SetRecordValues(std::span<const os::RegistryValue> values) {
  try {
    (void)os::SetRegistryValues(os::RegistryRoot::kCurrentUser, kErrorRecordKey, values);
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

std::string FormatRecordTime(int year, int month, int day, int hour, int minute, int second) {
  char text[80];
  std::snprintf(text, sizeof text, kRecordTimeForm, year, month, day, hour, minute, second);
  return text;
}

void WriteErrorRecord(const ProgramRecord* module, int16_t code, int16_t statement,
                      uint32_t location) {
  // Formatted in place rather than through FormatRecordTime: nothing here
  // may allocate outside SetRecordValues.
  char time_text[80] = "";
  std::time_t now = std::time(nullptr);
  std::tm local;
  if (localtime_r(&now, &local) != nullptr)
    std::snprintf(time_text, sizeof time_text, kRecordTimeForm, local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  const char* name = (module && module->source_name) ? module->source_name : "";
  const os::RegistryValue values[] = {
      Text("MODL", name),
      Number("LINE", static_cast<uint16_t>(statement)),
      Number("CODE", static_cast<uint16_t>(code)),
      Number("FUNC", (location >> 8) & 0xFFFFFF),
      Number("INFO", location & 0xFF),
      Text("TIME", time_text),
      Text("MODE", kRuntimeModeText),
      Text("RTL", kRuntimeVersionText),
  };
  SetRecordValues(values);
}

void RecordApiError(uint32_t os_error_number) {
  const os::RegistryValue values[] = {Number("APIERR", os_error_number)};
  SetRecordValues(values);
}

void PrepareFaultRecord() {
  std::string path = os::HivePath(os::RegistryRoot::kCurrentUser);
  if (path.size() >= sizeof g_fault_hive) path.clear();
  std::memcpy(g_fault_hive, path.c_str(), path.size() + 1);
}

void WriteFaultRecord(const char* module_name, uint16_t statement, uint32_t address,
                      uint32_t exception_code) {
  if (g_fault_hive[0] == '\0') return;
  const os::RegistryValue values[] = {
      Text("XMODL", module_name ? module_name : ""),
      Number("XLINE", statement),
      Text("XMODE", kRuntimeModeText),
      Text("XRTL", kRuntimeVersionText),
      Number("XADDR", address),
      Number("XCODE", exception_code),
  };
  (void)os::SetRegistryValuesFromSignal(g_fault_hive, os::RegistryRoot::kCurrentUser,
                                        kErrorRecordKey, values, std::size(values));
}

}  // namespace tolvex::core
