// Every transfer against every bus fault the simulated pager can show.
//
// Transfers: read, write plus verify, verify alone, and one press of Write in
// the batch variant (automatic capcode increase on both capcodes), all with
// "Back Up Before Writing" off, which is the write as it always was; then the
// write plus verify with it on (the pager read whole and kept first, only
// differing pages sent). Each runs through the transfer dialog's model as the
// main window starts it, on a fresh editor and a fresh simulated pager, with
// backups kept in a folder of its own.
//
// For every cell the expected outcome is written down in the table below,
// worked out from the transfer rules, not from running the code:
// - the messages, exactly and in order (each failure is said once);
// - PagerImage: unchanged (or restored), the pager's image, or the image as
//   the write leaves it (the pager's own byte 0x0E9, the write marker, the
//   checksum, and after a batch press the next capcodes);
// - the pager's EEPROM: unchanged, fully written, or written for the pages
//   before the failing one and not from that page on;
// - how the bus ends (see BusEnd);
// - TransferError, the dialog's state and, in the batch, the capcodes;
// - with the backup on, that the pager's bytes were on the disk before any
//   page was written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup/Backups.h"
#include "codecs/Capcode.h"
#include "codecs/Charset.h"
#include "tables/TableFiles.h"
#include "editor/Editor.h"
#include "tests/support/SimRig.h"
#include "transfer/Transfers.h"

namespace qrt {
namespace {

using test::SimRig;

// ------------------------------------------------------------------ texts

const std::string kNoBoard = "The Board is not responding!";
const std::string kReadError = "Read error!";
const std::string kWriteError = "Write error!";
const std::string kVerifyError = "Verify Error!";
const std::string kVerifySuccess = "Verify Success!";
const std::string kReadSuccess = "Read success!";
const std::string kChecksum =
    "The data of pager is not complete correction !\n\n"
    "Please try to reprogram the pager or try to read again.";
// The identification of a blank pager is fourteen 0xFF bytes, shown as the
// Windows-1252 character ÿ.
const std::string kBlankModel =
    "This pager is not QRT35 !\n\nIt is \xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF ( PCB "
    "\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF, Software \xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF )";
const std::string kOtherIdent = "XY123V2.0V1.10";
const std::string kOtherModel = "This pager is not QRT35 !\n\nIt is XY123 ( PCB V2.0, Software V1.10 )";

// The question before a pager of another model or a blank chip is overwritten.
bool IsQuestion(const std::string& text) { return text.rfind("The pager holds ", 0) == 0; }

MsgIcon IconOf(const std::string& text) {
  return text == kNoBoard || text.rfind("This pager is not QRT35 !", 0) == 0 || IsQuestion(text) ? MsgIcon::Warning
                                                                                                 : MsgIcon::None;
}

// ------------------------------------------------------------ the outcomes

enum class Transfer { Read, WriteVerify, Verify, Batch, BackupWrite };
constexpr Transfer kTransfers[] = {Transfer::Read, Transfer::WriteVerify, Transfer::Verify, Transfer::Batch,
                                   Transfer::BackupWrite};
const char* Name(Transfer t) {
  switch (t) {
    case Transfer::Read: return "read";
    case Transfer::WriteVerify: return "write+verify";
    case Transfer::Verify: return "verify";
    case Transfer::Batch: return "batch step";
    case Transfer::BackupWrite: return "backup+write";
  }
  return "?";
}
bool Writes(Transfer t) { return t == Transfer::WriteVerify || t == Transfer::Batch || t == Transfer::BackupWrite; }

enum class Img {
  Unchanged,    // exactly as before the transfer (a failed read restores it)
  Pager,        // the pager's image, shown
  OwnByte,      // as before, but with the pager's byte at 0x0E9
  Written,      // the pager's byte at 0x0E9, write marker 1, checksum stored
  WrittenNext,  // Written, then both capcodes one up for the next pager
};

enum class Eep {
  Unchanged,
  Written,  // holds the written image entirely
  Before,   // pages before `page` written, `page` and the rest as they were
};

// How the data register ends. A park is the 254 written after ParkBus's
// 100 ms wait; a STOP is 255, 254, 252. Where the transfer parks, only the
// STOPs its rules send may follow (the verify that stops early also takes one
// more byte with NACK before them); where its rules do not park, the STOPs
// follow the last byte of a transaction.
enum class BusEnd {
  ProbeOnly,         // no board: nothing after the probe's closing STOP
  ParkStop,          // park, then the dialog's STOP
  ParkStopStop,      // park, the verify's own STOP, the dialog's STOP
  ParkByteStopStop,  // park, one byte received with NACK, STOP, STOP
  Stop,              // no park: the dialog's STOP after a NACKed addressing
  StopStop,          // no park: the transaction's STOP and the dialog's STOP
};

enum class Flag { Clear, Set, Any };

struct Cell {
  std::vector<std::string> messages;
  Img image;
  Eep eeprom;
  int page;  // for Eep::Before
  BusEnd bus;
  Flag transferError;
};

enum class PagerKind { Healthy, Blank, OtherModel, BadChecksum };

struct Fault {
  std::string name;
  PagerKind pager;
  // Switches the fault on, for the transfer about to run.
  std::function<void(SimEeprom&, SimBoard&, Transfer)> inject;
  Cell read, writeVerify, verify, batch;
  bool holdsWriteCycle = false;  // the EEPROM is compared again once the cycle is let go
  // The write with its backup first; where not given, what the write without it does.
  std::optional<Cell> backupWrite = std::nullopt;

