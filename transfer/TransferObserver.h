#pragma once
// What a production line adds around the transfers: a record of every read,
// write, verify and batch pager, and for a write the capcodes the pager is to
// get. The transfer model calls it at fixed points; the production record
// implements it (production/ProductionLine.h), so the transfers stay free of
// any database and the window and the command line get the same records.
#include <chrono>
#include <string>

#include "image/PagerImage.h"

namespace qrt {

class Editor;
struct TransferResult;

// Restore: a backup written back byte for byte (no capcodes given).
enum class TransferKind { Read, Write, Verify, BatchStep, Restore };

// What one transfer did, for its record.
struct TransferFacts {
  TransferKind kind = TransferKind::Read;
  const TransferResult* result = nullptr;
  // The image read (as the pager holds it), or the image written or verified
  // against (as it went to the pager); null when the transfer got no image.
  const Image* image = nullptr;
  std::string identText;  // a read's identification, also when it stopped at the model check
  std::chrono::milliseconds duration{0};
  // False when the transfer never reached the pager (no board, or the write
  // was refused before its first page).
  bool pagerTouched = false;
};

class TransferObserver {
 public:
  virtual ~TransferObserver() = default;
  // A write (single, one batch pager or a restore) is about to touch the
  // pager; the board has answered. May give a write its capcodes through the
  // editor's fields (never a restore, whose bytes are the backup's). False,
  // after showing why, when the pager must not be written.
  virtual bool BeforeWrite(Editor& editor, TransferKind kind) = 0;
  // Every transfer has ended, whatever its outcome.
  virtual void AfterTransfer(Editor& editor, const TransferFacts& facts) = 0;
  // True when BeforeWrite gives each pager its capcodes: the batch then adds
  // none itself.
  virtual bool AssignsCapcodes() const = 0;
};

}  // namespace qrt
