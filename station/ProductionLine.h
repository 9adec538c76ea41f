#pragma once
// One station's production line around its transfers: every read, write,
// verify and batch pager goes into the production record before its success
// is shown, a write is refused before the pager is touched when the record
// cannot be kept, and the capcodes of each pager written come from the
// record's allocation (ranges set by `write --allocate` or Pager > Allocate
// Capcodes...) or, when several ports write one batch, from one counter they
// share. A capcode that may have reached a pager is never handed to another
// one: a failed write gives back only what it provably never sent.
//
// The window and the command line each make one per port and hand it to the
// transfer model; the store and the shared counter are the run's, shared by
// every port.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "record/Allocation.h"
#include "record/ProductionStore.h"
#include "record/RecordWork.h"
#include "transfer/TransferObserver.h"

namespace qrt::production {

// The capcodes of a batch whose ports add one after every pager: each pager,
// on whichever port, takes the next; a pager whose write stopped before its
// capcodes' page gives them back for the next one (any other failed pager
// may hold them, and keeps them). One per run, shared by the ports' lines.
// The next batch starts above every capcode any port took: one given back
// and taken by no pager since lies below capcodes that other pagers hold.
class SharedCapcodes {
 public:
  // The first pager's capcodes; `increase1`/`increase2` say which ones go up.
  SharedCapcodes(uint32_t first1, uint32_t first2, bool increase1, bool increase2);

  struct Taken {
    uint32_t capcode1 = 0, capcode2 = 0;
    std::string error;  // the capcode went past 2097151: the batch ends
  };
  Taken Take();
  void GiveBack(const Taken& taken);
  // Where the next batch starts: above every capcode taken in this run,
  // written, in doubt or given back.
  Taken Next();
  // Capcodes given back and taken by no pager since, lowest first: no
  // pager holds them.
  std::vector<Taken> Unused();
  // Whether capcode `slot` (1 or 2) goes up after every pager: the other one
  // is the table's, the same in every pager.
  bool Increases(int slot) const { return slot == 1 ? increase1_ : increase2_; }

 private:
  std::mutex mutex_;
  uint32_t next1_, next2_;
  bool increase1_, increase2_;
  std::set<std::pair<uint32_t, uint32_t>> givenBack_;
};

// Why capcode ranges are refused when there is no record to allocate from.
inline constexpr const char* kAllocationNeedsRecord = "Capcodes can be allocated only with a production database.";

class ProductionLine : public TransferObserver {
 public:
  // `store` may be null (working without a record on purpose); it and
  // `shared` outlive the line. `messages` shows what refuses a write.
  ProductionLine(ProductionStore* store, std::string port, Messages& messages);

  // Capcode ranges the pagers written take their capcodes from (empty: the
  // capcodes the image holds). Needs a store.
  void SetAllocation(std::vector<CapcodeRange> ranges) { ranges_ = std::move(ranges); }
  const std::vector<CapcodeRange>& allocation() const { return ranges_; }
  void SetSharedCapcodes(SharedCapcodes* shared) { shared_ = shared; }
  void SetStore(ProductionStore* store) {
    store_ = store;
    if (store) unavailable_.clear();
  }
  // The record was asked for but could not be had (the reason, naming the
  // database): every write is refused with it until a store is set. Reads
  // and verifies go on unrecorded.
  void SetUnavailable(std::string why) { unavailable_ = std::move(why); }
  const std::string& unavailable() const { return unavailable_; }
  ProductionStore* store() const { return store_; }
  void SetPort(std::string port) { port_ = std::move(port); }
  // Where the line's record calls run: none (the default) at once; the
  // window's thread for record calls, whose waits the operator may stop
  // before the pager is touched (the pager is then not written).
  void SetRecordRunner(RecordRunner* runner) { runner_ = runner; }
  // Waits for a record still being opened, when there is one, before it is
  // needed; the error when the operator stopped waiting. None: nothing waits.
  std::function<std::string()> awaitRecord;

  // How a capcode the record shows on an earlier pager is met when a pager
  // is written with the image's own capcodes: asked (the window: "Capcode N
  // was already written ... Write it again?"), or told through `note` and
  // written (the command line, whose scripts chose their capcodes).
  bool askBeforeRewriting = false;
  std::function<void(const std::string&)> note;

  bool BeforeWrite(Image& image, TransferKind kind) override;
  bool AssignCapcodes(Image& image, TransferKind kind, const Image* pagerBefore) override;
  TransferRecord AfterTransfer(const TransferFacts& facts) override;
  bool AssignsCapcodes() const override { return !ranges_.empty() || shared_ != nullptr; }

  // The capcodes the last pager written was given (slot, capcode), for the
  // line the command line prints.
  const std::vector<ReservedCapcode>& lastGiven() const { return lastGiven_; }
  // Those of them that the last transfer, failed, provably never put into
  // its pager: released or given back. The others are in doubt.
  const std::vector<uint32_t>& lastFreed() const { return lastFreed_; }

 private:
  bool Refuse(const std::string& why);
  bool AskAboutEarlierWrites(const Image& image);
  void GiveCapcode(Image& image, int slot, uint32_t capcode);
  std::vector<uint32_t> NeverSent(const TransferFacts& facts) const;
  template <class T>
  T Ask(const char* what, Waiting waiting, std::function<T()> call);
  TransferRecord KeepAfterStoppedReserve(const ProductionRecord& record);

  ProductionStore* store_;
  std::string port_;
  Messages& messages_;
  std::vector<CapcodeRange> ranges_;
  SharedCapcodes* shared_ = nullptr;
  std::optional<Reservation> reservation_;     // of the pager being written
  std::string transferId_;                      // of the write under way
  std::optional<SharedCapcodes::Taken> taken_;  // of the pager being written
  std::vector<ReservedCapcode> lastGiven_;
  std::vector<uint32_t> lastFreed_;
  std::string unavailable_;
  RecordRunner* runner_ = nullptr;
  // A reservation the operator stopped waiting for: it may still be made.
  std::shared_ptr<std::optional<StoreResult<Reservation>>> stoppedReserve_;
  bool asked_ = false;  // BeforeWrite was asked about the transfer under way
};

}  // namespace qrt::production
