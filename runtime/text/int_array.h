// Integer arrays: DimIntArray creates one from the routine's description,
// IntElement checks the indexes and returns an element's address.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tolvex::text {

constexpr uint8_t kMaxDimensions = 60;
constexpr uint8_t kElementInt16 = 0;

struct BoundsRecord {
  uint8_t dimension_count = 0;
  uint32_t element_counts[kMaxDimensions] = {};  // upper bound + 1
};

struct ArrayDescriptor {
  uint8_t kind = 0;
  uint8_t element_type = 0;
  void* data = nullptr;  // null while not created
  BoundsRecord* bounds = nullptr;
};

// The request record of both operations; `numbers` holds the upper bounds
// (DimIntArray) or the indexes (IntElement), in declaration order.
struct ElementRequest {
  uint8_t element_type = kElementInt16;
  uint8_t dimension_count = 0;
  uint32_t element_size = 2;
  ArrayDescriptor* descriptor = nullptr;
  BoundsRecord* bounds = nullptr;
  uint32_t numbers[kMaxDimensions] = {};
};

// Creates the array, zero-filled; error 10 at 0x1002 when created already.
void DimIntArray(const ElementRequest& request);
// Address of the element; the first index varies fastest. Creates the array
// with upper bound 10 per dimension when it was never created.
// Example: grid (750, 1125): element (row, column) at column * 751 + row.
// Inline for two dimensions: the grid is addressed twice per cell.
inline void* IntElement(const ElementRequest& request);

// Gives back every registered array (the end of the program, and tests).
void ReleaseArrays();

// ------------------------------------------------------------ inline steps

namespace int_array_detail {
// IntElement with the creation and every check that raises.
void* CheckedElement(const ElementRequest& request);
}  // namespace int_array_detail

inline void* IntElement(const ElementRequest& request) {
  // A created array of two dimensions (the routine's grid) and indexes
  // within its bounds: the address alone. Every other case takes the call.
  const ArrayDescriptor& descriptor = *request.descriptor;
  if (descriptor.data != nullptr && descriptor.bounds->dimension_count == 2) {
    const uint32_t* counts = descriptor.bounds->element_counts;
    const uint32_t first = request.numbers[0];
    const uint32_t second = request.numbers[1];
    if (first < counts[0] && second < counts[1]) [[likely]] {
      const size_t position = size_t{second} * counts[0] + first;
      return static_cast<uint8_t*>(descriptor.data) + position * request.element_size;
    }
  }
  return int_array_detail::CheckedElement(request);
}

}  // namespace tolvex::text
