// File > Open on a file of arbitrary bytes. A file without the model name is
// refused with its one message and changes nothing; a file with it is taken
// over and shown without an exception getting out and without a word (but
// the battery lists' warning about an image whose thresholds are not ordered).
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "tables/TableFiles.h"

using namespace qrt;

namespace {

struct FixedPathUi : TableFileUi {
  std::string path;
  std::string title = "QRT35 Pager Programmer";
  std::optional<std::string> ChooseOpenPath(const std::string&) override { return path; }
  std::optional<std::string> ChooseSavePath(const std::string&) override { return path; }
  std::string Title() override { return title; }
  void SetTitle(const std::string& t) override { title = t; }
};

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) fuzz::Fail("scratch file can be created", path);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) fuzz::Fail("scratch file can be written", path);
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

bool HoldsModelName(const uint8_t* data, size_t size) {
  return size >= 0x3E6 && std::memcmp(data + 0x3E1, "QRT35", 5) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One scratch file per fuzzing process, removed when the process ends.
  static const struct Scratch {
    std::string path = "/tmp/qrt35-fuzz-open-" + std::to_string(::getpid()) + ".tbl";
    ~Scratch() { ::unlink(path.c_str()); }
  } scratch;
  const std::string& path = scratch.path;
  WriteFile(path, data, size);

  fuzz::EditorUnderTest w;
  FixedPathUi ui;
  ui.path = path;
  w.state.CurrentTablePath = "/nowhere/default.tbl";
  const Image before = w.state.PagerImage;
  const std::string titleBefore = ui.title;

  try {
    (void)OpenTableFile(w.editor, ui);
  } catch (const std::exception& e) {
    fuzz::Fail("opening a table throws nothing", e.what());
  } catch (...) {
    fuzz::Fail("opening a table throws nothing");
  }

  if (!HoldsModelName(data, size)) {
    const std::string refusal = "The [" + path + "] is not correct format, the file will discard !";
    QRT_FUZZ_REQUIRE(w.messages.log.size() == 1 && w.messages.log[0].text == refusal,
                     w.messages.log.empty() ? "no message" : w.messages.log[0].text);
    QRT_FUZZ_REQUIRE(w.state.PagerImage == before, "refused file changed the image");
    QRT_FUZZ_REQUIRE(w.state.CurrentTablePath == "/nowhere/default.tbl", w.state.CurrentTablePath);
    QRT_FUZZ_REQUIRE(ui.title == titleBefore, ui.title);
    return 0;
  }
  std::string said;
  QRT_FUZZ_REQUIRE(fuzz::OnlyBindingWarnings(w.messages, &said), said);
  QRT_FUZZ_REQUIRE(w.state.CurrentTablePath == path, w.state.CurrentTablePath);
  QRT_FUZZ_REQUIRE(ui.title == titleBefore + " - [" + path + "]", ui.title);
  QRT_FUZZ_REQUIRE(!w.state.DecodingFlag, "DecodingFlag left set");
  // The identification the file was accepted for is what the image holds now.
  QRT_FUZZ_REQUIRE(HasModelName(w.state.PagerImage), "model name lost on the way in");
  return 0;
}
