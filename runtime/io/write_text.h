// Text output to the current output target: SelectOutputChannel, WriteText
// and the file path's FormatOutputText (line terminators, print zones of 14
// columns, tabs, line width, column bookkeeping). The screen's path is the
// console's. Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::io {

constexpr uint32_t kPrintZone = 14;
constexpr uint32_t kWorkExtra = 4096;  // room for the terminator and breaks

// Line terminator codes of WriteText.
enum Terminator : int32_t { kEndLine = 0, kNextZone = 1, kNoTerminator = 2 };

// Makes `channel` the output target. Errors: outside 1..255 50 at 0x5301;
// not open 57 at 0x5302. The slot's kind is checked by the write.
void SelectOutputChannel(int16_t channel);

// Pops a text (a temporary is released) and writes it with its terminator
// to the output target, as one piece. Errors: 89 at 0x5701 without memory
// for the work copy; at 0x5702 FormatOutputText's code; at 0x5703 the
// write's: 51 for a file not open for text output (kinds 1, 4, 6), or the
// system's (67 for a full disk).
// Example: "nrows 750" with terminator 0 writes those 9 bytes and CR LF.
void WriteText(int32_t terminator);

// The work copy of one WriteText on a file: the text lies at its end,
// [capacity - text_length, capacity), and the formatted bytes are built from
// its start, so inserted line breaks never overtake unread text.
struct OutputWork {
  uint8_t* bytes;
  uint32_t capacity;
  uint32_t text_length;
  uint32_t formatted_length;  // set by FormatOutputText
};

// Formats the work copy for the file target `slot_index` with the file's
// column and width, adds the terminator (0 CR LF; 1 blanks to the next print
// zone, or CR LF when the zone would not fit the width; 2 nothing) and stores
// the new column. The one-byte text 0C (form feed) sets the column to 0.
// When a width forces a break and an earlier write left the column above 0,
// that line is ended at once with a CR LF written to the file. Errors at
// 0x5702: 51 for the keyboard's slot, 27 for a slot that cannot be reached,
// 89 when inserted breaks would outgrow the work copy, or the CR LF write's.
// Example: column 3, width 0, text "", terminator 1 -> 11 blanks, column 14.
void FormatOutputText(int32_t slot_index, OutputWork* work, int32_t terminator);

}  // namespace tolvex::io
