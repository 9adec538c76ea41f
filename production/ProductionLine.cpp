#include "production/ProductionLine.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "codecs/Capcode.h"
#include "codecs/Charset.h"
#include "editor/Editor.h"
#include "transfer/Transfers.h"

namespace qrt::production {
namespace {

constexpr int kFirstCapcodeBox = 30;  // chkCtl(30 + i): the ON box of capcode i + 1

bool CapcodeOn(const Editor& editor, int slot) { return editor.chkCtl[kFirstCapcodeBox + slot - 1].value == 1; }

Operation OperationOf(TransferKind kind) {
  switch (kind) {
    case TransferKind::Read: return Operation::Read;
    case TransferKind::Write:
    case TransferKind::Restore: return Operation::Write;
    case TransferKind::Verify: return Operation::Verify;
    case TransferKind::BatchStep: return Operation::Batch;
  }
  return Operation::Read;
}

}  // namespace

// ---------------------------------------------------------------- shared capcodes

SharedCapcodes::SharedCapcodes(uint32_t first1, uint32_t first2, bool increase1, bool increase2)
    : next1_(first1), next2_(first2), increase1_(increase1), increase2_(increase2) {}

SharedCapcodes::Taken SharedCapcodes::Take() {
  std::lock_guard lock(mutex_);
  if (!givenBack_.empty()) {
    const auto [c1, c2] = *givenBack_.begin();
    givenBack_.erase(givenBack_.begin());
    return {c1, c2, {}};
  }
  Taken taken{next1_, next2_, {}};
  if ((increase1_ && next1_ > kCapcodeHighest) || (increase2_ && next2_ > kCapcodeHighest)) {
    taken.error = CapcodeLimitMessage(increase1_ && next1_ > kCapcodeHighest ? 0 : 1);
    return taken;
  }
  if (increase1_) ++next1_;
  if (increase2_) ++next2_;
  return taken;
}

void SharedCapcodes::GiveBack(const Taken& taken) {
  if (!taken.error.empty()) return;
  std::lock_guard lock(mutex_);
  givenBack_.insert({taken.capcode1, taken.capcode2});
}

SharedCapcodes::Taken SharedCapcodes::Peek() {
  std::lock_guard lock(mutex_);
  if (!givenBack_.empty()) return {givenBack_.begin()->first, givenBack_.begin()->second, {}};
  return {next1_, next2_, {}};
}

// ---------------------------------------------------------------- the line

void GiveCapcode(Editor& editor, int slot, uint32_t capcode) {
  editor.txtAddr[slot - 1].text = CapcodeText(capcode);
  editor.txtAddr_KeyUp(slot - 1, 0, 0);
  editor.read_capcode();
}

ProductionLine::ProductionLine(ProductionStore* store, std::string port, Messages& messages)
    : store_(store), port_(std::move(port)), messages_(messages) {}

bool ProductionLine::Refuse(const std::string& why) {
  messages_.Show(why + "\nThe pager was not written.", MsgIcon::Warning);
  return false;
}

bool ProductionLine::BeforeWrite(Editor& editor, TransferKind kind) {
  reservation_.reset();
  taken_.reset();
  lastGiven_.clear();
  asked_ = true;
  transferId_ = RandomToken();
  // A line must not program a pager it cannot record.
  if (!store_ && !unavailable_.empty()) return Refuse(unavailable_);
  if (store_) {
    const StoreStatus reachable = store_->Check();
    if (!reachable.ok()) return Refuse(reachable.error);
  }
  // A backup goes back as it was taken: its capcodes are its own.
  if (kind == TransferKind::Restore) return true;
  if (!ranges_.empty()) {
    if (!store_) return Refuse(kAllocationNeedsRecord);
    // Capcode 2 alone from the record would leave every pager the image's
    // capcode 1: two pagers with one capcode receive each other's messages.
    const bool slot1 = std::any_of(ranges_.begin(), ranges_.end(), [](const CapcodeRange& r) { return r.slot == 1; });
    if (!slot1 && CapcodeOn(editor, 1))
      return Refuse("Capcode 2 is allocated but capcode 1 is not: every pager would get the same capcode 1. "
                    "Allocate capcode 1 as well, or switch it off.");
    for (const CapcodeRange& range : ranges_)
      if (!CapcodeOn(editor, range.slot))
        return Refuse("Capcode " + std::to_string(range.slot) +
                      " is switched off in this image, so it cannot be given an allocated capcode.");
    return true;  // the capcodes are reserved once the pager has been read (AssignCapcodes)
  }
  if (shared_) {
    const SharedCapcodes::Taken taken = shared_->Take();
    if (!taken.error.empty()) return Refuse(taken.error);
    GiveCapcode(editor, 1, taken.capcode1);
    GiveCapcode(editor, 2, taken.capcode2);
    lastGiven_ = {{1, taken.capcode1}, {2, taken.capcode2}};
    taken_ = taken;
  }
  return AskAboutEarlierWrites(editor);
}

// The reservation knows what the pager held before the write: a pager that
// holds a capcode of the range in doubt (its earlier write failed after
// pages were sent) gets that capcode again rather than a second one.
bool ProductionLine::AssignCapcodes(Editor& editor, TransferKind, const Image* pagerBefore) {
  if (ranges_.empty() || !store_) return true;
  std::vector<ReservedCapcode> holds;
  if (pagerBefore)
    for (const CapcodeRange& range : ranges_)
      if (((*pagerBefore)[CapcodeRecordAddress(range.slot - 1)] & 1) != 0)
        holds.push_back({range.slot, DecodeCapcode(*pagerBefore, range.slot - 1)});
  StoreResult<Reservation> reserved = store_->Reserve(ranges_, holds);
  if (!reserved.ok()) return Refuse(reserved.error);
  for (const ReservedCapcode& given : reserved.value.capcodes) GiveCapcode(editor, given.slot, given.capcode);
  lastGiven_ = reserved.value.capcodes;
  reservation_ = std::move(reserved.value);
  return true;
}

// The pager gets the capcodes its image holds: say so when the record shows
// one of them on an earlier pager, or reserved or in doubt at a station, as
// two pagers with one capcode receive each other's messages.
bool ProductionLine::AskAboutEarlierWrites(Editor& editor) {
  if (!store_ || (!askBeforeRewriting && !note)) return true;
  for (int slot = 1; slot <= kCapcodeCount; ++slot) {
    if (!CapcodeOn(editor, slot)) continue;
    const uint32_t capcode = DecodeCapcode(editor.state.PagerImage, slot - 1);
    const StoreResult<std::optional<CapcodeHolder>> holder = store_->HolderOf(capcode);
    if (!holder.ok()) return Refuse(holder.error);
    if (!holder.value) continue;
    const std::string question = AlreadyWrittenQuestion(capcode, *holder.value);
    if (askBeforeRewriting) {
      if (!messages_.AskYesNo(question, MsgIcon::Warning)) {
        if (taken_) shared_->GiveBack(*taken_);
        taken_.reset();
        return false;
      }
    } else {
      // "... Write it again?" is the window's question; here it is a note.
      note(question.substr(0, question.rfind(" Write it again?")));
    }
  }
  return true;
}

// The capcodes of this write that no pager can hold: the pager did not hold
// them before, and the write stopped before their page went out, or the
// pager read back after the failure still holds exactly the capcode record
// it held before (a page that never went in; a garbled read would hardly
// give back the very bytes the backup read).
std::vector<uint32_t> ProductionLine::NeverSent(const TransferFacts& facts) const {
  std::vector<uint32_t> free;
  const auto heldBefore = [&](uint32_t capcode) {
    if (!facts.pagerBefore) return false;
    for (int i = 0; i < kCapcodeCount; ++i)
      if (((*facts.pagerBefore)[CapcodeRecordAddress(i)] & 1) != 0 && DecodeCapcode(*facts.pagerBefore, i) == capcode)
        return true;
    return false;
  };
  const auto unchanged = [&](int slot) {
    if (!facts.capcodesReadBack || !facts.pagerBefore) return false;
    const int at = CapcodeRecordAddress(slot - 1);
    return std::equal(facts.capcodesReadBack->begin() + at, facts.capcodesReadBack->begin() + at + kCapcodeRecordSize,
                      facts.pagerBefore->begin() + at);
  };
  for (const ReservedCapcode& given : lastGiven_) {
    const int page = CapcodeRecordAddress(given.slot - 1) & ~0xF;
    const bool reached = facts.pagerTouched && facts.reachedAddress >= page;
    if (!given.again && !heldBefore(given.capcode) && (!reached || unchanged(given.slot)))
      free.push_back(given.capcode);
  }
  return free;
}

TransferRecord ProductionLine::AfterTransfer(Editor& editor, const TransferFacts& facts) {
  const bool ok = facts.result && facts.result->succeeded();
  const bool write = facts.kind == TransferKind::Write || facts.kind == TransferKind::BatchStep ||
                     facts.kind == TransferKind::Restore;
  if (taken_ && !ok) {
    const std::vector<uint32_t> free = NeverSent(facts);
    if (free.size() == lastGiven_.size()) shared_->GiveBack(*taken_);
  }
  taken_.reset();
  const std::string transferId = write && !transferId_.empty() ? transferId_ : RandomToken();
  transferId_.clear();
  // A write that never reached its pager (no board or adapter, a node that
  // cannot be opened) is recorded as failed with what the operator was
  // shown. One the line itself refused was asked about and answered.
  const bool unasked = facts.kind != TransferKind::Read && facts.kind != TransferKind::Verify && !asked_;
  asked_ = false;
  if (!store_) {
    reservation_.reset();
    return {};
  }

  ProductionRecord record;
  record.transferId = transferId;
  record.port = port_;
  record.operation = OperationOf(facts.kind);
  record.outcome = ok ? Outcome::Ok : Outcome::Failed;
  record.message = facts.result ? facts.result->message : std::string();
  if (facts.image) {
    FillFromImage(record, *facts.image);
  } else if (!facts.identText.empty()) {
    SetIdentification(record, facts.identText);
  }
  if (facts.kind != TransferKind::Read && !editor.state.CurrentTablePath.empty()) {
    // The record outlives the working folder it was made in: the path in full.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(editor.state.CurrentTablePath, ec);
    record.tablePath = ec ? editor.state.CurrentTablePath : full.lexically_normal().string();
  }
  if (facts.result) record.backupPath = facts.result->backupPath;
  record.durationMs = facts.duration.count();

  StoreResult<Stored> stored;
  if (reservation_) {
    stored = ok ? store_->Commit(*reservation_, record) : store_->Fail(*reservation_, record, NeverSent(facts));
    reservation_.reset();
  } else if (facts.pagerTouched || unasked) {
    stored = store_->Record(record);
  }
  if (stored.ok()) return {};
  messages_.Show(stored.error, MsgIcon::Warning);
  return {stored.value.id != 0, stored.error};
}

}  // namespace qrt::production
