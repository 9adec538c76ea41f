#pragma once
// Calls on the production record, run where the program wants them. A
// record can take seconds to answer (a PostgreSQL server that does not
// answer holds a connect for libpq's connect_timeout, a SQLite file locked
// by another program holds a write for its busy timeout), and a window must
// go on painting meanwhile: the window runs every record call on a thread
// of its own and waits for it in a progress dialog the operator may cancel;
// the command line and the tests run each call at once, on their own thread.
//
// A call whose waiter gave up and that had not started yet is dropped; one
// that had started goes on to its end (a database call cannot be taken back
// halfway). Calls run one at a time in the order they were started, so a
// call started after another sees what the other did: what an abandoned call
// took (a reservation of capcodes for a pager that is not written) is given
// back by a call started after it.
//
// Every call started is finished before the program ends (a commit must
// reach the record or the journal), except one that owns all it uses and
// keeps nothing (opening the record, a test): that one is left behind when
// the program ends while the database keeps it waiting.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace qrt::production {

class RecordJob {
 public:
  // `mayBeLeft`: the call owns all it uses and keeps nothing (see above).
  explicit RecordJob(std::function<void()> work, bool mayBeLeft = false);
  bool mayBeLeft() const { return mayBeLeft_; }

  // On the runner's thread. A job given up before it started does nothing.
  void Execute();
  // Nobody waits for it any more: it is dropped unless it has started.
  // False when it had ended already: its answer stands.
  bool Abandon();
  bool ended() const;

 private:
  mutable std::mutex mutex_;
  std::function<void()> work_;
  bool mayBeLeft_;
  bool ended_ = false, abandoned_ = false;
};

class RecordRunner {
 public:
  virtual ~RecordRunner() = default;
  // Starts `job` after every job started before it. `ended`, when given,
  // runs on the caller's thread once the job has ended (not once this
  // runner is gone).
  virtual void Start(std::shared_ptr<RecordJob> job, std::function<void()> ended = {}) = 0;
  // Waits until the started `job` has ended: true. The operator is told
  // `what` is waited for; with `cancellable` they may stop waiting: false,
  // the job still running (Abandon it when its answer is of no use now).
  virtual bool Wait(RecordJob& job, const std::string& what, bool cancellable) = 0;
  // Whether a job started has not ended yet.
  virtual bool busy() const = 0;
};

// Every job at once, on the caller's thread: the command line, the tests.
class DirectRunner : public RecordRunner {
 public:
  void Start(std::shared_ptr<RecordJob> job, std::function<void()> ended) override;
  bool Wait(RecordJob&, const std::string&, bool) override { return true; }
  bool busy() const override { return false; }
};

// One thread that runs the jobs in the order they were started; `ended` is
// called on that thread after each job, for its owner to pass on. Its
// destructor runs every job started to its end, or leaves them to their
// thread and returns when each of them may be left.
class RecordWorker {
 public:
  explicit RecordWorker(std::function<void()> ended);
  ~RecordWorker();
  RecordWorker(const RecordWorker&) = delete;
  RecordWorker& operator=(const RecordWorker&) = delete;

  void Start(std::shared_ptr<RecordJob> job);
  bool busy() const;

 private:
  struct Queue;  // shared with the thread, which may outlive this object
  static void Run(const std::shared_ptr<Queue>& queue);

  std::shared_ptr<Queue> queue_;
  std::thread thread_;
};

enum class Waiting {
  ToTheEnd,          // the operator cannot stop waiting (a verified pager's commit)
  MayStop,           // they may; a call not started yet is then dropped (it only
                     // looks, or a call started after it keeps what it did)
  MayStopCallStays,  // they may; the call runs all the same (a record to keep)
};

// What a record call answered.
template <class T>
struct RecordAnswer {
  bool waited = true;  // false: the operator stopped waiting
  // Filled on the runner's thread once the call has ended: read it when
  // `waited`, or from a call started after this one (empty when dropped).
  std::shared_ptr<std::optional<T>> answer = std::make_shared<std::optional<T>>();
  T& value() { return **answer; }
};

// Runs `call` through `runner` (at once when there is none) and waits for
// it, telling the operator `what` is waited for. `mayBeLeft`: see RecordJob.
template <class T>
RecordAnswer<T> CallRecord(RecordRunner* runner, const std::string& what, Waiting waiting, std::function<T()> call,
                           bool mayBeLeft = false) {
  RecordAnswer<T> result;
  auto answer = result.answer;
  if (!runner) {
    *answer = call();
    return result;
  }
  auto job = std::make_shared<RecordJob>([answer, call] { *answer = call(); }, mayBeLeft);
  runner->Start(job);
  if (runner->Wait(*job, what, waiting != Waiting::ToTheEnd)) return result;
  result.waited = waiting == Waiting::MayStop ? !job->Abandon() : job->ended();
  return result;
}

// "You stopped waiting for the production record NAME."
std::string StoppedWaitingMessage(const std::string& record);

}  // namespace qrt::production
