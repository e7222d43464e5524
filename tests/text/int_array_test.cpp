// Integer arrays: layout, zero fill, implicit creation, and the checks in
// their order with their locations.
#include "runtime/text/int_array.h"

#include "runtime/os/memory.h"
#include "tests/support/runtime_test.h"

namespace tolvex::text {
namespace {

using testing::Raises;
using IntArrayTest = testing::RuntimeTest;

struct Grid {
  ArrayDescriptor descriptor;
  BoundsRecord bounds;

  ElementRequest Request(uint32_t a, uint32_t b) {
    ElementRequest request;
    request.dimension_count = 2;
    request.descriptor = &descriptor;
    request.bounds = &bounds;
    request.numbers[0] = a;
    request.numbers[1] = b;
    return request;
  }
  int16_t* At(uint32_t row, uint32_t column) {
    return static_cast<int16_t*>(IntElement(Request(row, column)));
  }
};

TEST_F(IntArrayTest, ElevationGridLayout) {
  Grid grid;
  DimIntArray(grid.Request(750, 1125));
  EXPECT_EQ(grid.bounds.element_counts[0], 751u);
  EXPECT_EQ(grid.bounds.element_counts[1], 1126u);
  int16_t* first = grid.At(0, 0);
  EXPECT_EQ(grid.At(2, 1), grid.At(1, 1) + 1);      // first index varies fastest
  EXPECT_EQ(grid.At(1, 2), grid.At(1, 1) + 751);
  EXPECT_EQ(grid.At(750, 1125), first + 1125 * 751 + 750);
  for (uint32_t i = 0; i < 751u * 1126u; ++i) ASSERT_EQ(first[i], 0) << i;
  *grid.At(3, 4) = -9999;
  EXPECT_EQ(first[4 * 751 + 3], -9999);
}

TEST_F(IntArrayTest, BoundChecksLastIndexFirst) {
  Grid grid;
  DimIntArray(grid.Request(750, 1125));
  const uint32_t minus_one = static_cast<uint32_t>(-1);
  const struct Case {
    uint32_t row, column, location;
  } cases[] = {
      {751, 1, 0xBF03}, {1, 1126, 0xBF02}, {minus_one, 1, 0xBF03},
      {1, minus_one, 0xBF02}, {751, 1126, 0xBF02},  // both wrong: the last is reported
  };
  for (const Case& c : cases)
    EXPECT_TRUE(Raises([&] { grid.At(c.row, c.column); }, 9, c.location)) << c.row << "," << c.column;
}

TEST_F(IntArrayTest, ImplicitCreationHasUpperBoundTen) {
  Grid grid;
  EXPECT_NE(grid.At(10, 10), nullptr);
  EXPECT_EQ(grid.bounds.element_counts[0], 11u);
  EXPECT_TRUE(Raises([&] { grid.At(11, 0); }, 9, 0xBF03));
  EXPECT_TRUE(Raises([&] { DimIntArray(grid.Request(5, 5)); }, 10, 0x1002));
}

TEST_F(IntArrayTest, CreationFailures) {
  const struct Case {
    uint32_t a, b;
    int16_t code;
    uint32_t location;
  } cases[] = {
      {static_cast<uint32_t>(-1), 5, 5, 0x1003}, {0x7FFFFFFF, 5, 5, 0x1003},
      {0xFFFF, 0x10000, 9, 0xC701},  // 65536 * 65537 overflows 32 bits
      {0xFFFF, 0x7FFF, 9, 0xC702},   // 65536 * 32768 * 2 = 2^32
      {0xFFFF, 0x3FFF, 9, 0xC703},   // 2^31 bytes
  };
  for (const Case& c : cases) {
    Grid grid;
    EXPECT_TRUE(Raises([&] { DimIntArray(grid.Request(c.a, c.b)); }, c.code, c.location))
        << c.a << "," << c.b;
    EXPECT_EQ(grid.descriptor.data, nullptr);  // a failed creation leaves it not created
  }
  Grid first, second;
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([&] { DimIntArray(first.Request(2, 2)); }, 7, 0xC801));
  os::FailAllocationsAfter(1);
  EXPECT_TRUE(Raises([&] { DimIntArray(first.Request(2, 2)); }, 7, 0xC701));
  os::FailAllocationsAfter(-1);
  DimIntArray(first.Request(2, 2));
  os::FailAllocationsAfter(0);
  EXPECT_TRUE(Raises([&] { DimIntArray(second.Request(2, 2)); }, 7, 0xC803));
  os::FailAllocationsAfter(-1);
}

}  // namespace
}  // namespace tolvex::text
