// The StringStack and the operations that push, pop, join and assign through
// it. Strings live in the StringHeap; a temporary's block is owned by its
// stack entry's own record, a variable's block by the variable.
#include "runtime/text/string_stack.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/os/memory.h"
#include "runtime/text/scratch_buffer.h"
#include "runtime/text/string_heap.h"

namespace tolvex::text {

namespace string_stack_detail {
// An entry refers to a record: its own room for temporaries (and kind 0x11),
// the variable itself otherwise.
struct StackEntry {
  StringValue* ref;
  StringValue own;
};
StackEntry* entries = nullptr;
uint16_t depth = 0;
}  // namespace string_stack_detail

namespace {

using core::RaiseError;

constexpr uint32_t kMaxLength = 0x7FFFFFFF;

using string_stack_detail::StackEntry;
StackEntry*& g_entries = string_stack_detail::entries;
uint16_t& g_depth = string_stack_detail::depth;

bool IsTemporaryKind(uint8_t kind) { return kind == kTemporary || kind == kPushedLikeTemp; }

// Returns the record the new entry refers to.
StringValue* Push(StringValue* record) {
  if (g_depth >= kStringStackEntries) {
    RaiseError(core::kErrStringStackFull, core::kLocStackFull);
    return nullptr;
  }
  if (g_entries == nullptr) {
    g_entries = static_cast<StackEntry*>(
        os::AllocateZeroed(sizeof(StackEntry) * kStringStackEntries));
    if (g_entries == nullptr) {
      RaiseError(core::kErrOutOfMemory, core::kLocStackMemory);
      return nullptr;
    }
    g_depth = 0;
  }
  StackEntry& entry = g_entries[g_depth++];
  if (IsTemporaryKind(record->kind)) {
    entry.own = *record;
    entry.ref = &entry.own;
  } else {
    entry.ref = record;
  }
  return entry.ref;
}

}  // namespace

void NewTempText(uint32_t length, const uint8_t* bytes) {
  StringValue temporary{kTemporary, 0, nullptr};
  if (length > 0) {
    temporary.bytes = AppendBlock(length, bytes);
    // No block (an error already being processed): push the empty string.
    if (temporary.bytes != nullptr) temporary.length = length;
  }
  StringValue* owner = Push(&temporary);
  if (owner != nullptr && owner->bytes != nullptr) SetBlockOwner(owner->bytes, owner);
}

void PushConstText(const StringValue& constant) { NewTempText(constant.length, constant.bytes); }

void PushVarText(StringValue* variable) { Push(variable); }

StringValue PopText() {
  // Callers pop exactly what they pushed: the stack is never empty here.
  return *g_entries[--g_depth].ref;
}

void ReleaseText(const StringValue& record) {
  if ((record.kind == kStringVariable || record.kind == kTemporary) && record.bytes != nullptr)
    FreeBlock(record.bytes);
}

void ConcatText() {
  StringValue right = PopText();
  StringValue left = PopText();
  if (right.length > kMaxLength - left.length) {
    ReleaseIfTemporary(right);
    ReleaseIfTemporary(left);
    RaiseError(core::kErrStringTooLong, core::kLocConcatLength);
    return;
  }
  uint32_t total = left.length + right.length;
  if (total == 0) {
    ReleaseIfTemporary(right);
    ReleaseIfTemporary(left);
    NewTempText(0, nullptr);
    return;
  }
  uint8_t* scratch = TryTakeScratch(total);
  if (scratch == nullptr) {
    ReleaseIfTemporary(right);
    ReleaseIfTemporary(left);
    RaiseError(core::kErrOutOfMemory, core::kLocScratchBuffer);
    return;
  }
  if (left.length > 0) std::memcpy(scratch, left.bytes, left.length);
  if (right.length > 0) std::memcpy(scratch + left.length, right.bytes, right.length);
  ReleaseIfTemporary(right);
  ReleaseIfTemporary(left);
  NewTempText(total, scratch);
  GiveBackScratch();
}

void AssignText(StringValue* variable) {
  StringValue value = PopText();
  if (variable->kind == kFixedKind12 || variable->kind == kFixedKind13) {
    ReleaseIfTemporary(value);
    RaiseError(core::kErrTypeMismatch, core::kLocAssignKind);
    return;
  }
  if (value.kind != kTemporary) {
    // A variable (or one never assigned): take a copy of its bytes first,
    // which also makes assigning a variable to itself safe.
    NewTempText(value.length, value.bytes);
    value = PopText();
  }
  if (variable->kind == kStringVariable && variable->bytes != nullptr)
    FreeBlock(variable->bytes);
  *variable = StringValue{kStringVariable, value.length, value.bytes};
  if (variable->bytes != nullptr) SetBlockOwner(variable->bytes, variable);
}

void CharText(uint16_t count, const int32_t* codes) {
  auto* buffer = static_cast<uint8_t*>(os::Allocate(size_t{count} + 1));
  if (buffer == nullptr) {
    RaiseError(core::kErrOutOfMemory, core::kLocCharBuffer);
    return;
  }
  for (uint16_t i = 0; i < count; ++i) {
    if (static_cast<uint32_t>(codes[i]) > 255) {
      os::Release(buffer);
      RaiseError(core::kErrIllegalArgument, core::kLocCharCode);
      return;
    }
    buffer[i] = static_cast<uint8_t>(codes[i]);
  }
  // NewTempText copies the bytes before anything can raise, so the buffer
  // is freed on every way out.
  struct Release {
    uint8_t* block;
    ~Release() { os::Release(block); }
  } release{buffer};
  NewTempText(count, buffer);
}

void ReleaseTemps() {
  if (g_entries != nullptr) {
    for (uint16_t i = 0; i < g_depth; ++i)
      if (g_entries[i].ref == &g_entries[i].own) ReleaseIfTemporary(g_entries[i].own);
  }
  os::Release(g_entries);
  g_entries = nullptr;
  g_depth = 0;
}

void ResetStrings() {
  os::Release(g_entries);
  g_entries = nullptr;
  g_depth = 0;
  GiveBackScratch();
  ResetStringHeap();
}

}  // namespace tolvex::text
