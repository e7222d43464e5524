// The plain entry: ReadItems' one-pass path for the entry nearly every line
// of a tile is, a label and a plain decimal ("地表面,342.04" CR LF) read
// into a text item and a single straight from the read-ahead buffer. Holds
// no OS code.
#pragma once

#include "runtime/io/io_context.h"

namespace tolvex::io {

// Reads the next entry of the file input source `input` into the list
// {single, text} (entries in reverse order, as ReadItems takes them) when
// the entry and the runtime's state are of the plain shape, and returns
// true; the variables, the position, the item continuation and the stack
// depth are then exactly what the general path of ReadItems leaves, and no
// memory was taken. Otherwise returns false with nothing changed, before
// anything is read, so the general path reads the entry, raising what it
// raises.
// The plain shape, all of it inside the read-ahead buffer and before the
// file's length: a label of bytes that steer no field (none of NUL, CR,
// 0x1A, blank, quote, comma, colon), a comma, a plain decimal
// (ScanPlainDecimal, ended by the CR) whose single ScaledSingle computes,
// CR LF. The label goes in place (text::AssignSameLength), so a label of
// another length than the variable's takes the general path once. The
// read-ahead buffer, the item buffer and the stack must be there already.
// Example: "ab,-0012.50\r\n" gives "ab" and -12.5f, position past the LF;
// "ab,1E3\r\n", "a b,1\r\n" and "ab,1\r" (at the end of the file) do not.
bool ReadPlainEntry(const InputContext& input, const ItemList& list);

// Tests: false sends every entry through the general path (on at start).
void EnablePlainEntries(bool enabled);

}  // namespace tolvex::io