  const Cell& For(Transfer t) const {
    switch (t) {
      case Transfer::Read: return read;
      case Transfer::WriteVerify: return writeVerify;
      case Transfer::Verify: return verify;
      case Transfer::Batch: return batch;
      case Transfer::BackupWrite: return backupWrite ? *backupWrite : writeVerify;
    }
    return read;
  }
};

// Bus cost of the steps, from the transaction shapes:
// - every eep_read1 and every read addressing: 3 acknowledged bytes (device
//   byte, word address, read device byte) and, for eep_read1, 1 byte sent;
// - the read: 14 identification reads, then 16 bytes sent per block;
// - the write: the reads of 0x0E9 and 0x00D (6 acknowledged bytes), then 18
//   acknowledged bytes per page (device byte, word address, 16 data bytes);
//   with the backup first, the block read of the whole pager instead (3
//   acknowledged bytes per block) before the pages.
constexpr int kIdentBytesSent = 14;
constexpr int kWriteReadsAcked = 6;
constexpr int kBackupReadAcked = 3 * 128;
constexpr int AckedBeforePage(int page, bool backup) { return (backup ? kBackupReadAcked : kWriteReadsAcked) + 18 * page; }
constexpr int MiddleBlock = 64;
constexpr int LastBlock = 127;

// The chip goes quiet 8 bytes into block or page b (0 for b = 0: at its start).
void QuietIn(SimEeprom& chip, Transfer t, int block) {
  const int into = block == 0 ? 0 : 8;
  switch (t) {
    case Transfer::Read:
      chip.faults.silentAfterSentBytes = kIdentBytesSent + 16 * block + into;
      break;
    case Transfer::Verify:
      // Its one addressing goes through; the stream then runs dry.
      if (block == 0)
        chip.faults.silentAfterAckedBytes = 3;
      else
        chip.faults.silentAfterSentBytes = 16 * block + into;
      break;
    case Transfer::BackupWrite:
      // At the first page: the whole-pager read gets all its bytes first.
      if (block == 0) {
        chip.faults.silentAfterSentBytes = kImageSize;
        break;
      }
      [[fallthrough]];
    case Transfer::WriteVerify:
    case Transfer::Batch:
      // Device byte, word address, then `into` data bytes of the page acknowledged.
      chip.faults.silentAfterAckedBytes =
          AckedBeforePage(block, t == Transfer::BackupWrite) + (into ? 2 + into : 0);
      break;
  }
}

std::vector<Fault> FaultTable() {
  const Cell readOk{{kReadSuccess}, Img::Pager, Eep::Unchanged, 0, BusEnd::ParkStop, Flag::Clear};
  const Cell writeOk{{kVerifySuccess}, Img::Written, Eep::Written, 0, BusEnd::ParkStopStop, Flag::Clear};
  const Cell verifyOk{{kVerifySuccess}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ParkStopStop, Flag::Clear};
  const Cell batchOk{{kVerifySuccess}, Img::WrittenNext, Eep::Written, 0, BusEnd::ParkStopStop, Flag::Clear};
  const Cell noBoard{{kNoBoard}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ProbeOnly, Flag::Any};
  const Cell readFails{{kReadError}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ParkStop, Flag::Set};
  const Cell checksumFails{{kChecksum}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ParkStop, Flag::Any};
  const Cell verifyCannotAddress{{kReadError}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::Stop, Flag::Set};
  const Cell verifyDiffers{{kVerifyError}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ParkByteStopStop, Flag::Set};
  const Cell verifyDiffersLast{{kVerifyError}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ParkStopStop, Flag::Set};
  const Cell writtenDiffers{{kVerifyError}, Img::Written, Eep::Written, 0, BusEnd::ParkByteStopStop, Flag::Set};
  const Cell writtenDiffersLast{{kVerifyError}, Img::Written, Eep::Written, 0, BusEnd::ParkStopStop, Flag::Set};
  const Cell pagerByteUnread{{kReadError}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ParkStop, Flag::Set};
  const Cell hardwareByteUnread{{kReadError}, Img::OwnByte, Eep::Unchanged, 0, BusEnd::ParkStop, Flag::Set};
  auto writeFailsAt = [](int page) {
    return Cell{{kWriteError}, Img::Written, Eep::Before, page, BusEnd::ParkStop, Flag::Set};
  };
  const auto none = [](SimEeprom&, SimBoard&, Transfer) {};
  auto nack = [](int n) {
    return [n](SimEeprom& chip, SimBoard&, Transfer) { chip.faults.nackFirstAddressings = n; };
  };
  auto quietIn = [](int block) {
    return [block](SimEeprom& chip, SimBoard&, Transfer t) { QuietIn(chip, t, block); };
  };
  auto flip = [](int address) {
    return [address](SimEeprom& chip, SimBoard&, Transfer) {
      chip.faults.flipAddress = address;
      chip.faults.flipMask = 0x10;
    };
  };

  std::vector<Fault> rows = {
      {"no fault", PagerKind::Healthy, none, readOk, writeOk, verifyOk, batchOk},
      {"no board", PagerKind::Healthy, [](SimEeprom&, SimBoard& board, Transfer) { board.noBoard = true; },
       noBoard, noBoard, noBoard, noBoard},
      {"NACK on the first addressing", PagerKind::Healthy, nack(1), readOk, writeOk, verifyOk, batchOk},
      {"NACK on the first 9 addressings", PagerKind::Healthy, nack(9), readOk, writeOk, verifyOk, batchOk},
      // With the backup first, the whole-pager read is the one that fails,
      // before the pager's own byte is taken.
      {"NACK on the first 10 addressings", PagerKind::Healthy, nack(10),
       readFails, pagerByteUnread, verifyCannotAddress, pagerByteUnread, false, pagerByteUnread},
      // Read: the sixth identification byte; write: the hardware byte, once
      // the pager's own byte has come in (with the backup first: the second
      // block of the whole-pager read); verify: its one addressing.
      {"pager stops answering at the identification", PagerKind::Healthy,
       [](SimEeprom& chip, SimBoard&, Transfer t) {
         if (t == Transfer::Read) chip.faults.silentAfterSentBytes = 5;
         if (t == Transfer::Verify) chip.faults.silentAfterAckedBytes = 0;
         if (Writes(t)) chip.faults.silentAfterSentBytes = 1;
       },
       readFails, hardwareByteUnread, verifyCannotAddress, hardwareByteUnread, false, pagerByteUnread},
      {"pager stops answering at the first block or page", PagerKind::Healthy, quietIn(0),
       readFails, writeFailsAt(0), verifyDiffers, writeFailsAt(0)},
      {"pager stops answering in a middle block or page", PagerKind::Healthy, quietIn(MiddleBlock),
       readFails, writeFailsAt(MiddleBlock), verifyDiffers, writeFailsAt(MiddleBlock)},
      // Read: the last block comes in as 0xFF from its ninth byte on; nothing
      // more is addressed, so only the checksum can tell.
      {"pager stops answering in the last block or page", PagerKind::Healthy, quietIn(LastBlock),
       checksumFails, writeFailsAt(LastBlock), verifyDiffers, writeFailsAt(LastBlock)},
      {"bit flipped on read-back (0x400)", PagerKind::Healthy, flip(0x400),
       checksumFails, writtenDiffers, verifyDiffers, writtenDiffers},
      {"bit flipped on read-back (last byte)", PagerKind::Healthy, flip(ImageLastIndex),
       checksumFails, writtenDiffersLast, verifyDiffersLast, writtenDiffersLast},
      // Page 0 goes into a write cycle that never ends, so page 1 is never
      // acknowledged; once let go, the chip stores page 0 and nothing else.
      {"write cycle never ends", PagerKind::Healthy,
       [](SimEeprom& chip, SimBoard&, Transfer) { chip.faults.writeCycleNeverEnds = true; },
       readOk, writeFailsAt(1), verifyOk, writeFailsAt(1), /*holdsWriteCycle=*/true},
      // The write alone does not look at the model: a blank or foreign pager
      // is programmed; read and verify refuse it (the read keeps it, read
      // whole). After the backup read it is overwritten only on a Yes (the
      // bench answers No).
      {"blank pager", PagerKind::Blank, none,
       {{kBlankModel}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ParkStop, Flag::Set},
       writeOk, verifyDiffers, batchOk, false,
       Cell{{ForeignPagerQuestion("a blank chip")}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::StopStop, Flag::Set}},
      {"another model", PagerKind::OtherModel, none,
       {{kOtherModel}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::ParkStop, Flag::Set},
       writeOk, verifyDiffers, batchOk, false,
       Cell{{ForeignPagerQuestion("XY123")}, Img::Unchanged, Eep::Unchanged, 0, BusEnd::StopStop, Flag::Set}},
      {"bad checksum", PagerKind::BadChecksum, none, checksumFails, writeOk, verifyDiffers, batchOk},
  };
  return rows;
}

// ------------------------------------------------------------- the bench

// The capcodes the window holds when the transfer starts.
constexpr int32_t kCapcode1 = 1234567;
constexpr int32_t kCapcode2 = 100;

struct Bench : SimRig {
  AppState state;
  EditorHost host;
  Editor editor{state, msgs, host};
  std::string folder;

