#pragma once
// Test-only: makes one moment of a pager command observable, so that the
// command-line tests can send a signal exactly then, or make a port's
// transfer throw there. Read from the environment and honoured only on a
// simulated pager (a port named sim or sim:FILE): a real pager is never held
// or failed on purpose.
//
//   QRT35_TEST_HOLD=MOMENT:DIR    the first pager of every port, at MOMENT,
//                                 creates DIR/held-N (N: its pager number)
//                                 and waits until the test removes it (a
//                                 minute at most)
//   QRT35_TEST_THROW=MOMENT:PORT  the first pager on PORT throws there
//
// MOMENT is read (a read, or the read before a write, once past 0x100),
// write (the pages, once past 0x100), verify (once past 0x100) or commit
// (a pager written and verified, before its record is kept).
#include <memory>
#include <set>
#include <string>

#include "transfer/TransferObserver.h"

namespace qrt::cli {

class TestMoments : public TransferObserver {
 public:
  enum class Moment { Read, Write, Verify, Commit };

  // What the environment asks of `port`; null when it asks nothing of it.
  static std::unique_ptr<TestMoments> ForPort(const std::string& port);

  // The production line this stands in front of (never null when used as an observer).
  void SetObserver(TransferObserver* inner) { inner_ = inner; }
  void SetPager(int pager) { pager_ = pager; }
  // The transfer's progress: `label` at `value`; its moment may have come.
  void Changed(const std::string& label, int value);

  bool BeforeWrite(Image& image, TransferKind kind) override { return inner_->BeforeWrite(image, kind); }
  bool AssignCapcodes(Image& image, TransferKind kind, const Image* pagerBefore) override {
    return inner_->AssignCapcodes(image, kind, pagerBefore);
  }
  TransferRecord AfterTransfer(const TransferFacts& facts) override;
  bool AssignsCapcodes() const override { return inner_->AssignsCapcodes(); }

 private:
  void Reached(Moment moment);

  bool hold_ = false, throw_ = false;
  Moment holdAt_ = Moment::Read, throwAt_ = Moment::Read;
  std::string holdDir_;
  std::set<Moment> passed_;
  TransferObserver* inner_ = nullptr;
  int pager_ = 0;
};

}  // namespace qrt::cli
