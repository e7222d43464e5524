// The plain entry path against ReadItems' general path: generated files of plain and
// adversarial entries must leave the same variables, positions, depths and errors.
#include "runtime/io/plain_entry.h"

#include <bit>
#include <random>
#include <string>

#include "runtime/io/read_items.h"
#include "runtime/os/memory.h"
#include "runtime/text/string_heap.h"
#include "tests/io/file_test_support.h"

namespace tolvex::testing {
namespace {

class PlainEntryTest : public FileTest {
 protected:
  void Read() {
    const io::InputItem items[] = {{&elevation, io::kItemSingle}, {&label, io::kItemString}};
    io::SelectItemSource(1);
    io::ReadItems({2, items});
  }
  // Everything the reads of `bytes` leave, one line per read. Reading goes
  // on after an error until one leaves the position where it was.
  std::string Trace(const std::string& bytes, bool plain) {
    frame::ResetRuntime();
    io::EnablePlainEntries(plain);
    Put("tile.xml", bytes);
    Open(1, 3, 1, "tile.xml");
    label = text::StringValue{};
    std::string trace;
    for (uint32_t before = ~0u; before != ControlOf(1).position;) {
      before = ControlOf(1).position;
      try {
        Read();
        trace += "read ";
      } catch (const core::RuntimeError& error) {
        core::Errors().processing = false;
        trace += "error " + std::to_string(error.code) + " at " + std::to_string(error.location);
      }
      trace += " " + text::Bytes(label) + " " + std::to_string(std::bit_cast<uint32_t>(elevation)) +
               " " + std::to_string(ControlOf(1).position) + " " +
               std::to_string(text::StackDepth()) + "\n";
    }
    return trace;
  }
  text::StringValue label{};
  float elevation = 0;
};

// One entry: mostly plain, with every shape the general path treats apart.
std::string Entry(std::mt19937& random) {
  const auto pick = [&random](auto const& choices) {
    return choices[random() % (sizeof choices / sizeof choices[0])];
  };
  // Most labels have the common label's length, so that the in-place
  // assignment is tried on the odd ones too.
  static const char* const kLabels[] = {
      "\x92\x6E\x95\x5C\x96\xCA", "\x92\x6E\x95\x5C\x96\xCA", "\x92\x6E\x95\x5C\x96\xCA",
      "ab  cd", "  abcd", "abcd  ", "\"a,bc\"", "ab\tcde", "ab:cde", "ab\x1A" "cde", "",
      "ab", "longer label 0123456789abcdef"};
  static const char* const kNumbers[] = {
      "342.04", "-12.5", "+7", "0", "-0.0", ".5", "5.", ".", "-", "", "0012.300",
      "-9999.", "-9999", "1234567890123456789", "12345678901234567890", "0.000000000000000001",
      "1E3", "2.5e-2", "1D2", " 12", "12 ", "1.2.3", "\"5\"", "&H1F", "1e39", "12,7", "--1",
      "12:5", "123/45", "1234567.89"};
  static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n", "\r\n", "\r", "\n", "\r\r\n", ""};
  const std::string height =
      std::to_string(random() % 400000) + "." + std::to_string(random() % 100);
  if (random() % 4 != 0) return kLabels[0] + ("," + height) + "\r\n";
  const std::string number = random() % 2 == 0 ? height : pick(kNumbers);
  std::string entry = std::string(pick(kLabels)) + "," + number + pick(kEnds);
  if (random() % 50 == 0) entry.insert(random() % (entry.size() + 1), 1, '\0');
  return entry;
}

TEST_F(PlainEntryTest, ReadsAsTheGeneralPathReads) {
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    std::mt19937 random(seed);
    // Half the files run past the read-ahead buffer, so entries straddle
    // its edge; some end in an end-of-file mark.
    const size_t size = seed % 2 == 0 ? 40000 + random() % 40000 : random() % 2000;
    std::string bytes;
    while (bytes.size() < size) bytes += Entry(random);
    if (seed % 3 == 0) bytes += "\x1A";
    const std::string general = Trace(bytes, false);
    ASSERT_EQ(Trace(bytes, true), general) << "seed " << seed;  // the plain path on again
  }
}

// Within one read-ahead buffer the first entry takes the general path, which gives the new
// variable a block; the others take no memory and leave the heap alone.
TEST_F(PlainEntryTest, EntriesOfATile) {
  std::string bytes;
  for (int i = 0; i < 1500; ++i)
    bytes += "\x92\x6E\x95\x5C\x96\xCA,-" + std::to_string(i) + ".25\r\n";
  Put("tile.xml", bytes);
  Open(1, 3, 1, "tile.xml");
  const uint64_t reads_before = os::FileCallCount(os::FileCall::kRead);
  Read();
  const uint32_t used = text::StringHeapStats().used;
  os::FailAllocationsAfter(0);
  for (int i = 1; i < 1500; ++i) {
    Read();
    ASSERT_EQ(elevation, -0.25f - static_cast<float>(i)) << i;
  }
  os::FailAllocationsAfter(-1);
  EXPECT_EQ(text::StringHeapStats().used, used);
  EXPECT_EQ(text::Bytes(label), "\x92\x6E\x95\x5C\x96\xCA");
  EXPECT_EQ(text::StackDepth(), 0);
  EXPECT_EQ(ControlOf(1).position, bytes.size());
  EXPECT_EQ(os::FileCallCount(os::FileCall::kRead) - reads_before, 1u);
  EXPECT_TRUE(Raises([&] { Read(); }, core::kErrInputPastEnd, core::kLocReadItemsField));
}

}  // namespace
}  // namespace tolvex::testing