  explicit Bench(Transfer t) {
    char pattern[] = "/tmp/qrt35-matrix-XXXXXX";
    folder = ::mkdtemp(pattern) ? pattern : "";
    state.KeepBackups = true;
    state.BackupsDir = folder + "/backups";
    state.BackupBeforeWrite = t == Transfer::BackupWrite;
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    TypeCapcode(0, kCapcode1);
    TypeCapcode(1, kCapcode2);
    if (t == Transfer::Verify) {
      // The image as a write left it (the verify runs against a pager that
      // holds the same bytes); the writes start from an image without marker
      // and checksum, so that their own are seen.
      state.PagerImage[addr::kWriteMarker] = 1;
      StoreChecksum(state.PagerImage);
    }
    if (t == Transfer::Batch) {
      editor.Click({Ctl::optAuto1, 0});
      editor.Click({Ctl::optAuto2, 0});
    }
    if (Writes(t)) editor.Click({Ctl::WriteOpt, 0});
    msgs.Clear();
  }
  ~Bench() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }

  // The backups kept in this cell.
  std::vector<std::string> Backups() const {
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(state.BackupsDir, ec)) paths.push_back(e.path());
    return paths;
  }

  void TypeCapcode(int index, int32_t value) {
    editor.UserEditText({Ctl::txtAddr, index}, std::to_string(value));
    editor.SetFocus({Ctl::picTabBack, 0});
  }
};

