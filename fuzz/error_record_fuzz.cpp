// Fuzz target: the error record's text form in the user hive, written into
// any existing hive text by the ordinary writer or the fatal-signal one.
//
// Properties: every value reads back as written (a string's characters, or
// its bytes when they have no UTF-8 form); writing the same values again
// leaves the hive byte for byte the same.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/core/error_record.h"
#include "runtime/os/code_page.h"
#include "runtime/os/registry_store.h"

namespace tolvex::fuzz {
namespace {

using os::RegistryRoot;

const std::string& HivePath() {
  static const std::string path = ScratchDirectory() + "/user.reg";
  return path;
}

std::string HiveText() {
  std::ifstream in(HivePath(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t RecordNumber(const char* name) {
  uint32_t number = 0;
  FUZZ_CHECK(
      os::QueryRegistryNumber(RegistryRoot::kCurrentUser, core::kErrorRecordKey, name, &number));
  return number;
}

std::string RecordText(const char* name) {
  std::string text;
  FUZZ_CHECK(os::QueryRegistryString(RegistryRoot::kCurrentUser, core::kErrorRecordKey, name, 4096,
                                     &text));
  return text;
}

// A string value keeps its characters: the same UTF-8 when the bytes have a
// UTF-8 form (code page 932 has characters with two codes, which come back
// as one of them), else the same bytes.
bool SameCharacters(const std::string& read, const std::string& written) {
  std::string read_utf8, written_utf8;
  if (!os::Cp932ToUtf8(written, &written_utf8)) return read == written;
  return os::Cp932ToUtf8(read, &read_utf8) && read_utf8 == written_utf8;
}

// The fatal-signal writer: every value back exactly, and idempotent.
void CheckFaultRecord(const std::string& name, uint16_t statement, uint32_t address,
                      uint32_t code) {
  core::WriteFaultRecord(name.c_str(), statement, address, code);
  const std::string first = HiveText();
  core::WriteFaultRecord(name.c_str(), statement, address, code);
  FUZZ_CHECK(HiveText() == first);
  FUZZ_CHECK(RecordText("XMODL") == name);
  FUZZ_CHECK(RecordNumber("XLINE") == statement && RecordNumber("XADDR") == address &&
             RecordNumber("XCODE") == code);
  FUZZ_CHECK(RecordText("XMODE") == core::kRuntimeModeText &&
             RecordText("XRTL") == core::kRuntimeVersionText);
}

// The ordinary writer: the record's values back, then APIERR added twice.
void CheckErrorRecord(const std::string& name, int16_t code, int16_t statement, uint32_t location,
                      uint32_t api_error) {
  const core::ProgramRecord module{name.c_str()};
  core::WriteErrorRecord(&module, code, statement, location);
  FUZZ_CHECK(SameCharacters(RecordText("MODL"), name));
  FUZZ_CHECK(RecordNumber("LINE") == static_cast<uint16_t>(statement) &&
             RecordNumber("CODE") == static_cast<uint16_t>(code) &&
             RecordNumber("FUNC") == (location >> 8) && RecordNumber("INFO") == (location & 0xFF));
  FUZZ_CHECK(RecordText("TIME").size() >= 19 && RecordText("MODE") == core::kRuntimeModeText &&
             RecordText("RTL") == core::kRuntimeVersionText);
  core::RecordApiError(api_error);
  const std::string first = HiveText();
  core::RecordApiError(api_error);
  FUZZ_CHECK(HiveText() == first);
  FUZZ_CHECK(RecordNumber("APIERR") == api_error && SameCharacters(RecordText("MODL"), name));
}

// The provider takes its choices from the end and the bytes from the front:
// a seed is the module name, the old hive text, the numbers (8 bytes), the
// name's length and the writer.
std::vector<std::string> Seeds() {
  const std::string key = std::string("[HKEY_CURRENT_USER\\") + core::kErrorRecordKey + "]";
  const std::string hives[] = {
      "",
      "REGEDIT4\r\n\r\n" + key + "\r\n\"MODL\"=\"Tolvex\"\r\n\"LINE\"=dword:00000018\r\n\r\n",
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=\"b\\\\\"\n\n" + key +
          "\n\"XMODE\"=hex(1):93,c6,97,a7,8c,5e,00\n\"modl\"=\"\\\"q\\\"\"\n",
      "garbage\n[\n\"=\n" + key + "\n" + key + "\n\"MODL\n",
  };
  std::vector<std::string> seeds;
  for (const std::string& hive : hives)
    for (const char* name : {"Tolvex", "\x95\x57\x8D\x82", "a\"b\\"})
      for (const char writer : {'\0', '\1'})
        seeds.push_back(name + hive + "\x3F\x00\x18\x00\x08\x20\x00\x00" +
                        static_cast<char>(std::strlen(name)) + writer);
  return seeds;
}

}  // namespace
}  // namespace tolvex::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tolvex::fuzz::WriteSeedsWhenAsked(tolvex::fuzz::Seeds);
  setenv(tolvex::os::kUserHiveVariable, tolvex::fuzz::HivePath().c_str(), 1);
  tolvex::core::PrepareFaultRecord();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvex;
  FuzzedDataProvider input(data, size);
  const bool fault = input.ConsumeBool();
  std::string name = input.ConsumeBytesAsString(input.ConsumeIntegralInRange(0, 40));
  name = name.substr(0, name.find('\0'));  // a module name is NUL-terminated
  const auto code = input.ConsumeIntegral<int16_t>();
  const auto statement = input.ConsumeIntegral<int16_t>();
  const auto number = input.ConsumeIntegral<uint32_t>();
  const std::string old_hive = input.ConsumeRemainingBytesAsString();
  if (old_hive.empty()) {
    unlink(fuzz::HivePath().c_str());
  } else {
    fuzz::PutFile(fuzz::HivePath(), old_hive);
  }
  if (fault) {
    fuzz::CheckFaultRecord(name, static_cast<uint16_t>(statement), number,
                           static_cast<uint32_t>(code));
  } else {
    fuzz::CheckErrorRecord(name, code, statement, number, static_cast<uint32_t>(code) * 7919u);
  }
  return 0;
}
