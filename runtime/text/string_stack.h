// The StringStack: 85 entries on which every string operand and result
// travels, and the operations that push, pop, join and assign through it.
#pragma once
#include <cstdint>
#include <cstring>

#include "runtime/text/string_heap.h"
#include "runtime/text/string_value.h"

namespace tolvex::text {

constexpr uint16_t kStringStackEntries = 85;

// Pushes a copy of a constant as a new temporary (NewTempText).
void PushConstText(const StringValue& constant);
// Pushes a reference to a variable: nothing is copied.
void PushVarText(StringValue* variable);
// Removes the top entry and returns a copy of the record it refers to. A
// variable's copy keeps the variable's kind (0 or 0x10): don't release it.
StringValue PopText();
// Stores `length` bytes as a new block and pushes a temporary for it.
// Length 0 pushes the empty temporary {0x20, 0, null} and uses no heap.
void NewTempText(uint32_t length, const uint8_t* bytes);
// Marks the block of a kind 0x10 or 0x20 record free; others are left alone.
void ReleaseText(const StringValue& record);
// What every consumer does with a popped operand once it is done with it:
// release it when it is a temporary, leave a variable's text alone.
inline void ReleaseIfTemporary(const StringValue& operand) {
  if (operand.kind == kTemporary) ReleaseText(operand);
}
// Pops right, then left; pushes left followed by right.
// Example: PushVarText(&base), PushConstText(ConstText(".xml")), ConcatText().
void ConcatText();
// Pops a value into `variable`; a temporary's block is handed over, not copied.
void AssignText(StringValue* variable);
// Assigns `length` bytes (not in the heap) to `variable` as
// NewTempText(length, bytes) then AssignText(variable) do, but by
// overwriting the variable's text in place, so no block is made and the
// heap never fills: true when the variable (kind 0x10) holds exactly
// `length` bytes and that pair would neither raise nor take memory now (the
// stack made and not full, room for the block). Otherwise false, nothing
// changed, and the caller runs the pair. Entries of a tile all carry labels
// of one length, read into the same variable: inline.
inline bool AssignSameLength(StringValue* variable, uint32_t length, const uint8_t* bytes);
// Pushes `count` bytes, one per code; a code above 255 (unsigned) is error 5.
void CharText(uint16_t count, const int32_t* codes);
// Releases every temporary on the stack, frees the stack, depth 0.
void ReleaseTemps();
inline uint16_t StackDepth();
// Drops the entries above `depth` without releasing them.
inline void SetStackDepth(uint16_t depth);

// Tests and the end of the program: free the stack, the heap, the scratch area.
void ResetStrings();

// ------------------------------------------------------------ inline steps

namespace string_stack_detail {
struct StackEntry;
extern StackEntry* entries;  // 85 entries, made on first push
extern uint16_t depth;
}  // namespace string_stack_detail

inline uint16_t StackDepth() { return string_stack_detail::depth; }

inline void SetStackDepth(uint16_t depth) { string_stack_detail::depth = depth; }

[[gnu::always_inline]] inline bool AssignSameLength(StringValue* variable, uint32_t length,
                                                    const uint8_t* bytes) {
  if (variable->kind != kStringVariable || variable->length != length) return false;
  if (string_stack_detail::entries == nullptr ||
      string_stack_detail::depth >= kStringStackEntries)
    return false;
  if (length == 0) return true;  // the empty text takes no block
  if (!AppendNeedsNoMemory(length)) return false;
  // The variable owns its block alone: writing through it is the assignment.
  auto* text = const_cast<uint8_t*>(variable->bytes);
  if (length >= 4 && length <= 8) {
    // Two overlapping moves of fixed size cost less than a call to copy.
    uint32_t head, tail;
    std::memcpy(&head, bytes, sizeof head);
    std::memcpy(&tail, bytes + length - sizeof tail, sizeof tail);
    std::memcpy(text, &head, sizeof head);
    std::memcpy(text + length - sizeof tail, &tail, sizeof tail);
  } else {
    std::memcpy(text, bytes, length);
  }
  return true;
}

}  // namespace tolvex::text