// What the pager holds before the transfer.
Image PagerFor(Transfer t, PagerKind kind, const Image& window) {
  Image pager{};
  switch (t) {
    case Transfer::Read:
      // A QRT35 with software V3.82 (checksum checked) and another capcode.
      pager = window;
      StoreCapcode(pager, 0, 1111111);
      StoreChecksum(pager);
      break;
    case Transfer::Verify:
      pager = window;  // what a good write left
      break;
    case Transfer::WriteVerify:
    case Transfer::Batch:
    case Transfer::BackupWrite:
      // Every byte differs from what will be written, except the hardware
      // variant, which must match the band list, and the model name (no
      // question asked).
      for (int a = 0; a < kImageSize; ++a) pager[a] = static_cast<uint8_t>(~window[a]);
      pager[addr::kHardwareVariant] = window[addr::kHardwareVariant];
      std::copy_n(window.begin() + addr::kIdentString, 5, pager.begin() + addr::kIdentString);
      break;
  }
  switch (kind) {
    case PagerKind::Healthy:
      break;
    case PagerKind::Blank:
      pager.fill(0xFF);
      break;
    case PagerKind::OtherModel:
      for (int i = 0; i < addr::kIdentLength; ++i)
        pager[addr::kIdentString + i] = static_cast<uint8_t>(kOtherIdent[i]);
      if (t == Transfer::Read) StoreChecksum(pager);
      break;
    case PagerKind::BadChecksum:
      pager[addr::kChecksumHigh] ^= 0x5A;
      break;
  }
  return pager;
}

