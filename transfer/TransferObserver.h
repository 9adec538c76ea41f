#pragma once
// What a production line adds around the transfers: a record of every read,
// write, verify and batch pager, and for a write the capcodes the pager is to
// get. The transfer model calls it at fixed points; the production record
// implements it (station/ProductionLine.h), so the transfers stay free of
// any database and the window and the command line get the same records.
// It sees only the pager's image and the facts of each transfer: whoever
// shows an editor refreshes it from the image afterwards.
#include <chrono>
#include <string>

#include "image/PagerImage.h"

namespace qrt {

struct TransferResult;

// Restore: a backup written back byte for byte (no capcodes given).
enum class TransferKind { Read, Write, Verify, BatchStep, Restore };

// What became of a transfer's record.
struct TransferRecord {
  bool kept = true;     // the record holds it (or none is kept on purpose)
  std::string problem;  // what the operator was told went wrong; empty for nothing
};

// What one transfer did, for its record.
struct TransferFacts {
  TransferKind kind = TransferKind::Read;
  const TransferResult* result = nullptr;
  // The image read (as the pager holds it), or the image written or verified
  // against (as it went to the pager); null when the transfer got no image.
  const Image* image = nullptr;
  std::string identText;  // a read's identification, also when it stopped at the model check
  std::string tablePath;  // the table file the image came from (empty: none)
  std::chrono::milliseconds duration{0};
  // False when the transfer never reached the pager (no board, or the write
  // was refused before its first page).
  bool pagerTouched = false;
  // A write: the address of the last page whose sending began (its address
  // went out, or it was skipped as the pager held it already); -1 for none.
  // Every page above it holds what the pager held before the write.
  int reachedAddress = -1;
  // A write with its backup read: the pager as it was before; null without one.
  const Image* pagerBefore = nullptr;
  // A failed write whose pages reached the capcodes: the capcode records
  // (0x040 to 0x05F) read back from the pager after the failure, the other
  // bytes as pagerBefore; null when they were not or could not be read.
  const Image* capcodesReadBack = nullptr;
};

class TransferObserver {
 public:
  virtual ~TransferObserver() = default;
  // A write (single, one batch pager or a restore) is about to touch the
  // pager; the board has answered. False, after showing why, when the pager
  // must not be written (nothing else has touched it yet).
  // `image` is the image about to be written: the line may give it its
  // capcodes here.
  virtual bool BeforeWrite(Image& image, TransferKind kind) = 0;
  // The pager has been read whole for its backup (`pagerBefore`, as it
  // holds its bytes now; null when the write goes without one) and is about
  // to be written. May give `image` its capcodes.
  // False, after showing why, when it must not be written.
  virtual bool AssignCapcodes(Image& image, TransferKind kind, const Image* pagerBefore) = 0;
  // Every transfer has ended, whatever its outcome; called before the
  // transfer's success is shown. Returns what became of its record, any
  // problem shown already.
  virtual TransferRecord AfterTransfer(const TransferFacts& facts) = 0;
  // True when BeforeWrite gives each pager its capcodes: the batch then adds
  // none itself.
  virtual bool AssignsCapcodes() const = 0;
};

}  // namespace qrt
