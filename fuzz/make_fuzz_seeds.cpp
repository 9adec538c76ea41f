// Writes the starting corpus of every fuzzer into <dir>/<fuzzer>/: a few
// inputs of the shape each one expects (the factory image, table files of
// several lengths, prompt texts, a bus session that writes and reads a page),
// so that nothing binary has to be kept in the source tree.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/Defaults.h"
#include "image/PagerImage.h"

using namespace qrt;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void Put(const fs::path& dir, const std::string& name, const Bytes& bytes) {
  fs::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
}

Bytes Factory() {
  Image image = BuildDefaultImage();
  StoreChecksum(image);
  return Bytes(image.begin(), image.end());
}

Bytes Text(uint8_t pick, const std::string& text) {
  Bytes out{pick, 0x01, 0x00};
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

// Bus session ops of fuzz_sim_eeprom: 0x80 START, 0xA0 STOP, 0xC0 + value
// byte to send, 0xE0/0xE1 receive with ACK/NACK, 0x40 status read, 0x7F wait.
struct Session {
  Bytes ops{0x00};  // healthy chip
  void Start() { ops.push_back(0x80); }
  void Stop() { ops.push_back(0xA0); }
  void Send(uint8_t v) { ops.push_back(0xC0); ops.push_back(v); }
  void Receive(bool last) { ops.push_back(last ? 0xE1 : 0xE0); }
  void Status() { ops.push_back(0x40); }
  void Wait() { ops.push_back(0x7F); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus dir>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];

  const Bytes factory = Factory();
  {
    const fs::path d = root / "fuzz_bind_image";
    Put(d, "factory", factory);
    Bytes gp = factory;
    gp[addr::kHardwareVariant] = 0;
    Put(d, "gp", gp);
    Bytes french = factory;
    french[0x03A] = static_cast<uint8_t>((french[0x03A] & 0xF0) | kLangFrench);
    french[0x03E] = static_cast<uint8_t>((french[0x03E] & 0xF0) | kLangFrench);
    Put(d, "french", french);
    Bytes write = factory;
    write.push_back(1);
    Put(d, "write_mode", write);
  }
  {
    const fs::path d = root / "fuzz_table_open";
    Put(d, "factory", factory);
    Bytes longer = factory;
    longer.resize(2100, 0x5A);
    Put(d, "longer", longer);
    Put(d, "shortest_named", Bytes(factory.begin(), factory.begin() + 0x3E6));
    Put(d, "empty", Bytes{});
  }
  {
    const fs::path d = root / "fuzz_prompt_store";
    Put(d, "logo", Text(0, "VESTRA"));
    Put(d, "lead", Text(2, "   ESCAPE"));
    Put(d, "many_lead", Text(3, std::string(20, ' ') + "ABC"));
    Put(d, "national", Text(4, "\xC3\xA9\xE2\x82\xAC \xC3\xA7"));  // é€ ç
    Put(d, "outside_1252", Text(5, "\xCE\xA9"));                   // Ω
    Put(d, "too_long", Text(6, "ABCDEFGHIJKLMNOPQRS"));
    Put(d, "source", Text(40, "NEWS"));
  }
  {
    const fs::path d = root / "fuzz_sim_eeprom";
    Session s;
    // Page write of four bytes at 0x120, its write cycle, then a random read back.
    s.Start(); s.Send(0xA2); s.Send(0x20);
    for (uint8_t v : {0x11, 0x22, 0x33, 0x44}) s.Send(v);
    s.Stop();
    s.Start(); s.Send(0xA2); s.Status();  // NACKed while the cycle runs
    s.Wait(); s.Wait();
    s.Start(); s.Send(0xA2); s.Send(0x20); s.Start(); s.Send(0xA3);
    s.Receive(false); s.Receive(false); s.Receive(true); s.Stop();
    Put(d, "write_then_read", s.ops);

    Session r;
    r.ops[0] = 0x09;  // the first nine device bytes NACKed
    for (int i = 0; i < 10; ++i) { r.Start(); r.Send(0xAE); }
    r.Send(0xFF); r.Start(); r.Send(0xAF); r.Receive(false); r.Receive(true); r.Stop();
    Put(d, "nine_nacks", r.ops);

    // START and a device byte by hand on the lines: 252, 254, 255 after
    // pauses of 30 us (bits 2..4 of the op), then the bits, each line change
    // after 30 us, the 4.7 us of the fast bus, or 3.9 us, too short for the chip.
    const struct {
      const char* name;
      uint8_t pause;
    } paced[] = {{"raw_lines", 7 << 2}, {"raw_lines_fast", 6 << 2}, {"raw_lines_too_fast", 3 << 2}};
    for (const auto& p : paced) {
      Bytes raw{0x00};
      const auto line = [&](uint8_t v) { raw.push_back(static_cast<uint8_t>(v | p.pause)); };
      for (uint8_t v : {0x00, 0x02, 0x03}) raw.push_back(static_cast<uint8_t>(v | 7 << 2));
      for (int bit = 7; bit >= 0; --bit) {
        const uint8_t data = ((0xA0 >> bit) & 1) ? 0x00 : 0x02;
        line(static_cast<uint8_t>(data | 0x01));
        line(data);
        line(static_cast<uint8_t>(data | 0x01));
      }
      line(0x01);
      line(0x00);
      raw.push_back(0x40);  // the acknowledge
      line(0x01);
      Put(d, p.name, raw);
    }
  }
  return 0;
}