// The image after tbl_writeall: the pager's own byte, the marker, the checksum.
Image AsWritten(Image window, const Image& pager) {
  window[addr::kPagerOwnByte] = pager[addr::kPagerOwnByte];
  window[addr::kWriteMarker] = 1;
  StoreChecksum(window);
  return window;
}

// --------------------------------------------------------- the bus ending

// ParkBus waits 100 ms on the millisecond clock, which may end up to 1 ms
// short of 100 ms of counter time; no other write waits anywhere near that.
constexpr int64_t kParkWaitNs = 99'000'000;

bool IsPark(const std::vector<SimBoard::TraceEntry>& trace, size_t i) {
  return i >= 1 && trace[i].value == 254 && trace[i].timeNs - trace[i - 1].timeNs >= kParkWaitNs;
}

bool IsStopAt(const std::vector<SimBoard::TraceEntry>& trace, size_t end) {
  return end >= 3 && trace[end - 3].value == 255 && trace[end - 2].value == 254 && trace[end - 1].value == 252;
}

// Empty when the data-register writes end as expected, otherwise what differs.
std::string CheckBusEnd(const std::vector<SimBoard::TraceEntry>& trace, BusEnd expect) {
  size_t end = trace.size();
  auto stops = [&](int n) -> std::string {
    for (int k = 0; k < n; ++k) {
      if (!IsStopAt(trace, end)) return "STOP " + std::to_string(n - k) + " from the end is missing";
      end -= 3;
    }
    return {};
  };
  auto parkBefore = [&]() -> std::string {
    if (end == 0 || !IsPark(trace, end - 1)) return "no park before the closing STOPs";
    return {};
  };
  auto noParkBefore = [&]() -> std::string {
    if (end > 0 && IsPark(trace, end - 1)) return "parked, though the rules do not park here";
    if (IsStopAt(trace, end)) return "one STOP more than the rules send";
    return {};
  };
  std::string error;
  switch (expect) {
    case BusEnd::ProbeOnly:
      for (size_t i = 0; i < trace.size(); ++i)
        if (IsPark(trace, i)) return "parked without a board";
      return stops(1);
    case BusEnd::ParkStop:
      if (!(error = stops(1)).empty()) return error;
      return parkBefore();
    case BusEnd::ParkStopStop:
      if (!(error = stops(2)).empty()) return error;
      return parkBefore();
    case BusEnd::ParkByteStopStop: {
      if (!(error = stops(2)).empty()) return error;
      // The byte taken with NACK after the park (shadow 254): data released,
      // eight clock pulses, the NACK clock.
      std::vector<uint8_t> byte{252};
      for (int bit = 0; bit < 8; ++bit) byte.insert(byte.end(), {252, 253});
      byte.insert(byte.end(), {253, 252, 253});
      if (end < byte.size()) return "trace too short for the extra byte";
      for (size_t k = 0; k < byte.size(); ++k)
        if (trace[end - byte.size() + k].value != byte[k]) return "the extra NACKed byte is not there";
      end -= byte.size();
      return parkBefore();
    }
    case BusEnd::Stop:
      if (!(error = stops(1)).empty()) return error;
      return noParkBefore();
    case BusEnd::StopStop:
      if (!(error = stops(2)).empty()) return error;
      return noParkBefore();
  }
  return "unknown bus ending";
}

