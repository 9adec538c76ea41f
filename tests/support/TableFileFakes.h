#pragma once
// What the table-file tests share: a file dialog and title bar that answer
// from a script, and whole-file reads and writes.
#include <deque>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tables/TableFiles.h"

namespace qrt::test {

inline constexpr const char* kTitle = "QRT35 Pager Programmer V3.82";

// The file dialogs answer with the next scripted path (nullopt: Cancel) and
// record the folder each was opened in.
struct FakeUi : TableFileUi {
  std::deque<std::optional<std::string>> openAnswers, saveAnswers;
  std::vector<std::string> dialogDirs;
  std::string title = kTitle;
  std::optional<std::string> ChooseOpenPath(const std::string& dir) override { return Next(openAnswers, dir); }
  std::optional<std::string> ChooseSavePath(const std::string& dir) override { return Next(saveAnswers, dir); }
  std::string Title() override { return title; }
  void SetTitle(const std::string& t) override { title = t; }

 private:
  std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers, const std::string& dir) {
    dialogDirs.push_back(dir);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

inline std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qrt::test
