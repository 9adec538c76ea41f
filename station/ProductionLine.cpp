#include "station/ProductionLine.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "codecs/Capcode.h"
#include "codecs/Charset.h"
#include "transfer/PagerTransfer.h"

namespace qrt::production {
namespace {

bool CapcodeOn(const Image& image, int slot) { return CapcodeEnabled(image, slot - 1); }

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

SharedCapcodes::Taken SharedCapcodes::Next() {
  std::lock_guard lock(mutex_);
  return {next1_, next2_, {}};
}

std::vector<SharedCapcodes::Taken> SharedCapcodes::Unused() {
  std::lock_guard lock(mutex_);
  std::vector<Taken> unused;
  for (const auto& [c1, c2] : givenBack_) unused.push_back({c1, c2, {}});
  return unused;
}

// ---------------------------------------------------------------- the line

ProductionLine::ProductionLine(ProductionStore* store, std::string port, Messages& messages)
    : store_(store), port_(std::move(port)), messages_(messages) {}

// The pager's capcode `slot` as the operator would type it into its field: a
// capcode the field refuses is said and the image keeps its own.
void ProductionLine::GiveCapcode(Image& image, int slot, uint32_t capcode) {
  const CapcodeEntry entry = CheckCapcodeEntry(CapcodeText(capcode));
  switch (entry.check) {
    case EntryCheck::Accepted: StoreCapcode(image, slot - 1, entry.value); break;
    case EntryCheck::NotNumeric: messages_.Show(kMsgCapcodeNotNumeric, MsgIcon::Warning); break;
    case EntryCheck::OutOfRange: messages_.Show(kMsgCapcodeRange, MsgIcon::Warning); break;
    case EntryCheck::Empty: break;
  }
}

// A record call through the runner; the error says so when the operator
// stopped waiting for it.
template <class T>
T ProductionLine::Ask(const char* what, Waiting waiting, std::function<T()> call) {
  RecordAnswer<T> called = CallRecord<T>(runner_, what, waiting, std::move(call));
  if (called.waited) return std::move(called.value());
  T stopped{};
  stopped.error = StoppedWaitingMessage(store_ ? store_->Name() : std::string());
  if (waiting == Waiting::MayStopCallStays)
    stopped.error += " The record is still being stored; should the database not take it, it waits in this "
                     "station's journal.";
  return stopped;
}

bool ProductionLine::Refuse(const std::string& why) {
  messages_.Show(why + "\nThe pager was not written.", MsgIcon::Warning);
  return false;
}

bool ProductionLine::BeforeWrite(Image& image, TransferKind kind) {
  reservation_.reset();
  taken_.reset();
  lastGiven_.clear();
  asked_ = true;
  transferId_ = RandomToken();
  stoppedReserve_.reset();
  if (awaitRecord) {
    const std::string stopped = awaitRecord();
    if (!stopped.empty()) return Refuse(stopped);
  }
  // A line must not program a pager it cannot record.
  if (!store_ && !unavailable_.empty()) return Refuse(unavailable_);
  if (ProductionStore* store = store_) {
    const StoreStatus reachable =
        Ask<StoreStatus>("Checking the production record...", Waiting::MayStop, [store] { return store->Check(); });
    if (!reachable.ok()) return Refuse(reachable.error);
  }
  // A backup goes back as it was taken: its capcodes are its own.
  if (kind == TransferKind::Restore) return true;
  if (!ranges_.empty()) {
    if (!store_) return Refuse(kAllocationNeedsRecord);
    // Capcode 2 alone from the record would leave every pager the image's
    // capcode 1: two pagers with one capcode receive each other's messages.
    const bool slot1 = std::any_of(ranges_.begin(), ranges_.end(), [](const CapcodeRange& r) { return r.slot == 1; });
    if (!slot1 && CapcodeOn(image, 1))
      return Refuse("Capcode 2 is allocated but capcode 1 is not: every pager would get the same capcode 1. "
                    "Allocate capcode 1 as well, or switch it off.");
    for (const CapcodeRange& range : ranges_)
      if (!CapcodeOn(image, range.slot))
        return Refuse("Capcode " + std::to_string(range.slot) +
                      " is switched off in this image, so it cannot be given an allocated capcode.");
    return true;  // the capcodes are reserved once the pager has been read (AssignCapcodes)
  }
  if (shared_) {
    const SharedCapcodes::Taken taken = shared_->Take();
    if (!taken.error.empty()) return Refuse(taken.error);
    GiveCapcode(image, 1, taken.capcode1);
    GiveCapcode(image, 2, taken.capcode2);
    // Only a capcode that goes up is this pager's own: the other is every pager's.
    if (shared_->Increases(1)) lastGiven_.push_back({1, taken.capcode1});
    if (shared_->Increases(2)) lastGiven_.push_back({2, taken.capcode2});
    taken_ = taken;
  }
  return AskAboutEarlierWrites(image);
}

// The reservation knows what the pager held before the write: a pager that
// holds a capcode of the range in doubt (its earlier write failed after
// pages were sent) gets that capcode again rather than a second one.
bool ProductionLine::AssignCapcodes(Image& image, TransferKind, const Image* pagerBefore) {
  if (ranges_.empty() || !store_) return true;
  std::vector<ReservedCapcode> holds;
  if (pagerBefore)
    for (const CapcodeRange& range : ranges_)
      if (CapcodeEnabled(*pagerBefore, range.slot - 1))
        holds.push_back({range.slot, DecodeCapcode(*pagerBefore, range.slot - 1)});
  ProductionStore* store = store_;
  const std::vector<CapcodeRange> ranges = ranges_;
  RecordAnswer<StoreResult<Reservation>> called =
      CallRecord<StoreResult<Reservation>>(runner_, "Reserving capcodes in the production record...",
                                           Waiting::MayStop, [store, ranges, holds] { return store->Reserve(ranges, holds); });
  if (!called.waited) {
    // It may still be made: AfterTransfer gives it back.
    stoppedReserve_ = called.answer;
    return Refuse(StoppedWaitingMessage(store->Name()));
  }
  StoreResult<Reservation>& reserved = called.value();
  if (!reserved.ok()) return Refuse(reserved.error);
  for (const ReservedCapcode& given : reserved.value.capcodes) GiveCapcode(image, given.slot, given.capcode);
  lastGiven_ = reserved.value.capcodes;
  reservation_ = std::move(reserved.value);
  return true;
}

// The pager gets the capcodes its image holds: say so when the record shows
// one of them on an earlier pager, or reserved or in doubt at a station, as
// two pagers with one capcode receive each other's messages.
bool ProductionLine::AskAboutEarlierWrites(const Image& image) {
  if (!store_ || (!askBeforeRewriting && !note)) return true;
  for (int slot = 1; slot <= kCapcodeCount; ++slot) {
    if (!CapcodeOn(image, slot)) continue;
    const uint32_t capcode = DecodeCapcode(image, slot - 1);
    ProductionStore* store = store_;
    const auto holder = Ask<StoreResult<std::optional<CapcodeHolder>>>(
        "Looking up the capcode in the production record...", Waiting::MayStop,
        [store, capcode] { return store->HolderOf(capcode); });
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
      if (CapcodeEnabled(*facts.pagerBefore, i) && DecodeCapcode(*facts.pagerBefore, i) == capcode)
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

TransferRecord ProductionLine::AfterTransfer(const TransferFacts& facts) {
  const bool ok = facts.result && facts.result->succeeded();
  const bool write = facts.kind == TransferKind::Write || facts.kind == TransferKind::BatchStep ||
                     facts.kind == TransferKind::Restore;
  lastFreed_.clear();
  if (!ok && (taken_ || reservation_)) lastFreed_ = NeverSent(facts);
  if (taken_ && !ok) {
    // A pair goes back whole or not at all: the next pager takes both.
    if (lastFreed_.size() == lastGiven_.size())
      shared_->GiveBack(*taken_);
    else
      lastFreed_.clear();
  }
  taken_.reset();
  const std::string transferId = write && !transferId_.empty() ? transferId_ : RandomToken();
  transferId_.clear();
  // A write that never reached its pager (no board or adapter, a node that
  // cannot be opened) is recorded as failed with what the operator was
  // shown. One the line itself refused was asked about and answered.
  const bool unasked = facts.kind != TransferKind::Read && facts.kind != TransferKind::Verify && !asked_;
  asked_ = false;
  // A read or verify right after the start: the record may still be opening
  // (a write waited for it before it began).
  const bool readOrVerify = facts.kind == TransferKind::Read || facts.kind == TransferKind::Verify;
  const std::string stopped = awaitRecord && readOrVerify && facts.pagerTouched ? awaitRecord() : std::string();
  if (!stopped.empty()) {
    reservation_.reset();
    messages_.Show(stopped + "\nThis transfer is not recorded.", MsgIcon::Warning);
    return {false, stopped};
  }
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
  if (facts.kind != TransferKind::Read && !facts.tablePath.empty()) {
    // The record outlives the working folder it was made in: the path in full.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(facts.tablePath, ec);
    record.tablePath = ec ? facts.tablePath : full.lexically_normal().string();
  }
  if (facts.result) record.backupPath = facts.result->backupPath;
  record.durationMs = facts.duration.count();

  if (stoppedReserve_) return KeepAfterStoppedReserve(record);
  // A verified pager is recorded before anyone is told: its commit is
  // waited for to its end. Any other record is stored (or journaled) by its
  // call whether or not the operator waits for it.
  StoreResult<Stored> stored;
  ProductionStore* store = store_;
  const char* storing = "Storing the record in the production record...";
  if (reservation_) {
    const Reservation reservation = *reservation_;
    reservation_.reset();
    if (ok) {
      stored = Ask<StoreResult<Stored>>(storing, Waiting::ToTheEnd,
                                        [store, reservation, record] { return store->Commit(reservation, record); });
    } else {
      const std::vector<uint32_t> free = lastFreed_;
      stored = Ask<StoreResult<Stored>>(storing, Waiting::MayStopCallStays, [store, reservation, record, free] {
        return store->Fail(reservation, record, free);
      });
    }
  } else if (facts.pagerTouched || unasked) {
    stored = Ask<StoreResult<Stored>>(storing, Waiting::MayStopCallStays, [store, record] { return store->Record(record); });
  }
  if (stored.ok()) return {};
  messages_.Show(stored.error, MsgIcon::Warning);
  return {stored.value.id != 0, stored.error};
}

// The write was refused while its reservation was still on its way: once
// it has been made (the runner keeps the order), every capcode in it is
// given back, as the pager never received a page. Nobody waits for that.
TransferRecord ProductionLine::KeepAfterStoppedReserve(const ProductionRecord& record) {
  ProductionStore* store = store_;
  auto reserved = std::move(stoppedReserve_);
  auto job = std::make_shared<RecordJob>([store, reserved, record] {
    if (!*reserved || !(*reserved)->ok()) {
      store->Record(record);
      return;
    }
    std::vector<uint32_t> all;
    for (const ReservedCapcode& c : (*reserved)->value.capcodes) all.push_back(c.capcode);
    store->Fail((*reserved)->value, record, all);
  });
  if (runner_) runner_->Start(job);
  else job->Execute();
  return {};
}

}  // namespace qrt::production
