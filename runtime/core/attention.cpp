// The attention request's state (see attention.h).
#include "runtime/core/attention.h"

namespace tolvex::core {
namespace attention_detail {

int64_t counter = 0;
std::atomic<uint32_t> attention{0};

}  // namespace attention_detail

void ResetAttention() {
  attention_detail::counter = 0;
  attention_detail::attention.store(0, std::memory_order_relaxed);
}

}  // namespace tolvex::core
