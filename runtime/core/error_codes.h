// Every runtime error code and every error location, in one place.
// A location is (operation number << 8) | raising point; it never reaches the
// screen, only the error record (FUNC = location >> 8, INFO = location & 0xFF).
#pragma once
#include <cstdint>

namespace tolvex::core {

// ---------------------------------------------------------------- codes
enum : int16_t {
  kErrNone = 0,
  kErrIllegalArgument = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscriptOutOfRange = 9,
  kErrArrayAlreadyCreated = 10,
  kErrDivisionByZero = 11,
  kErrTypeMismatch = 13,
  kErrStringTooLong = 15,
  kErrStringStackFull = 16,
  kErrSystemUnknown = 27,
  kErrNotSupported = 28,
  kErrBadChannelNumber = 50,
  kErrBadFileMode = 51,
  kErrChannelAlreadyOpen = 52,
  kErrInputPastEnd = 54,
  kErrBadFileName = 55,
  kErrChannelNotOpen = 57,
  kErrBadInputItem = 58,
  kErrDriveLocked = 59,
  kErrDeviceFault = 60,
  kErrBufferOverflow = 61,
  kErrFileNotFound = 63,
  kErrFileExists = 64,
  kErrTooManyFiles = 66,
  kErrDiskFull = 67,
  kErrBadFormat = 71,
  kErrDriveNotReady = 72,
  kErrWriteProtected = 73,
  kErrAccessDenied = 75,
  kErrStringHeap = 82,
  kErrResources = 89,
  kErrFileIoDisabled = 90,
  kErrBreak = 98,
  kErrNoWindow = 1000,
  kErrNotConsole = 1002,
  kErrGraphicsMode = 1006,
};

// ------------------------------------------------------------ locations
enum : uint32_t {
  // String stack and heap
  kLocStackFull = 0xC501,          // 16: push onto a full stack; 7: first heap allocation
  kLocStackMemory = 0xC502,        // 7: stack memory or the work copy of NewTempText
  kLocHeapGrow = 0xC503,           // 82
  kLocHeapShrink = 0xC601,         // 82
  kLocConcatLength = 0xC401,       // 15
  kLocScratchBuffer = 0x7A01,      // 7
  kLocAssignKind = 0xC201,         // 13
  kLocCharCode = 0x9201,           // 5
  kLocCharBuffer = 0x9202,         // 7

  // Substrings
  kLocFindTextStart = 0x9801,      // 5
  kLocMidTextRange = 0x9A01,       // 5

  // Integer arrays
  kLocArrayTwice = 0x1002,         // 10
  kLocArrayBound = 0x1003,         // 5
  kLocArrayCount = 0xC701,         // 9 count overflow; 7 no memory for the elements
  kLocArrayBytes = 0xC702,         // 9
  kLocArrayTooLarge = 0xC703,      // 9
  kLocRegisterFirst = 0xC801,      // 7
  kLocRegisterTooLarge = 0xC802,   // 89
  kLocRegisterGrow = 0xC803,       // 7
  kLocIndexLast = 0xBF02,          // 9
  kLocIndexOther = 0xBF03,         // 9

  // Numeric model
  kLocFloatInvalid = 0xE001,       // 5
  kLocFloatZeroDivide = 0xE002,    // 11
  kLocFloatOverflow = 0xE003,      // 6
  kLocStatusInvalid = 0xDF01,      // 5  (CheckFloat given a status word)
  kLocStatusZeroDivide = 0xDF02,   // 11
  kLocStatusOverflow = 0xDF03,     // 6
  kLocIntDivide = 0xE101,          // 11
  kLocLongToInt16 = 0xE201,        // 6
  kLocArgToInt16 = 0xE301,         // 6
  kLocArgToInt32 = 0xE401,         // 6
  kLocArgToSingle = 0xE501,        // 6
  kLocArgToDouble = 0xE601,        // 6
  kLocNextCounter = 0xE701,        // 6
  kLocNextCounter32 = 0xE801,      // 6
  kLocNextCounter8 = 0xF401,       // 6
  kLocArgToByte = 0xF601,          // 6
  kLocToInt16 = 0xF701,            // 6
  kLocToInt32 = 0xF801,            // 6
  kLocValueOfText = 0x9F01,        // 6
  kLocPictureEmptyCopy = 0x9701,   // 7
  kLocPictureCopy = 0x9702,        // 7
  kLocPictureOutput = 0x9703,      // 7
  kLocPictureField = 0x9704,       // 5 no field; 13 field of a refused kind

