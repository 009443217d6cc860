#pragma once
// The data service's own wording for the results of its client's operations, and the error log that the
// main window's exchanges append their failures to.
#include <filesystem>
#include <string>
#include <string_view>

namespace corvina {

// The service's text for `operation`'s result `code`, followed by "(" code ")"; an operation or code the
// service does not list gives "(" code ")" alone. CP932.
std::string JVErrorMessage(std::string_view operation, int code);

}  // namespace corvina
