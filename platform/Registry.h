#pragma once
// The Windows registry, read only. Linux has none, so every key reads as missing here; tests put values in
// through a reader of their own.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvina {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

// The value `name` of the key `subKey` under `root` (an empty name reads the key's default value); nullopt
// when the key or the value does not exist. Key names and values are CP932 text, as Windows programs keep them.
std::optional<std::string> RegReadString(RegRoot root, std::string_view subKey, std::string_view name);

using RegistryReader =
    std::function<std::optional<std::string>(RegRoot root, std::string_view subKey, std::string_view name)>;
// Replaces the registry (nullptr restores this platform's, which holds no keys).
void SetRegistryReader(RegistryReader reader);

}  // namespace corvina
