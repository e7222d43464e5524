// Fuzz target: channel reading, any bytes in a file read through a channel
// as lines (ReadLine) or items (ReadItems) across the 32 KiB read-ahead's edge.
//
// Properties: lines are those of a plain reference splitter, errors 15 and 54
// included; items come out value for value, error for error and byte for
// byte consumed as from the same bytes at the start of a file; after every
// read the string stack is balanced and the position inside the file.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/frame/runtime_reset.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/item_scanner.h"
#include "runtime/io/line_reader.h"
#include "runtime/io/open_channel.h"
#include "runtime/io/read_items.h"
#include "runtime/text/string_stack.h"

namespace tolvex::fuzz {
namespace {

constexpr uint32_t kMaxItems = 3;
constexpr uint32_t kItemTypes[] = {io::kItemInt16,  io::kItemInt32,   io::kItemSingle,
                                   io::kItemDouble, io::kItemByte,    io::kItemAutomatic,
                                   io::kItemString, io::kItemString12};

// Opens `bytes`, written to a scratch file, on `channel` for input.
void OpenBytes(int16_t channel, const std::string& bytes) {
  const std::string path = ScratchDirectory() + "/channel-" + std::to_string(channel);
  PutFile(path, bytes);
  text::PushConstText(text::ConstText(path));
  io::OpenChannel(1, 3, static_cast<uint16_t>(channel), 0, 0);
}

const io::FileControl& ControlOf(int16_t channel) {
  return *io::SlotAt(io::LookupChannel(channel))->control;
}

// A line as the rules cut it: up to CR or CR LF, or a 0x1A that is the
// last byte; NUL bytes dropped; more than 32,767 bytes is too long.
struct ReferenceLine {
  std::string text;
  uint32_t end = 0;  // offset after the line and its end
  bool too_long = false;
};

ReferenceLine CutLine(const std::string& file, uint32_t at) {
  ReferenceLine line;
  const auto size = static_cast<uint32_t>(file.size());
  for (; at < size; ++at) {
    const char byte = file[at];
    if (byte == '\r') {
      at += at + 1 < size && file[at + 1] == '\n' ? 2 : 1;
      break;
    }
    if (byte == '\x1a' && at == size - 1) {
      ++at;
      break;
    }
    if (byte == '\0') continue;
    if (line.text.size() == io::kLongestLine) {
      line.too_long = true;
      break;
    }
    line.text += byte;
  }
  line.end = at;
  return line;
}

// Raises `code` at `location`, by the call.
template <class Read>
bool Raises(Read read, int16_t code, uint32_t location) {
  try {
    read();
  } catch (const core::RuntimeError& error) {
    core::Errors().processing = false;
    return error.code == code && error.location == location;
  }
  return false;
}

// Reads `file` line by line from `at` to its end. (The line's text is
// given back before the variable goes: the heap must not keep its address.)
void CheckLines(const std::string& file, uint32_t at) {
  text::StringValue line;
  for (;;) {
    io::SelectLineSource(1);
    if (at == file.size()) {
      FUZZ_CHECK(
          Raises([&] { io::ReadLine(&line); }, core::kErrInputPastEnd, core::kLocReadLine));
      break;
    }
    const ReferenceLine expected = CutLine(file, at);
    if (expected.too_long) {
      FUZZ_CHECK(
          Raises([&] { io::ReadLine(&line); }, core::kErrStringTooLong, core::kLocReadLine));
      FUZZ_CHECK(ControlOf(1).position == at);
      break;
    }
    io::ReadLine(&line);
    FUZZ_CHECK(text::Bytes(line) == expected.text && ControlOf(1).position == expected.end);
    FUZZ_CHECK(text::StackDepth() == 0);
    at = expected.end;
  }
  text::ReleaseText(line);
}

// The first bytes of every file before its content: a short text item,
// then filler up to the content.
std::string Lead(uint32_t size) { return "p," + std::string(size - 2, 'p'); }

// Puts the file on `channel`, which starts with Lead(offset), at `offset` as
// if the lead had been read as an item: reading its first two bytes fills
// the read-ahead from the start of the file; walking the filler too would
// ask the system for nothing more, it would only take most of the time.
void ReadLead(int16_t channel, uint32_t offset) {
  text::StringValue lead;
  const io::InputItem item[] = {{&lead, io::kItemString}};
  io::SelectItemSource(channel);
  io::ReadItems({1, item});
  text::ReleaseText(lead);
  io::FileControl& control = *io::SlotAt(io::LookupChannel(channel))->control;
  FUZZ_CHECK(control.position == 2 && control.cache_start == 0);
  control.position = offset;
}

// The content `shift` bytes before the read-ahead's edge, after a lead; or
// after one line that the content continues, which then crosses the edge
// near the longest line allowed.
void CheckLinesAtTheEdge(const std::string& content, uint32_t shift, bool joined) {
  const uint32_t first = io::kReadAheadBytes - shift;
  const std::string file = (joined ? std::string(first, 'p') : Lead(first)) + content;
  OpenBytes(1, file);
  if (!joined) ReadLead(1, first);
  CheckLines(file, joined ? 0 : first);
}

// One ReadItems: the error it raised, the values stored, the bytes consumed.
struct ItemsRead {
  int16_t code = 0;
  uint32_t location = 0;
  std::string values;
  uint32_t consumed = 0;
  bool operator==(const ItemsRead&) const = default;
};

// The variables of the items, one set per channel; string variables stay in
// place while the heap knows them.
text::StringValue g_strings[3][kMaxItems];

ItemsRead ReadOnce(int16_t channel, const std::vector<uint32_t>& types) {
  alignas(16) unsigned char numbers[kMaxItems][16] = {};
  io::InputItem items[kMaxItems];
  for (uint32_t i = 0; i < types.size(); ++i)
    items[i] = {
        io::IsNumericItem(types[i]) ? static_cast<void*>(numbers[i]) : &g_strings[channel][i],
        types[i]};
  ItemsRead read;
  const uint32_t start = ControlOf(channel).position;
  try {
    io::SelectItemSource(channel);
    io::ReadItems({static_cast<uint32_t>(types.size()), items});
  } catch (const core::RuntimeError& error) {
    core::Errors().processing = false;
    read.code = error.code;
    read.location = error.location;
  }
  FUZZ_CHECK(text::StackDepth() == 0);
  FUZZ_CHECK(ControlOf(channel).position <= ControlOf(channel).length);
  read.consumed = ControlOf(channel).position - start;
  for (uint32_t i = 0; i < types.size(); ++i) {
    read.values += io::IsNumericItem(types[i])
                       ? std::string(reinterpret_cast<const char*>(numbers[i]), 10)
                       : text::Bytes(g_strings[channel][i]);
  }
  return read;
}

// The bytes at the start of a file (channel 1) and after a lead that puts
// them `shift` bytes before the read-ahead's edge (channel 2).
void CheckItems(const std::string& content, uint32_t shift, const std::vector<uint32_t>& lists) {
  OpenBytes(1, content);
  const uint32_t first = io::kReadAheadBytes - shift;
  OpenBytes(2, Lead(first) + content);
  ReadLead(2, first);
  for (size_t read = 0; read <= content.size(); ++read) {
    const uint32_t list = lists[read % lists.size()];
    std::vector<uint32_t> types;
    for (uint32_t i = 0; i <= list % kMaxItems; ++i)
      types.push_back(kItemTypes[(list >> (3 * i + 2)) % std::size(kItemTypes)]);
    const ItemsRead at_start = ReadOnce(1, types);
    FUZZ_CHECK(ReadOnce(2, types) == at_start);
    // A field that could not be cut leaves the position where it was.
    if (at_start.location == core::kLocReadItemsField) break;
  }
}

// The provider takes its choices from the end: a seed is the file's bytes,
// then the item lists (4 bytes each) and their count, the shift and the mode.
std::vector<std::string> Seeds() {
  const std::string contents[] = {"abc\r\ndef\rghi\njkl",
                                  "a\r\rb",
                                  std::string("mid\x1a") + "dle\r\n\x1a",
                                  "end\x1a",
                                  "\x95\x57\x8D\x82,12.34\r\nlabel2,-9999.\r\n",
                                  "\"a,b\",next:3 4\r\n&HFF,\"q\"x,y\r\n",
                                  "1 2\r\n  -3.5,\t7\r\n32768,1E50,-1D-400,,\r\n"};
  std::vector<std::string> seeds;
  for (const std::string& content : contents) {
    for (const char mode : {'\0', '\1'}) {
      for (const char shift : {'\0', '\x03', '\x09'}) {
        seeds.push_back(content + "\x1a\x00\x00\x00\x19\x00\x00\x00" + std::string(1, '\x01') +
                        std::string(1, shift) + mode);
      }
    }
  }
  return seeds;
}

}  // namespace
}  // namespace tolvex::fuzz

FUZZ_SEEDS(tolvex::fuzz::Seeds)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvex;
  frame::ResetRuntime();
  for (auto& strings : fuzz::g_strings)
    for (auto& variable : strings) variable = text::StringValue{};
  FuzzedDataProvider input(data, size);
  const bool lines = input.ConsumeBool();
  const auto shift = input.ConsumeIntegralInRange<uint32_t>(0, 255);
  if (lines) {
    const bool joined = input.ConsumeIntegralInRange(0, 7) == 0;
    fuzz::CheckLinesAtTheEdge(input.ConsumeRemainingBytesAsString(), shift, joined);
    return 0;
  }
  std::vector<uint32_t> lists(input.ConsumeIntegralInRange<size_t>(1, 8));
  for (uint32_t& list : lists) list = input.ConsumeIntegral<uint32_t>();
  fuzz::CheckItems(input.ConsumeRemainingBytesAsString(), shift, lists);
  return 0;
}
