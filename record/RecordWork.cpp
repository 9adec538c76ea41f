#include "record/RecordWork.h"

#include <utility>

namespace qrt::production {

RecordJob::RecordJob(std::function<void()> work, bool mayBeLeft) : work_(std::move(work)), mayBeLeft_(mayBeLeft) {}

void RecordJob::Execute() {
  {
    std::lock_guard lock(mutex_);
    if (abandoned_) {
      ended_ = true;
      return;
    }
  }
  work_();
  std::lock_guard lock(mutex_);
  ended_ = true;
}

bool RecordJob::Abandon() {
  std::lock_guard lock(mutex_);
  if (ended_) return false;
  abandoned_ = true;
  return true;
}

bool RecordJob::ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

std::string StoppedWaitingMessage(const std::string& record) {
  return "You stopped waiting for the production record " + record + ".";
}

void DirectRunner::Start(std::shared_ptr<RecordJob> job, std::function<void()> ended) {
  job->Execute();
  if (ended) ended();
}

struct RecordWorker::Queue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::shared_ptr<RecordJob>> jobs;
  std::shared_ptr<RecordJob> running;
  std::function<void()> ended;  // called under the lock: cleared, it is never called again
  bool closing = false;
};

RecordWorker::RecordWorker(std::function<void()> ended) : queue_(std::make_shared<Queue>()) {
  queue_->ended = std::move(ended);
  thread_ = std::thread([queue = queue_] { Run(queue); });
}

RecordWorker::~RecordWorker() {
  bool leave = true;
  {
    std::lock_guard lock(queue_->mutex);
    queue_->closing = true;
    queue_->ended = nullptr;
    if (queue_->running) leave = queue_->running->mayBeLeft();
    for (const auto& job : queue_->jobs) leave = leave && job->mayBeLeft();
    if (leave) queue_->jobs.clear();
  }
  queue_->wake.notify_all();
  if (leave)
    thread_.detach();  // it ends with its call; nothing waits for that
  else
    thread_.join();
}

void RecordWorker::Start(std::shared_ptr<RecordJob> job) {
  {
    std::lock_guard lock(queue_->mutex);
    queue_->jobs.push_back(std::move(job));
  }
  queue_->wake.notify_all();
}

bool RecordWorker::busy() const {
  std::lock_guard lock(queue_->mutex);
  return queue_->running || !queue_->jobs.empty();
}

void RecordWorker::Run(const std::shared_ptr<Queue>& queue) {
  for (;;) {
    std::shared_ptr<RecordJob> job;
    {
      std::unique_lock lock(queue->mutex);
      queue->wake.wait(lock, [&] { return queue->closing || !queue->jobs.empty(); });
      if (queue->jobs.empty()) return;  // closing, with every job done
      job = queue->running = std::move(queue->jobs.front());
      queue->jobs.pop_front();
    }
    job->Execute();
    std::lock_guard lock(queue->mutex);
    queue->running.reset();
    if (queue->ended) queue->ended();
  }
}

}  // namespace qrt::production
