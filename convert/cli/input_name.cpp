// Input kinds and tile base names (see input_name.h).
#include "convert/cli/input_name.h"

#include <strings.h>

namespace tolvex::cli {
namespace {

std::string_view BaseName(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && ::strncasecmp(text.data() + text.size() - suffix.size(),
                                                       suffix.data(), suffix.size()) == 0;
}

}  // namespace

InputKind KindOfName(std::string_view path) {
  const std::string_view base = BaseName(path);
  if (base.substr(0, 2) == "._") return InputKind::kOther;
  if (EndsWithNoCase(base, ".xml")) return InputKind::kTile;
  if (EndsWithNoCase(base, ".zip")) return InputKind::kZip;
  return InputKind::kOther;
}

std::string TileBaseName(std::string_view path) {
  std::string_view base = BaseName(path);
  if (EndsWithNoCase(base, ".xml")) base.remove_suffix(4);
  return std::string(base);
}

}  // namespace tolvex::cli
