#pragma once
// What the fuzzers share: a failed property stops the run loudly (libFuzzer
// keeps the input as a crash), and an editor wired to recorders, started the
// way the main window starts.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Messages.h"
#include "codecs/ListTables.h"
#include "editor/Editor.h"

namespace qrt::fuzz {

[[noreturn]] inline void Fail(const char* property, const std::string& detail = {}) {
  std::fprintf(stderr, "property broken: %s %s\n", property, detail.c_str());
  std::abort();
}

#define QRT_FUZZ_REQUIRE(cond, detail) \
  do {                                 \
    if (!(cond)) ::qrt::fuzz::Fail(#cond, (detail)); \
  } while (0)

struct QuietHost : EditorHost {};

// A freshly loaded main window: factory image, logo, band 0, bound.
struct EditorUnderTest {
  AppState state;
  RecordingMessages messages;
  QuietHost host;
  Editor editor{state, messages, host};

  EditorUnderTest() {
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    messages.Clear();
  }
};

// Showing an image says nothing, except that the battery lists, whose
// handlers run as the binder selects them, warn about thresholds that are
// not ordered Low < Med < High (once for each list).
inline bool OnlyBindingWarnings(const RecordingMessages& messages, std::string* first = nullptr) {
  for (const auto& e : messages.log) {
    if (e.text == kBatLevWarning && !e.question) continue;
    if (first) *first = e.text;
    return false;
  }
  return true;
}

// Whether a message is text a message box can show: well-formed UTF-8
// (no stray, truncated or overlong sequences, no surrogates).
inline bool IsWellFormedUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead < 0x80) n = 1;
    else if (lead >= 0xC2 && lead <= 0xDF) n = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) { n = 3; if (lead == 0xE0) lo = 0xA0; if (lead == 0xED) hi = 0x9F; }
    else if (lead >= 0xF0 && lead <= 0xF4) { n = 4; if (lead == 0xF0) lo = 0x90; if (lead == 0xF4) hi = 0x8F; }
    else return false;
    if (i + n > s.size()) return false;
    if (n > 1 && (b(i + 1) < lo || b(i + 1) > hi)) return false;
    for (size_t k = 2; k < n; ++k)
      if ((b(i + k) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

// A cursor over the fuzzer's bytes; reading past the end gives zeros.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  size_t remaining() const { return empty() ? 0 : size_ - pos_; }
  uint8_t Next() { return empty() ? 0 : data_[pos_++]; }
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_) + pos_, remaining());
    pos_ = size_;
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace qrt::fuzz
