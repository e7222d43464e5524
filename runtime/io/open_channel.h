// OpenChannel: binds a channel number to a file (or a device) opened in one
// of eleven open modes. Holds no OS code beyond the file seam.
//
// On this system:
// - Names are code page 932 inside the runtime and UTF-8 at the system, so
//   a tile stored as 標高.xml is found when the user types 標高; ASCII passes
//   unchanged; a name with no UTF-8 form fails with 55.
// - The full path is the current directory, "/" and the name (a name that
//   starts with "/" is already full). It must fit in 260 bytes in code page
//   932, as the runtime keeps it; when the directory has no code page 932
//   form the UTF-8 length is measured instead. A longer path fails with 55;
//   nothing is ever cut.
// - A drive prefix is checked and rewritten as on a drive-letter system
//   (12:X.DAT becomes M:X.DAT, AB:X.DAT is refused with 5), and the result is
//   then an ordinary file name in the current directory: there are no drives.
//   "\" is an ordinary byte (it is also a trail byte of double-byte names).
// - Share codes are checked and defaulted but ask for no locks: other
//   programs are not kept out. Modes 2 and 9 create with O_EXCL, so an
//   existing file is refused (64) without being opened or touched.
// - "KYBD:" binds the channel to the keyboard (mode 1 only) and "SCRN:" to
//   the screen (modes 2, 3, 11); other modes give 51. Printers and serial
//   ports do not exist here: 28.
#pragma once
#include <cstdint>

namespace tolvex::io {

// The open modes, by the numbers programs pass.
enum OpenMode : uint16_t {
  kModeDefault = 0,            // taken as kModeRandomReadWrite, share kShareReadWrite
  kModeSequentialInput = 1,    // read; missing: 63
  kModeSequentialOutput = 2,   // write a new file; existing: 64
  kModeAppend = 3,             // read and write at the end; created when missing
  kModeRandomRead = 4,         // missing: 63
  kModeRandomWrite = 5,        // contents kept; created when missing
  kModeRandomReadWrite = 6,    // contents kept; created when missing
  kModeRandomExisting = 7,     // read and write; missing: 63
  kModeBinaryInput = 8,        // missing: 63
  kModeBinaryOutput = 9,       // write a new file; existing: 64
  kModeBinaryReadWrite = 10,   // contents kept; created when missing
  kModeSequentialReplace = 11, // emptied and rewritten, or created
  kLastOpenMode = kModeSequentialReplace,
};

// What other programs may do with the file while it is open.
enum ShareCode : uint16_t {
  kShareDefault = 0,  // the mode's default
  kShareRead = 1,
  kShareWrite = 2,
  kShareReadWrite = 3,
  kShareNothing = 4,
};

// The default record length, a program option fixed at build time.
constexpr uint16_t kDefaultRecordLength = 256;
constexpr uint16_t kLargestRecordLength = 2048;

// Pops the file name from the StringStack (a temporary is released) and
// opens it on `channel`. Checks in this order: name over 260 bytes 55 at
// 0x2001; channel outside 1..255 50 at 0x2002; channel open 52 at 0x2003;
// mode above 11 51 at 0x2007; share code 51 at 0x2004..0x2006; record length
// given outside modes 4..7 51 at 0x2009 or outside 1..2048 5 at 0x200A; then
// the open itself, whose code (63 missing, 64 exists, 75 refused, ...) is
// raised at 0x2008. A failed open leaves the channel closed and no slot.
// Example: push "tile.xml", OpenChannel(kModeSequentialInput, kShareReadWrite, 1, 0, 0).
void OpenChannel(uint16_t mode, uint16_t share, uint16_t channel, uint32_t has_length,
                 int32_t length);

}  // namespace tolvex::io