// ------------------------------------------------------------- one cell

std::string Hex(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%03X", v);
  return buf;
}

// First address where two images differ, or -1.
int FirstDifference(const Image& a, const Image& b) {
  for (int i = 0; i < kImageSize; ++i)
    if (a[i] != b[i]) return i;
  return -1;
}

std::vector<std::string> RunCell(const Fault& fault, Transfer t) {
  std::vector<std::string> violations;
  auto violation = [&](const std::string& what) { violations.push_back(what); };
  const Cell& expect = fault.For(t);

  Bench bench(t);
  const Image window = bench.state.PagerImage;
  if (t != Transfer::Verify && (window[addr::kWriteMarker] == 1 || ChecksumMatches(window)))
    violation("bench: the window image already looks written");
  const Image pager = PagerFor(t, fault.pager, window);
  bench.board.eeprom().memory = pager;
  fault.inject(bench.board.eeprom(), bench.board, t);
  bench.board.tracing = true;
  bench.link.TransferError = false;

  bench.state.TransferMode = t == Transfer::Read ? 0 : t == Transfer::Verify ? 2 : 1;
  Form2 dialog(bench.editor, bench.link, bench.msgs);
  // What the backups folder holds when the page write starts.
  struct WriteStart : Form2View {
    WriteStart(Bench& b, Form2& f) : bench(b), form(f) {}
    void Form2Changed() override {
      if (!seen && form.state.Label1 == "Writing Now.......") {
        seen = true;
        backups = bench.Backups();
      }
    }
    Bench& bench;
    Form2& form;
    bool seen = false;
    std::vector<std::string> backups;
  } writeStart(bench, dialog);
  dialog.SetView(&writeStart);
  const TransferResult result = dialog.Form_Activate();
  if (t == Transfer::Batch) dialog.cmdWrite_Click();  // does nothing when activation closed the dialog

  // Messages: exactly these, once each, with their icons.
  if (bench.msgs.Texts() != expect.messages) {
    std::string got;
    for (const auto& m : bench.msgs.Texts()) got += "[" + m + "] ";
    violation("messages: " + (got.empty() ? std::string("none") : got));
  } else {
    for (const auto& m : bench.msgs.log)
      if (m.icon != IconOf(m.text) || m.question != IsQuestion(m.text))
        violation("icon or buttons of [" + m.text + "]");
  }

  // PagerImage.
  Image image = window;
  const Image written = AsWritten(window, pager);
  switch (expect.image) {
    case Img::Unchanged: image = window; break;
    case Img::Pager: image = pager; break;
    case Img::OwnByte: image[addr::kPagerOwnByte] = pager[addr::kPagerOwnByte]; break;
    case Img::Written: image = written; break;
    case Img::WrittenNext:
      image = written;
      StoreCapcode(image, 0, kCapcode1 + 1);
      StoreCapcode(image, 1, kCapcode2 + 1);
      break;
  }
  if (const int at = FirstDifference(bench.state.PagerImage, image); at >= 0)
    violation("PagerImage differs first at " + Hex(at));

  // The pager's EEPROM, page by page.
  auto checkEeprom = [&](const Image& memory, Eep eep, int page, const std::string& when) {
    for (int p = 0; p < kImageSize / 16; ++p) {
      const bool shouldBeWritten = eep == Eep::Written || (eep == Eep::Before && p < page);
      const Image& want = shouldBeWritten ? written : pager;
      for (int a = 16 * p; a < 16 * p + 16; ++a) {
        if (memory[a] == want[a]) continue;
        violation("EEPROM page " + std::to_string(p) + (shouldBeWritten ? " not written" : " written") + when);
        break;
      }
    }
  };
  if (fault.holdsWriteCycle) {
    checkEeprom(bench.board.eeprom().memory, Eep::Unchanged, 0, " while the write cycle hangs");
    bench.board.eeprom().faults.writeCycleNeverEnds = false;
  }
  checkEeprom(bench.PagerMemory(), expect.eeprom, expect.page, "");

  // The bus.
  if (const std::string bus = CheckBusEnd(bench.board.trace, expect.bus); !bus.empty()) violation("bus: " + bus);
  if (expect.bus == BusEnd::ProbeOnly && bench.board.eeprom().counters.starts != 0)
    violation("bus traffic reached the pager without a board");

  // The backup: with it on, the pager's bytes (in table form, or raw for a
  // pager whose bytes make no table) are on the disk before any page is
  // written; without it nothing is read or kept.
  const std::vector<std::string> backups = bench.Backups();
  if (t == Transfer::BackupWrite && writeStart.seen) {
    if (writeStart.backups.size() != 1) {
      violation("no backup on the disk when the page write started");
    } else {
      // What the pager sent, a bit flipped on the way included.
      Image sent = pager;
      const SimFaults& f = bench.board.eeprom().faults;
      if (f.flipAddress >= 0) sent[f.flipAddress] ^= f.flipMask;
      Image display = sent;
      ToDisplayCharset(display);
      const Image kept = ReadTableFile(writeStart.backups[0]).image;
      if (kept != sent && kept != display) violation("the backup does not hold the pager's bytes");
      if (result.backupPath != writeStart.backups[0]) violation("the result does not name the backup");
    }
  }
  if (t != Transfer::BackupWrite && t != Transfer::Read && !backups.empty()) violation("a backup without the switch");

  // TransferError.
  if (expect.transferError != Flag::Any && bench.link.TransferError != (expect.transferError == Flag::Set))
    violation(std::string("TransferError ") + (bench.link.TransferError ? "set" : "clear"));

  // The dialog: the batch stays open for the next pager unless it never got a board.
  const bool shouldClose = t != Transfer::Batch || expect.bus == BusEnd::ProbeOnly;
  if (dialog.state.closed != shouldClose) violation(shouldClose ? "dialog left open" : "batch dialog closed");

  // Capcodes, as the window shows them for the next pager.
  if (t == Transfer::Batch) {
    const bool increased = expect.image == Img::WrittenNext;
    const std::string want1 = CapcodeText(static_cast<uint32_t>(kCapcode1 + (increased ? 1 : 0)));
    const std::string want2 = CapcodeText(static_cast<uint32_t>(kCapcode2 + (increased ? 1 : 0)));
    if (bench.editor.txtAddr[0].text != want1 || bench.editor.txtAddr[1].text != want2)
      violation("capcodes shown " + bench.editor.txtAddr[0].text + ", " + bench.editor.txtAddr[1].text);
  }
  return violations;
}

