#pragma once
// Runs the real qrt35 program for the command-line tests: in a temporary
// folder that also serves as HOME, with the simulated pager on virtual time,
// stdin from a given text and stdout and stderr captured. Also a small strict
// JSON reader, so that `show --json` can be parsed back without any library.
#include <fcntl.h>
#include <gtest/gtest.h>
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
#include <stdexcept>
#include <string>
#include <vector>

#include "image/Cp1252.h"
#include "image/PagerImage.h"

extern char** environ;

namespace qrt::clitest {

namespace fs = std::filesystem;

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
};

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
inline std::vector<std::string> ChildEnvironment(const fs::path& home) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (entry.rfind("HOME=", 0) == 0 || entry.rfind("XDG_DATA_HOME=", 0) == 0 ||
        entry.rfind("QRT35_SIM_FAST=", 0) == 0)
      continue;
    env.push_back(entry);
  }
  env.push_back("HOME=" + home.string());
  env.push_back("XDG_DATA_HOME=" + (home / "data").string());
  env.push_back("QRT35_SIM_FAST=1");
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
    std::vector<std::string> env = ChildEnvironment(dir);
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

  // Where the program keeps its backups in this run.
  fs::path BackupsDir() const { return dir / "data" / "qrt35" / "backups"; }

  Image SimPager() const { return ImageOf(Slurp(sim)); }
  void SetSimPager(const Image& image) const { Spill(sim, ImageBytes(image)); }
  Image Table(const std::string& name) const { return ImageOf(Slurp(Path(name))); }

  fs::path dir;
  std::string sim;
};

// ------------------------------------------------------------------ JSON

struct Json {
  enum class Type { Null, Bool, Number, String, Array, Object };
  Type type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;  // in document order

  const Json* Find(const std::string& key) const {
    for (const auto& m : members)
      if (m.first == key) return &m.second;
    return nullptr;
  }
  const Json& operator[](const std::string& key) const {
    const Json* j = Find(key);
    if (!j) throw std::runtime_error("no member " + key);
    return *j;
  }
};

// Strict RFC 8259 reading: one value, nothing after it, duplicate keys refused.
class JsonReader {
 public:
  static Json Parse(const std::string& text) {
    JsonReader r(text);
    Json v = r.Value();
    r.Space();
    if (r.pos_ != text.size()) r.Fail("text after the document");
    return v;
  }

 private:
  explicit JsonReader(const std::string& t) : t_(t) {}
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(pos_));
  }
  void Space() {
    while (pos_ < t_.size() && (t_[pos_] == ' ' || t_[pos_] == '\n' || t_[pos_] == '\r' || t_[pos_] == '\t'))
      ++pos_;
  }
  char Peek() {
    if (pos_ >= t_.size()) Fail("unexpected end");
    return t_[pos_];
  }
  void Expect(char c) {
    if (Peek() != c) Fail(std::string("expected ") + c);
    ++pos_;
  }
  void Literal(const char* word) {
    for (const char* p = word; *p; ++p) Expect(*p);
  }
  Json Value() {
    Space();
    Json v;
    const char c = Peek();
    if (c == '{') {
      v.type = Json::Type::Object;
      ++pos_;
      Space();
      if (Peek() == '}') return ++pos_, v;
      while (true) {
        Space();
        std::string key = String();
        for (const auto& m : v.members)
          if (m.first == key) Fail("duplicate key " + key);
        Space();
        Expect(':');
        v.members.emplace_back(std::move(key), Value());
        Space();
        if (Peek() == ',') {
          ++pos_;
          continue;
        }
        Expect('}');
        return v;
      }
    }
    if (c == '[') {
      v.type = Json::Type::Array;
      ++pos_;
      Space();
      if (Peek() == ']') return ++pos_, v;
      while (true) {
        v.items.push_back(Value());
        Space();
        if (Peek() == ',') {
          ++pos_;
          continue;
        }
        Expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.type = Json::Type::String;
      v.string = String();
      return v;
    }
    if (c == 't') return Literal("true"), v.type = Json::Type::Bool, v.boolean = true, v;
    if (c == 'f') return Literal("false"), v.type = Json::Type::Bool, v;
    if (c == 'n') return Literal("null"), v;
    if (c == '-' || (c >= '0' && c <= '9')) {
      const size_t start = pos_;
      if (Peek() == '-') ++pos_;
      if (Peek() == '0') {
        ++pos_;
      } else {
        if (Peek() < '1' || Peek() > '9') Fail("bad number");
        while (pos_ < t_.size() && t_[pos_] >= '0' && t_[pos_] <= '9') ++pos_;
      }
      if (pos_ < t_.size() && (t_[pos_] == '.' || t_[pos_] == 'e' || t_[pos_] == 'E'))
        Fail("a fraction where only whole numbers are written");
      v.type = Json::Type::Number;
      v.number = std::stod(t_.substr(start, pos_ - start));
      return v;
    }
    Fail("unexpected character");
  }
  unsigned Hex4() {
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = Peek();
      ++pos_;
      v <<= 4;
      if (c >= '0' && c <= '9') v |= c - '0';
      else if (c >= 'a' && c <= 'f') v |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') v |= c - 'A' + 10;
      else Fail("bad \\u escape");
    }
    return v;
  }
  std::string String() {
    Expect('"');
    std::string out;
    while (true) {
      const char c = Peek();
      ++pos_;
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) Fail("raw control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      const char e = Peek();
      ++pos_;
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned cp = Hex4();
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            Expect('\\');
            Expect('u');
            const unsigned low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) Fail("lone surrogate");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            Fail("lone surrogate");
          }
          AppendUtf8(out, cp);
          break;
        }
        default: Fail("bad escape");
      }
    }
  }

  const std::string& t_;
  size_t pos_ = 0;
};

}  // namespace qrt::clitest
