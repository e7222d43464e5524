// The extended value: the 80-bit floating format (64-bit significand, round to
// nearest, ties to even) in which all arithmetic, scanning and formatting run.
// (Placeholder until the numeric model lands.)
#pragma once

namespace tolvex::numeric {

class Extended {
 public:
  constexpr Extended() = default;
  constexpr explicit Extended(long double value) : value_(value) {}
  constexpr long double native() const { return value_; }

 private:
  long double value_ = 0.0L;
};

}  // namespace tolvex::numeric
