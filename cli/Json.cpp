#include "cli/Json.h"

#include <cstdint>
#include <stdexcept>

namespace qrt::cli {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 character at text[i], advancing i. A malformed sequence
// (stray continuation byte, truncated, overlong, surrogate, above U+10FFFF)
// gives U+FFFD and advances past its first byte only.
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  int length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07;
    minimum = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (i + length > text.size()) {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k) {
    const uint8_t b = byte(i + k);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += length;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
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
    const char32_t cp = NextCodePoint(text, i);
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
