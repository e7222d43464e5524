// Where a tile can lie. The elevation model covers Japan only, so a corner
// read from a tile's header outside these bounds means the header was
// misread (an indented corner line, a corner beyond the lines searched, a
// corner that is not a number), never a real tile. Pure and inline.
#pragma once

namespace tolvex::convert {

// The bounds, in degrees, both ends included.
inline constexpr double kSouthmostLatitude = 20;
inline constexpr double kNorthmostLatitude = 46;
inline constexpr double kWestmostLongitude = 122;
inline constexpr double kEastmostLongitude = 154;

// True when the tile's west edge and north edge both lie within the bounds:
// (139.5, 35.416666667) is; (0, 35.4) (no longitude read) and (139.5, 5.4)
// (a latitude cut short) are not.
constexpr bool IsPlausibleCorner(double west_longitude, double north_latitude) {
  return west_longitude >= kWestmostLongitude && west_longitude <= kEastmostLongitude &&
         north_latitude >= kSouthmostLatitude && north_latitude <= kNorthmostLatitude;
}

}  // namespace tolvex::convert