TEST(FaultMatrix, EveryTransferAgainstEveryFault) {
  const std::vector<Fault> faults = FaultTable();
  int cells = 0;
  int violations = 0;
  std::printf("%-46s %-14s %-14s %-14s %-14s %-14s\n", "fault", "read", "write+verify", "verify", "batch step",
              "backup+write");
  for (const Fault& fault : faults) {
    std::string row;
    char name[64];
    std::snprintf(name, sizeof name, "%-46s", fault.name.c_str());
    row += name;
    for (Transfer t : kTransfers) {
      ++cells;
      const std::vector<std::string> found = RunCell(fault, t);
      violations += static_cast<int>(found.size());
      for (const std::string& v : found) ADD_FAILURE() << fault.name << " / " << Name(t) << ": " << v;
      char cell[32];
      std::snprintf(cell, sizeof cell, " %-14s", found.empty() ? "ok" : ("FAIL(" + std::to_string(found.size()) + ")").c_str());
      row += cell;
    }
    std::printf("%s\n", row.c_str());
  }
  std::printf("fault matrix: %zu faults x %zu transfers = %d cells, %d violations\n", faults.size(),
              std::size(kTransfers), cells, violations);
  EXPECT_EQ(cells, static_cast<int>(faults.size() * std::size(kTransfers)));
  EXPECT_EQ(violations, 0);
}

