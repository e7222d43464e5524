// Input kinds and tile base names from names alone.
#include "convert/cli/input_name.h"

#include <gtest/gtest.h>

namespace tolvex::cli {
namespace {

TEST(InputName, KindsAndBaseNames) {
  const struct {
    const char* path;
    InputKind kind;
    const char* base;
  } rows[] = {
      {"dir/FG-GML-5339-45-DEM5A-20161001.XML", InputKind::kTile, "FG-GML-5339-45-DEM5A-20161001"},
      {"a/B.xml", InputKind::kTile, "B"},
      {"win\\dir\\t.xMl", InputKind::kTile, "t"},
      {"pack.Zip", InputKind::kZip, "pack.Zip"},
      {"x.xml.txt", InputKind::kOther, "x.xml.txt"},
      {"xml", InputKind::kOther, "xml"},
      {".xml", InputKind::kTile, ""},
      {"__MACOSX/d/._x.xml", InputKind::kOther, "._x"},
      {"d._x.zip", InputKind::kZip, "d._x.zip"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(KindOfName(row.path), row.kind) << row.path;
    EXPECT_EQ(TileBaseName(row.path), row.base) << row.path;
  }
}

}  // namespace
}  // namespace tolvex::cli