  // File channels
  kLocOpenNameLength = 0x2001,     // 55
  kLocOpenChannel = 0x2002,        // 50
  kLocOpenAlreadyOpen = 0x2003,    // 52
  kLocOpenMode0Share = 0x2004,     // 51
  kLocOpenMode1Share = 0x2005,     // 51
  kLocOpenSeqShare = 0x2006,       // 51
  kLocOpenModeRange = 0x2007,      // 51
  kLocOpenFailed = 0x2008,         // the open's own code
  kLocOpenLengthMode = 0x2009,     // 51
  kLocOpenLengthRange = 0x200A,    // 5
  kLocCloseChannels = 0x1E01,      // 50
  kLocCloseWrite = 0x1E02,         // the end-of-file mark or the close itself failed: mapped OS code

  // Sequential reading
  kLocLineSourceChannel = 0x4F01,  // 50
  kLocLineSourceClosed = 0x4F02,   // 57
  kLocLineSourceKind = 0x4F03,     // 51
  kLocItemSourceChannel = 0x4D01,  // 50
  kLocItemSourceClosed = 0x4D02,   // 57
  kLocItemSourceKind = 0x4D03,     // 51
  kLocReadLineBuffer = 0x5001,     // 7
  kLocReadLine = 0x5002,           // the line reader's code
  kLocReadItemsBuffer = 0x4E01,    // 7 (file and keyboard)
  kLocReadItemsEdit = 0x4E02,      // EditLine's status (keyboard)
  kLocReadItemsField = 0x4E03,     // ReadField's code
  kLocReadItemsScan = 0x4E04,      // 58
  kLocStoreOverflow = 0x6F01,      // 6
  kLocStoreKind = 0x6F02,          // 13

  // Writing
  kLocSelectOutputChannel = 0x5301,  // 50
  kLocSelectOutputClosed = 0x5302,   // 57
  kLocWriteTextBuffer = 0x5701,      // 89
  kLocWriteTextFormat = 0x5702,      // FormatOutputText's code
  kLocWriteTextWrite = 0x5703,       // the write's code
  kLocWriteBinaryChannel = 0x1901,   // 50
  kLocWriteBinaryClosed = 0x1902,    // 57
  kLocWriteBinaryKind = 0x1903,      // 51
  kLocWriteBinaryNotFile = 0x1904,   // 51
  kLocWriteBinaryWrite = 0x1905,     // mapped OS code
  kLocWriteBinaryString = 0x1906,    // 13
  kLocWriteBinaryStringWrite = 0x1907,  // mapped OS code
  kLocWriteBinarySlot = 0x1908,      // 51

  // Console
  kLocSelectConsoleResolve = 0x5201,  // 1000
  kLocSelectConsoleGone = 0x5202,     // 1000
  kLocPromptResolve = 0x4C01,         // 1000
  kLocPromptNotConsole = 0x4C02,      // 1002
  kLocPromptGone = 0x4C03,            // 1000
  kLocPromptGraphics = 0x4C04,        // 1006
  kLocBreak = 0x0000,                 // 98 from Ctrl+X in an entry

  // The conversion routine's own check
  kLocTileCorners = 0x0101,           // 5: corners outside the model's area
};

}  // namespace tolvex::core