// The data the verify cells rely on: a quiet chip reads as 0xFF, so each
// "stops answering" cell needs a byte other than 0xFF after the point where
// the chip goes quiet, and before the last byte (the verify then stops early).
TEST(FaultMatrix, WindowImageHasBytesAQuietPagerCannotFake) {
  Bench bench(Transfer::Verify);
  const Image& image = bench.state.PagerImage;
  for (int from : {0, 16 * MiddleBlock + 8, 16 * LastBlock + 8}) {
    int firstNotFF = -1;
    for (int a = from; a < ImageLastIndex && firstNotFF < 0; ++a)
      if (image[a] != 0xFF) firstNotFF = a;
    EXPECT_GE(firstNotFF, 0) << "nothing to tell a quiet pager from this image after " << Hex(from);
  }
}

// The injection the matrix uses to stop a pager in the middle of a read.
TEST(SimFaultInjection, QuietAfterSentBytesSendsThatManyThenLetsGo) {
  SimRig rig;
  Image& memory = rig.board.eeprom().memory;
  for (int a = 0x200; a < 0x210; ++a) memory[a] = static_cast<uint8_t>(a);
  rig.board.eeprom().faults.silentAfterSentBytes = 3;

  std::vector<uint8_t> got;
  const auto result = rig.link.SequentialRead(0x200, 0x204, [&](int, uint8_t v) {
    got.push_back(v);
    return true;
  });
  EXPECT_EQ(result, PagerLink::SeqResult::Completed);
  EXPECT_EQ(got, (std::vector<uint8_t>{0x00, 0x01, 0x02, 0xFF, 0xFF}));
  EXPECT_EQ(rig.board.eeprom().counters.bytesSent, 3);

  // Quiet means quiet: the next transaction is not even acknowledged.
  rig.link.eep_read1(0x200);
  EXPECT_TRUE(rig.link.TransferError);
  EXPECT_EQ(rig.msgs.Texts(), std::vector<std::string>{kReadError});
}

}  // namespace
}  // namespace qrt
