#include "production/ProductionLine.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "editor/Capcode.h"
#include "editor/Charset.h"
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
    StoreResult<Reservation> reserved = store_->Reserve(ranges_);
    if (!reserved.ok()) return Refuse(reserved.error);
    for (const ReservedCapcode& given : reserved.value.capcodes) GiveCapcode(editor, given.slot, given.capcode);
    lastGiven_ = reserved.value.capcodes;
    reservation_ = std::move(reserved.value);
    return true;
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

// The pager gets the capcodes its image holds: say so when the record shows
// one of them on an earlier pager, as two pagers with one capcode receive
// each other's messages.
bool ProductionLine::AskAboutEarlierWrites(Editor& editor) {
  if (!store_ || (!askBeforeRewriting && !note)) return true;
  for (int slot = 1; slot <= kCapcodeCount; ++slot) {
    if (!CapcodeOn(editor, slot)) continue;
    const uint32_t capcode = DecodeCapcode(editor.state.PagerImage, slot - 1);
    const StoreResult<std::optional<PreviousWrite>> previous = store_->LastWriteOf(capcode);
    if (!previous.ok()) return Refuse(previous.error);
    if (!previous.value) continue;
    const std::string question = AlreadyWrittenQuestion(capcode, *previous.value);
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

void ProductionLine::AfterTransfer(Editor& editor, const TransferFacts& facts) {
  const bool ok = facts.result && facts.result->succeeded();
  if (taken_ && !ok) shared_->GiveBack(*taken_);
  taken_.reset();
  if (!store_ || !facts.pagerTouched) {
    // A write that never reached its pager (no board or adapter, a node
    // that cannot be opened) is recorded as failed with what the operator
    // was shown. One the line itself refused was asked about and answered.
    const bool write = facts.kind != TransferKind::Read && facts.kind != TransferKind::Verify;
    if (store_ && (reservation_ || (write && !asked_))) {
      ProductionRecord refused;
      refused.port = port_;
      refused.operation = OperationOf(facts.kind);
      refused.message = facts.result ? facts.result->message : std::string();
      const StoreResult<int64_t> stored =
          reservation_ ? store_->Release(*reservation_, refused) : store_->Record(refused);
      if (!stored.ok()) messages_.Show(stored.error, MsgIcon::Warning);
    }
    asked_ = false;
    reservation_.reset();
    return;
  }
  asked_ = false;

  ProductionRecord record;
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

  StoreResult<int64_t> stored;
  if (reservation_) {
    stored = ok ? store_->Commit(*reservation_, record) : store_->Release(*reservation_, record);
    reservation_.reset();
  } else {
    stored = store_->Record(record);
  }
  if (!stored.ok()) messages_.Show(stored.error, MsgIcon::Warning);
}

}  // namespace qrt::production
