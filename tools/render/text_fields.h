// Reading numbers and names out of command-line values and CSV fields: strict (the whole
// text must be the number) and with surrounding blanks removed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace render {

// A decimal number such as "90", "-6.5", "+1e-3"; nothing for anything else, including
// "nan" and "inf".
std::optional<double> parseDecimal(std::string_view text);
// A whole number such as "11" or "-2".
std::optional<int> parseWholeNumber(std::string_view text);
// The text without leading and trailing spaces, tabs and carriage returns.
std::string trimmed(std::string_view text);
// The text with ASCII letters in lower case, for comparisons that ignore case.
std::string lowerCase(std::string text);

}  // namespace render
