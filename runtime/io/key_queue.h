// The console's key queue: a ring of 256 bytes holding at most 255 keys, each
// a character byte or a console key code. Holds no OS code.
#pragma once
#include <cstdint>

namespace tolvex::io {

// Console key codes (bytes below 32 that the key-down side queues).
enum KeyCode : uint8_t {
  kKeyCut = 0,  // not queued: TakeKey's answer when the wait was cut off
  kKeyBreak = 3,
  kKeyDelete = 4,
  kKeyEraseEnd = 5,  // Ctrl+E
  kKeyBackSpace = 8,
  kKeyHome = 11,
  kKeyClear = 12,  // Clear, Shift+Home, Ctrl+L
  kKeyEnter = 13,
  kKeyInsert = 18,
  kKeyPageUp = 19,
  kKeyPageDown = 20,
  kKeyEnd = 21,
  kKeyCancelLine = 24,  // Ctrl+X
  kKeyEscape = 27,
  kKeyRight = 28,
  kKeyLeft = 29,
  kKeyUp = 30,
  kKeyDown = 31,
};

constexpr int kKeyQueueCapacity = 255;

// A dispatched key press: queues the byte; byte 3 (Ctrl+C) first marks the
// break pending. A full queue drops the key and beeps; key 0 is dropped.
void DeliverKey(uint8_t key);
// Removes the first key; false when the queue is empty.
bool PopKey(uint8_t* key);
int KeyCount();
void ClearKeyQueue();

// Waits for a key, dispatching window messages while the queue is empty.
// False when the window was closed or its input ended (the cut-off wait).
// Does not run the break check.
bool WaitForKey(uint8_t* key);
// Taking a key for the line editor: WaitForKey, 0 when cut off; a key 3 runs
// the break check first (with the break enabled it does not return).
uint8_t TakeKey();

void ResetKeyQueue();

}  // namespace tolvex::io
