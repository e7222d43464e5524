// Input kinds and tile base names from names alone.
#include "convert/cli/input_name.h"

#include <gtest/gtest.h>

namespace tolvex::cli {
namespace {

TEST(InputName, KindsAndBaseNames) {
  const struct {
    const char *path, *base;
    InputKind kind;
  } rows[] = {
      {"dir/win\\dir\\t.xMl", "t", InputKind::kTile},   {".xml", "", InputKind::kTile},
      {"pack.Zip", "pack.Zip", InputKind::kZip},        {"d._x.zip", "d._x.zip", InputKind::kZip},
      {"x.xml.txt", "x.xml.txt", InputKind::kOther},    {"xml", "xml", InputKind::kOther},
      {"__MACOSX/d/._x.xml", "._x", InputKind::kOther},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(KindOfName(row.path), row.kind) << row.path;
    EXPECT_EQ(TileBaseName(row.path), row.base) << row.path;
  }
}

}  // namespace
}  // namespace tolvex::cli
