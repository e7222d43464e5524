// The rank of a tile for mosaics (see product_rank.h).
#include "convert/cli/product_rank.h"

#include <strings.h>

#include <cctype>
#include <string>

namespace tolvex::cli {
namespace {

// Finest last: a product's rank is its index here plus one.
constexpr std::string_view kProductsByPriority[] = {"DEM10B", "DEM10A", "DEM5C",
                                                    "DEM5B",  "DEM5A",  "DEM1A"};

bool IsNamePart(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

void RankPiece(std::string_view piece, ProductRank& rank) {
  for (size_t i = 0; i < std::size(kProductsByPriority); ++i) {
    const std::string_view code = kProductsByPriority[i];
    if (piece.size() == code.size() &&
        ::strncasecmp(piece.data(), code.data(), code.size()) == 0)
      rank.product = int(i) + 1;
  }
  if (piece.size() != 8) return;
  int date = 0;
  for (char c : piece) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return;
    date = date * 10 + (c - '0');
  }
  rank.date = date;
}

}  // namespace

ProductRank RankOfTileName(std::string_view name) {
  ProductRank rank;
  size_t start = 0;
  while (start < name.size()) {
    size_t end = start;
    while (end < name.size() && IsNamePart(name[end])) ++end;
    if (end > start) RankPiece(name.substr(start, end - start), rank);
    start = end + 1;
  }
  return rank;
}

}  // namespace tolvex::cli
