// The tile as the command-line converter reads it: the records that flow
// from the tile reader to the grid and the writers, and the error a tile
// fails with.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolvex::cli {

// -u m|dm|f32: int16 whole metres and int16 tenths, exactly as the dialogue's
// units 1 and 2, or float32 metres as the dialogue holds them.
enum class Unit : uint8_t { kMetres, kTenths, kFloat };

// A coordinate reference system a tile may name in its srsName.
struct Crs {
  int epsg = 0;             // 6668, 4612, 4301
  const char* name = "";    // "JGD2011", "JGD2000", "Tokyo"
};

// What the tile says about itself, read from its elements (never from line
// numbers). Corner texts are kept as written, for messages and snapping.
struct TileHead {
  std::string srs_name;     // srsName of gml:Envelope, e.g. "fguuid:jgd2011.bl"
  Crs crs;                  // srs_name resolved
  double south = 0, west = 0, north = 0, east = 0;  // gml:lowerCorner, gml:upperCorner
  int columns = 0, rows = 0;                        // gml:high + 1
  int start_x = 0, start_y = 0;                     // gml:startPoint
  uint64_t tuples = 0;                              // tuples in gml:tupleList
};

// The cells, row by row from the north-west corner, columns × rows of them:
// int16 for kMetres and kTenths, float for kFloat (the other vector empty).
// Cells before startPoint and after the last tuple hold -9999.
struct Tile {
  TileHead head;
  Unit unit = Unit::kMetres;
  std::vector<int16_t> cells16;
  std::vector<float> cells32;
};

// A tile that cannot be converted: the 1-based line of the file where it
// was found (0 when it concerns the whole file) and a message that names
// the text at fault. The caller adds the file and zip member names.
class TileError : public std::runtime_error {
 public:
  TileError(uint64_t line, const std::string& message)
      : std::runtime_error(message), line_(line) {}
  uint64_t line() const { return line_; }

 private:
  uint64_t line_;
};

}  // namespace tolvex::cli
