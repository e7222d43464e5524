// Today's tile layout, as current downloads have it: TAB indentation, UTF-8
// (or Shift_JIS), one "label,value" tuple per line with two decimals, and the
// coverageFunction (sequenceRule, startPoint) after the tuple list.
#pragma once
#include <string>

#include "tile_options.h"

namespace tolvex::tools {

// The whole file for options.product. The lower corner ("LAT LON") picks the
// mesh that holds it; the envelope is that mesh's, written with at most nine
// decimals ("35.716666667 139.7"); options.upper replaces the upper corner's
// text. Tuples run from (start_x, start_y) in "+x-y" order, options.tuples of
// them (-1: to the last cell; more than the cells left continue the terrain
// past the last row); options.sequence_rule is only written: the tuples stay
// in "+x-y" order. A label that is one of the known words (地表面, 表層面,
// 海水面, 内水面, データなし, その他) given in UTF-8 is written in the tile's
// encoding, any other label text byte for byte.
// Precondition: options.lower holds two numbers, a point of Japan (latitude
// 0 to 66, longitude 100 to 180); otherwise std::invalid_argument.
// Example: DEM5A at "35.7085 139.69" gives mesh 53394555, lower corner
// "35.708333333 139.6875", upper "35.716666667 139.7", 33,750 tuples.
std::string TodayLayoutText(const TileOptions& options);

}  // namespace tolvex::tools
