// Binding and decoding an arbitrary image, the way a pager read shows what it
// got: band detection, conversion to display characters, init_ctl. Whatever
// the bytes, the binder and the decoders must end with one of their error
// codes; no exception may get past them, nothing may be said to the user but
// the battery lists' own warning (the read transfer reports the code), and no
// byte of the image may change.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "image/Defaults.h"

using namespace qrt;

namespace {

bool KnownDecodeError(int code) { return code == 0 || (code >= 1 && code <= 11 && code != 4); }

// Shows the image; returns it as it stood just before the binding, in
// display characters.
Image Show(fuzz::EditorUnderTest& w) {
  w.editor.DetectBand();
  w.state.DecodingFlag = false;
  w.state.DecodeError = 0;
  w.editor.ToDisplayCharset();
  const Image converted = w.state.PagerImage;
  w.editor.init_ctl();
  return converted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::EditorUnderTest w;  // a fresh window, so that a crash replays alone

  Image image = BuildDefaultImage();
  for (size_t i = 0; i < size && i < image.size(); ++i) image[i] = data[i];
  // A byte past the image says in which mode the window was left.
  const bool writeMode = size > image.size() && (data[image.size()] & 1);
  if (writeMode != w.editor.writeMode) {
    if (writeMode)
      w.editor.WriteOpt_Click();
    else
      w.editor.ModifyOpt_Click();
  }

  w.state.PagerImage = image;
  w.messages.Clear();
  Image converted{};
  try {
    converted = Show(w);
  } catch (const std::exception& e) {
    fuzz::Fail("no exception gets past the binder", e.what());
  } catch (...) {
    fuzz::Fail("no exception gets past the binder");
  }
  QRT_FUZZ_REQUIRE(KnownDecodeError(w.state.DecodeError), std::to_string(w.state.DecodeError));
  std::string said;
  QRT_FUZZ_REQUIRE(fuzz::OnlyBindingWarnings(w.messages, &said), said);
  QRT_FUZZ_REQUIRE(!w.state.DecodingFlag, "DecodingFlag left set");

  // Showing an image changes none of its bytes, whether it decoded cleanly or
  // the binding stopped at a step it could not show.
  for (int a = 0; a < kImageSize; ++a)
    QRT_FUZZ_REQUIRE(w.state.PagerImage[a] == converted[a], "byte " + std::to_string(a) + " moved");
  return 0;
}
