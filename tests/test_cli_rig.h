#pragma once
// Runs the real qrt35 program for the command-line tests: in a temporary
// folder that also serves as HOME, with the simulated pager on virtual time,
// stdin from a given text and stdout and stderr captured; JSON read back
// strictly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/PagerImage.h"

extern char** environ;

namespace qrt::clitest {

namespace fs = std::filesystem;

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
};

// The lines of a program's output, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void Spill(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ImageBytes(const Image& image) {
  return std::string(reinterpret_cast<const char*>(image.data()), image.size());
}

inline Image ImageOf(const std::string& bytes) {
  Image image{};
  if (bytes.size() != image.size()) throw std::runtime_error("not a 2048-byte image");
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(bytes[i]);
  return image;
}

// The environment of the program: ours, with HOME, the data folder (where
// the backups go) and the fast simulator set, so that nothing reaches the
// user's own ~/.local/share.
// QRT35_DB is left out too, so that no test reaches a production record it
// did not name; `extra` adds entries of the test's own.
inline std::vector<std::string> ChildEnvironment(const fs::path& home, const std::vector<std::string>& extra = {}) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (entry.rfind("HOME=", 0) == 0 || entry.rfind("XDG_DATA_HOME=", 0) == 0 ||
        entry.rfind("QRT35_SIM_FAST=", 0) == 0 || entry.rfind("QRT35_DB=", 0) == 0)
      continue;
    env.push_back(entry);
  }
  env.push_back("HOME=" + home.string());
  env.push_back("XDG_DATA_HOME=" + (home / "data").string());
  env.push_back("QRT35_SIM_FAST=1");
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

inline std::vector<char*> CStrings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qrt35-cli-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
    sim = (dir / "pager.bin").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  RunResult Run(std::vector<std::string> args, const std::string& input = "") {
    const fs::path in = dir / ".stdin", out = dir / ".stdout", err = dir / ".stderr";
    Spill(in, input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), QRT35_BIN);
    std::vector<std::string> env = ChildEnvironment(dir, extraEnvironment);
    std::vector<char*> argv = CStrings(args), envp = CStrings(env);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, QRT35_BIN, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    RunResult r;
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << QRT35_BIN << ": " << std::strerror(spawned);
      return r;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
  }

  // The same with the simulated pager in this folder.
  RunResult RunSim(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), {"--port", "sim", "--sim-image", sim});
    return Run(std::move(args), input);
  }

  // A table file as `new` makes it, with edits applied by `set`.
  void MakeTable(const std::string& name, std::vector<std::string> edits = {}) {
    const RunResult made = Run({"new", Path(name)});
    ASSERT_EQ(made.code, 0) << made.err;
    if (edits.empty()) return;
    edits.insert(edits.begin(), {"set", Path(name)});
    const RunResult set = Run(edits);
    ASSERT_EQ(set.code, 0) << set.err;
  }

  // Where the program keeps its backups in this run.
  fs::path BackupsDir() const { return dir / "data" / "qrt35" / "backups"; }

  Image SimPager() const { return ImageOf(Slurp(sim)); }
  void SetSimPager(const Image& image) const { Spill(sim, ImageBytes(image)); }
  Image Table(const std::string& name) const { return ImageOf(Slurp(Path(name))); }

  fs::path dir;
  std::string sim;
  std::vector<std::string> extraEnvironment;  // "NAME=value" entries for the program's runs
};

// ------------------------------------------------------------------ JSON

using Json = nlohmann::ordered_json;

// Reads a whole document as RFC 8259 has it (nlohmann refuses malformed
// UTF-8, raw control characters and text after the value) and refuses a key
// given twice in one object, which nlohmann would quietly take the last of.
inline Json ParseJson(const std::string& text) {
  std::vector<std::set<std::string>> keys;  // per open object
  return Json::parse(text, [&keys](int, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) keys.emplace_back();
    if (event == Json::parse_event_t::object_end) keys.pop_back();
    if (event == Json::parse_event_t::key && !keys.back().insert(parsed.get<std::string>()).second)
      throw std::runtime_error("JSON: duplicate key " + parsed.get<std::string>());
    return true;
  });
}

}  // namespace qrt::clitest
