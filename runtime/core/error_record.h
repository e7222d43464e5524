// The error record: what the runtime leaves in the user's registry hive about
// the last unhandled error, the last refused system request and the last
// fatal fault. Holds no OS code (the hive is reached through registry_store).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/runtime_error.h"

namespace tolvex::core {

// The key under HKEY_CURRENT_USER; created when missing.
inline constexpr char kErrorRecordKey[] = "Software\\Veltrane\\Ostrel V6.3\\RUNTIME\\ERROR";
// "独立型" (standalone): the runtime's mode text.
inline constexpr char kRuntimeModeText[] = "\x93\xC6\x97\xA7\x8C\x5E";
// The runtime's version text.
inline constexpr char kRuntimeVersionText[] = "V6.30 L10 U002+1";

// Writes MODL, LINE, CODE, FUNC, INFO, TIME, MODE and RTL, in that order.
// LINE and CODE are the statement and code as unsigned 16-bit values, FUNC is
// location >> 8 and INFO its low byte; TIME is local time as
// "2024/03/05 14:07:09". A null module writes an empty MODL.
// Every failure is ignored, running out of memory included: the report that
// follows always shows.
// Example: error 63 at 0x2008, statement 24 of Tolvex -> MODL "Tolvex",
// LINE 24, CODE 63, FUNC 0x20, INFO 8.
void WriteErrorRecord(const ProgramRecord* module, int16_t code, int16_t statement,
                      uint32_t location);

// Writes "APIERR" (the operating system's error number) into the error
// record's key; every failure is ignored, as above.
void RecordApiError(uint32_t os_error_number);

// Formats a time the record's way: (2024, 3, 5, 14, 7, 9) ->
// "2024/03/05 14:07:09". Split out so the format can be checked.
std::string FormatRecordTime(int year, int month, int day, int hour, int minute, int second);

// Fatal-fault values: XMODL, XLINE, XMODE, XRTL, XADDR, XCODE. Only
// async-signal-safe work: `hive_path` must have been resolved beforehand
// (PrepareFaultRecord). A null module name writes an empty XMODL.
void WriteFaultRecord(const char* module_name, uint16_t statement, uint32_t address,
                      uint32_t exception_code);
// Resolves the user hive's path now, outside any signal handler.
void PrepareFaultRecord();

}  // namespace tolvex::core
