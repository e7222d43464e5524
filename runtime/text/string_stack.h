// The StringStack: 85 entries on which every string operand and result
// travels, and the operations that push, pop, join and assign through it.
#pragma once
#include <cstdint>

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
// Pushes `count` bytes, one per code; a code above 255 (unsigned) is error 5.
void CharText(uint16_t count, const int32_t* codes);
// Releases every temporary on the stack, frees the stack, depth 0.
void ReleaseTemps();
uint16_t StackDepth();
// Drops the entries above `depth` without releasing them.
void SetStackDepth(uint16_t depth);

// Tests and the end of the program: free the stack, the heap, the scratch area.
void ResetStrings();

}  // namespace tolvex::text
