// The CRS table (see crs.h).
#include "convert/cli/crs.h"

#include <strings.h>

#include <string>

namespace tolvex::cli {
namespace {

// Both Japanese geodetic datums since 2000 sit on GRS 1980; the old Tokyo
// datum on Bessel 1841.
#define TOLVEX_GEOGCS(gcs, datum, spheroid)                                   \
  "GEOGCS[\"" gcs "\",DATUM[\"" datum "\",SPHEROID[" spheroid "]],"            \
  "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]"

struct CrsRow {
  const char* srs_name;
  Crs crs;
  const char* wkt;
};

const CrsRow kCrsTable[] = {
    {"fguuid:jgd2011.bl", {6668, "JGD2011"},
     TOLVEX_GEOGCS("GCS_JGD_2011", "D_JGD_2011", "\"GRS_1980\",6378137.0,298.257222101")},
    {"fguuid:jgd2024.bl", {6668, "JGD2011"},
     TOLVEX_GEOGCS("GCS_JGD_2011", "D_JGD_2011", "\"GRS_1980\",6378137.0,298.257222101")},
    {"fguuid:jgd2000.bl", {4612, "JGD2000"},
     TOLVEX_GEOGCS("GCS_JGD_2000", "D_JGD_2000", "\"GRS_1980\",6378137.0,298.257222101")},
    {"fguuid:tokyo.bl", {4301, "Tokyo"},
     TOLVEX_GEOGCS("GCS_Tokyo", "D_Tokyo", "\"Bessel_1841\",6377397.155,299.1528128")},
};

#undef TOLVEX_GEOGCS

}  // namespace

std::optional<Crs> CrsOfSrsName(std::string_view srs_name) {
  const std::string name(srs_name);
  for (const CrsRow& row : kCrsTable)
    if (::strcasecmp(row.srs_name, name.c_str()) == 0) return row.crs;
  return std::nullopt;
}

std::string_view EsriWkt(int epsg) {
  for (const CrsRow& row : kCrsTable)
    if (row.crs.epsg == epsg) return row.wkt;
  return {};
}

}  // namespace tolvex::cli
