#include "cli/Json.h"

#include <cstdint>
#include <stdexcept>

#include "image/Cp1252.h"

namespace qrt::cli {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One character at text[i], advancing i. A malformed sequence (stray
// continuation byte, truncated, overlong, surrogate, above U+10FFFF) gives
// U+FFFD and advances past its first byte only.
char32_t NextCharacter(std::string_view text, size_t& i) {
  if (const auto cp = NextCodePoint(text, i)) return *cp;
  ++i;
  return kReplacement;
}

void AppendEscape(std::string& out, char32_t cp) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
}

}  // namespace

std::string JsonQuote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  size_t i = 0;
  while (i < text.size()) {
    const char32_t cp = NextCharacter(text, i);
    switch (cp) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029)
          AppendEscape(out, cp);
        else
          AppendUtf8(out, cp);
    }
  }
  out += '"';
  return out;
}

void JsonWriter::Newline() {
  out_ += '\n';
  out_.append(2 * stack_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (stack_.empty()) {
    if (wroteTop_) throw std::logic_error("JSON: a second top-level value");
    return;
  }
  Level& level = stack_.back();
  if (level.object) {
    if (!afterKey_) throw std::logic_error("JSON: an object member without a key");
    afterKey_ = false;
    return;
  }
  if (level.members++ > 0) out_ += ',';
  Newline();
}

void JsonWriter::Key(std::string_view name) {
  if (stack_.empty() || !stack_.back().object || afterKey_)
    throw std::logic_error("JSON: a key outside an object or after another key");
  if (stack_.back().members++ > 0) out_ += ',';
  Newline();
  out_ += JsonQuote(name);
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  stack_.push_back({true});
}

void JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  stack_.push_back({false});
}

void JsonWriter::Close(bool object, char bracket) {
  if (stack_.empty() || stack_.back().object != object || afterKey_)
    throw std::logic_error("JSON: unbalanced close");
  const bool empty = stack_.back().members == 0;
  stack_.pop_back();
  if (!empty) Newline();
  out_ += bracket;
  if (stack_.empty()) wroteTop_ = true;
}

void JsonWriter::EndObject() { Close(true, '}'); }
void JsonWriter::EndArray() { Close(false, ']'); }

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  out_ += JsonQuote(text);
  if (stack_.empty()) wroteTop_ = true;
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  if (stack_.empty()) wroteTop_ = true;
}

void JsonWriter::Int(long long value) {
  BeforeValue();
  out_ += std::to_string(value);
  if (stack_.empty()) wroteTop_ = true;
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  if (stack_.empty()) wroteTop_ = true;
}

}  // namespace qrt::cli
