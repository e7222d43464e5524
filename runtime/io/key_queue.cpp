// The key queue (see key_queue.h): a 256-byte ring with 8-bit indices, and
// the wait for a key that dispatches the window's messages. Holds no OS code.
#include "runtime/io/key_queue.h"

#include "runtime/core/break_event.h"
#include "runtime/io/window_system.h"

namespace tolvex::io {
namespace {

struct KeyRing {
  uint8_t keys[256] = {};
  uint8_t read = 0;   // 8-bit indices wrap at 256 by themselves
  uint8_t write = 0;  // empty when equal; full when write + 1 == read
};

KeyRing g_ring;

}  // namespace

void DeliverKey(uint8_t key) {
  // Key 0 is what TakeKey answers for a cut-off wait: queued, a typed NUL
  // (Ctrl+Space) would end the program as if the window had closed.
  if (key == kKeyCut) return;
  if (key == kKeyBreak) core::MarkBreakPending();
  if (static_cast<uint8_t>(g_ring.write + 1) == g_ring.read) {
    BeepConsole();
    return;
  }
  g_ring.keys[g_ring.write++] = key;
}

bool PopKey(uint8_t* key) {
  if (g_ring.read == g_ring.write) return false;
  *key = g_ring.keys[g_ring.read++];
  return true;
}

int KeyCount() { return static_cast<uint8_t>(g_ring.write - g_ring.read); }

void ClearKeyQueue() { g_ring.read = g_ring.write; }

bool WaitForKey(uint8_t* key) {
  while (!PopKey(key)) {
    WindowSystem* window = MainWindow();
    if (window == nullptr || !window->Exists()) return false;
    if (!window->WaitMessage() || !window->Exists()) return false;
  }
  return true;
}

uint8_t TakeKey() {
  uint8_t key = kKeyCut;
  if (!WaitForKey(&key)) return kKeyCut;
  if (key == kKeyBreak) core::BreakCheck();
  return key;
}

void ResetKeyQueue() { g_ring = KeyRing{}; }

}  // namespace tolvex::io
