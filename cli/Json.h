#pragma once
// The command line's JSON, written with nlohmann::json: key order kept as
// built, two-space indentation, one document per output. Strings are taken as
// UTF-8; a byte sequence that is not well-formed UTF-8 is written as U+FFFD,
// so the document is always valid.
#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace qrt::cli {

// Members keep the order they were added in, the order the window shows them.
using JsonValue = nlohmann::ordered_json;

// The document as qrt35 prints it, with a final newline. Besides what JSON
// must escape (the quote, the backslash, U+0000-U+001F), DEL, the C1 controls
// U+0080-U+009F and the line separators U+2028 and U+2029 are escaped, so that
// nothing invisible reaches a terminal or a script that prints the text.
std::string JsonDocument(const JsonValue& document);

// The JSON string literal for `text`, quotes included, escaped as above.
std::string JsonQuote(std::string_view text);

}  // namespace qrt::cli
