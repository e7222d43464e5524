// Integer arrays (see int_array.h): creation with the array register and the
// overflow checks, and element addressing with the bound checks, the last
// index checked first.
#include "runtime/text/int_array.h"

#include <cstring>

#include "runtime/core/error_codes.h"
#include "runtime/core/runtime_error.h"
#include "runtime/os/memory.h"

namespace tolvex::text {
namespace {

using core::RaiseError;

constexpr uint32_t kMaxUpperBound = 0x7FFFFFFE;
constexpr uint32_t kMaxBytes = 0x7FFFFFFF;
constexpr uint32_t kImplicitUpperBound = 10;

// One entry per created array: the procedure frame current at creation (always
// 0 here, the routine has no procedures) and the descriptor.
struct RegisterEntry {
  uint32_t frame;
  ArrayDescriptor* descriptor;
};
RegisterEntry* g_register = nullptr;
uint32_t g_register_count = 0;

void AddRegisterEntry(ArrayDescriptor* descriptor) {
  const uint64_t bytes = (uint64_t{g_register_count} + 1) * sizeof(RegisterEntry);
  if (bytes > kMaxBytes) {
    RaiseError(core::kErrResources, core::kLocRegisterTooLarge);
    return;
  }
  auto* grown = static_cast<RegisterEntry*>(os::Allocate(bytes));
  if (grown == nullptr) {
    RaiseError(core::kErrOutOfMemory, g_register_count == 0 ? core::kLocRegisterFirst
                                                             : core::kLocRegisterGrow);
    return;
  }
  if (g_register_count > 0) std::memcpy(grown, g_register, g_register_count * sizeof(RegisterEntry));
  os::Release(g_register);
  g_register = grown;
  g_register[g_register_count++] = RegisterEntry{0, descriptor};
}

void RemoveLastRegisterEntry() { --g_register_count; }

// Allocates the elements of an array whose bounds record is filled in.
void AllocateElements(ArrayDescriptor* descriptor, uint32_t element_size) {
  AddRegisterEntry(descriptor);
  const BoundsRecord& bounds = *descriptor->bounds;
  uint32_t count = 1;
  for (uint8_t d = 0; d < bounds.dimension_count; ++d) {
    if (__builtin_mul_overflow(count, bounds.element_counts[d], &count)) {
      RemoveLastRegisterEntry();
      RaiseError(core::kErrSubscriptOutOfRange, core::kLocArrayCount);
      return;
    }
  }
  uint32_t bytes = 0;
  if (__builtin_mul_overflow(count, element_size, &bytes)) {
    RemoveLastRegisterEntry();
    RaiseError(core::kErrSubscriptOutOfRange, core::kLocArrayBytes);
    return;
  }
  if (bytes > kMaxBytes) {
    RemoveLastRegisterEntry();
    RaiseError(core::kErrSubscriptOutOfRange, core::kLocArrayTooLarge);
    return;
  }
  void* data = os::AllocateZeroed(bytes);
  if (data == nullptr) {
    RemoveLastRegisterEntry();
    RaiseError(core::kErrOutOfMemory, core::kLocArrayCount);
    return;
  }
  descriptor->data = data;
}

void Create(const ElementRequest& request, const uint32_t* upper_bounds) {
  ArrayDescriptor* descriptor = request.descriptor;
  descriptor->kind = 0;
  descriptor->element_type = request.element_type;
  descriptor->bounds = request.bounds;
  BoundsRecord* bounds = request.bounds;
  bounds->dimension_count = request.dimension_count;
  for (uint8_t d = 0; d < request.dimension_count; ++d) {
    if (upper_bounds[d] > kMaxUpperBound) {
      RaiseError(core::kErrIllegalArgument, core::kLocArrayBound);
      return;
    }
    bounds->element_counts[d] = upper_bounds[d] + 1;
  }
  AllocateElements(descriptor, request.element_size);
}

}  // namespace

void DimIntArray(const ElementRequest& request) {
  if (request.descriptor->data != nullptr) {
    RaiseError(core::kErrArrayAlreadyCreated, core::kLocArrayTwice);
    return;
  }
  Create(request, request.numbers);
}

namespace int_array_detail {

void* CheckedElement(const ElementRequest& request) {
  ArrayDescriptor* descriptor = request.descriptor;
  if (descriptor->data == nullptr) {
    uint32_t implicit[kMaxDimensions];
    for (uint8_t d = 0; d < request.dimension_count; ++d) implicit[d] = kImplicitUpperBound;
    Create(request, implicit);
    if (descriptor->data == nullptr) return nullptr;
  }
  const BoundsRecord& bounds = *descriptor->bounds;
  const int last = bounds.dimension_count - 1;
  uint32_t position = request.numbers[last];
  if (position >= bounds.element_counts[last]) {
    RaiseError(core::kErrSubscriptOutOfRange, core::kLocIndexLast);
    return nullptr;
  }
  for (int d = last - 1; d >= 0; --d) {
    if (request.numbers[d] >= bounds.element_counts[d]) {
      RaiseError(core::kErrSubscriptOutOfRange, core::kLocIndexOther);
      return nullptr;
    }
    position = position * bounds.element_counts[d] + request.numbers[d];
  }
  return static_cast<uint8_t*>(descriptor->data) + size_t{position} * request.element_size;
}

}  // namespace int_array_detail

void ReleaseArrays() {
  for (uint32_t i = 0; i < g_register_count; ++i) {
    os::Release(g_register[i].descriptor->data);
    g_register[i].descriptor->data = nullptr;
  }
  os::Release(g_register);
  g_register = nullptr;
  g_register_count = 0;
}

}  // namespace tolvex::text
