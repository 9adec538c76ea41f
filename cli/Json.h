#pragma once
// A small JSON writer for the command line's --json output: objects, arrays,
// strings, booleans, integers and null, pretty-printed with two-space
// indentation. Strings are taken as UTF-8; a byte sequence that is not
// well-formed UTF-8 is written as U+FFFD, so the document is always valid.
#include <string>
#include <string_view>
#include <vector>

namespace qrt::cli {

// The JSON string literal for `text`, quotes included. Escapes the quote, the
// backslash, every control character (U+0000-U+001F, U+007F-U+009F) and the
// two line separators U+2028 and U+2029; all other characters are written as
// they are.
std::string JsonQuote(std::string_view text);

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : out_(out) {}

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The name of the next member; only inside an object.
  void Key(std::string_view name);

  void String(std::string_view text);
  void Bool(bool value);
  void Int(long long value);
  void Null();

  // True once the outermost value is complete.
  bool Done() const { return stack_.empty() && wroteTop_; }

 private:
  struct Level {
    bool object;
    int members = 0;
  };
  void BeforeValue();
  void Close(bool object, char bracket);
  void Newline();

  std::string& out_;
  std::vector<Level> stack_;
  bool afterKey_ = false;
  bool wroteTop_ = false;
};

}  // namespace qrt::cli
