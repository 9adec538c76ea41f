#pragma once
// `qrt35 write FILE --continuous`: every --port is a board that programs
// each pager clipped into it, until --count pagers in all or Ctrl-C.
#include <cstdio>

#include "cli/Args.h"
#include "cli/Console.h"
#include "cli/Session.h"
#include "record/ProductionStore.h"

namespace qrt::cli {

// Runs the boards and prints their lines and the totals on `out`; the exit
// status: 0 when every pager was programmed and every board ran, else 1
// (a signal's status is the caller's). `port` is every board's options but
// the port's name. `store` may be null (--no-db).
int WriteContinuously(Console& console, const CommandLine& line, const PortOptions& port,
                      production::ProductionStore* store, FILE* out);

}  // namespace qrt::cli
