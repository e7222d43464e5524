// The vector tables' reader: a row it skipped or misread would silently
// shrink every table-driven test, so it is checked here.
#include "tests/support/vectors.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <fstream>

namespace tolvex::testing {
namespace {

std::string WriteTable(const std::string& text) {
  const std::string path = ::testing::TempDir() + "vectors_test.tsv";
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST(VectorsTest, OnlyHashBlankLinesAreCommentsAndMalformedRowsFail) {
  const auto rows = ReadVectorFile(
      WriteTable("# a comment\n#\n\n##.#\t\\\\\\n\\x4\t 1.0\r\n\\x23 #\t2\t\\t\n"), 3);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].line, 4);
  EXPECT_EQ(rows[0].fields[0], "##.#");
  EXPECT_EQ(rows[0].fields[1], "\\\nx4");
  EXPECT_EQ(rows[0].fields[2], " 1.0");
  EXPECT_EQ(rows[1].fields[0], "# #");
  EXPECT_EQ(rows[1].fields[2], "\t");

  EXPECT_NONFATAL_FAILURE(ReadVectorFile(WriteTable("##\t1\n#\t1\t 1\n"), 3),
                          ":1: 2 fields, not 3");
  EXPECT_NONFATAL_FAILURE(ParseVectorNumber("12x"), "not a number");
  EXPECT_NONFATAL_FAILURE(ParseVectorNumber(""), "not a number");
  EXPECT_EQ(ParseVectorNumber("0x1.8p1"), 3.0L);
}

}  // namespace
}  // namespace tolvex::testing
