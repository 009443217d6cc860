#include "platform/Registry.h"

#include <utility>

namespace corvina {

namespace {
RegistryReader& Reader() {
  static RegistryReader reader;
  return reader;
}
}  // namespace

std::optional<std::string> RegReadString(RegRoot root, std::string_view subKey, std::string_view name) {
  if (Reader()) return Reader()(root, subKey, name);
  return std::nullopt;
}

void SetRegistryReader(RegistryReader reader) { Reader() = std::move(reader); }

}  // namespace corvina
