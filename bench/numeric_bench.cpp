// Numbers benchmark: the per-cell work of one tile (843,750 elevation fields
// read into a single and scaled to int16) and the header's picture formatting.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/frame/runtime_reset.h"
#include "runtime/numeric/conversions.h"
#include "runtime/numeric/convert_kind.h"
#include "runtime/numeric/number_scan.h"
#include "runtime/numeric/picture_format.h"
#include "runtime/text/string_stack.h"

namespace {

using tolvex::numeric::Extended;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
  namespace numeric = tolvex::numeric;
  namespace text = tolvex::text;
  tolvex::frame::ResetRuntime();
  constexpr int kCells = 750 * 1125;

  // Elevation fields as a tile has them: two decimals, some no-data values.
  std::vector<std::string> fields;
  fields.reserve(1000);
  for (int i = 0; i < 1000; ++i) {
    char field[32];
    std::snprintf(field, sizeof field, "%d.%02d", (i * 7919) % 3000 - 50, (i * 31) % 100);
    fields.emplace_back(i % 97 == 0 ? "-9999." : field);
  }

  // The routine's steps per cell for each unit: the field read into a single
  // variable; no data stored as it is; in metres z + 0.5 stored back into the
  // single; the product left extended, IntegerPart, ToInt16; CheckFloat after
  // every step, as the routine has it.
  for (const int factor : {1, 10}) {
    long checksum = 0;
    const auto start = Clock::now();
    for (int cell = 0; cell < kCells; ++cell) {
      Extended z;
      numeric::ConvertField(fields[static_cast<size_t>(cell % 1000)].c_str(), 2, &z);
      float elevation = z.ToSingle();
      if (Extended::FromSingle(elevation) == Extended::FromInt(-9999)) {
        checksum -= 9999;
        continue;
      }
      if (factor == 1) {
        elevation = (Extended::FromSingle(elevation) + Extended::FromDouble(0.5)).ToSingle();
        numeric::CheckFloat();
      }
      const Extended product = Extended::FromSingle(elevation) * Extended::FromInt(factor);
      numeric::CheckFloat();
      checksum += numeric::ToInt16(numeric::IntegerPart(product));
    }
    const double cells_ms = Milliseconds(start);
    std::printf("elevations %8.1f ms for %d cells, unit factor %2d (%.0f ns each, checksum %ld)\n",
                cells_ms, kCells, factor, cells_ms * 1e6 / kCells, checksum);
  }

  constexpr int kFormats = 100000;
  const auto start = Clock::now();
  for (int i = 0; i < kFormats; ++i) {
    text::PushConstText(text::ConstText("####.##########"));
    numeric::FormatPicture(Extended(139.50005555555555L + i * 1e-7L));
    text::ReleaseText(text::PopText());
  }
  const double format_ms = Milliseconds(start);
  std::printf("pictures   %8.1f ms for %d formats (%.0f ns each)\n", format_ms, kFormats,
              format_ms * 1e6 / kFormats);
  tolvex::frame::ResetRuntime();
  return 0;
}
