#include "platform/stoppable_read.h"

#include "platform/read_threads.h"

namespace qmz {

namespace {

thread_local StoppableRead* current_read = nullptr;

}  // namespace

StoppableRead::StoppableRead(std::function<void()> work, Work what)
    : work_(std::move(work)), what_(what) {
  RunOnReadThread([this] { Run(); }, [this] { MarkEnded(); });
}

StoppableRead::~StoppableRead() {
  if (Ended()) return;
  Stop();
  Wait();
}

void StoppableRead::Run() {
  current_read = this;
  try {
    work_();
  } catch (...) {
    error_ = std::current_exception();  // read by the waiter only once ended_ is set
  }
  current_read = nullptr;
}

void StoppableRead::MarkEnded() {
  // Woken under the lock: once it is let go, the waiter may end this object, so the reading
  // thread touches nothing of it afterwards.
  std::lock_guard lock(mutex_);
  ended_ = true;
  if (ended_callback_) ended_callback_();
  ended_changed_.notify_all();
}

void StoppableRead::OnEnded(std::function<void()> ended) {
  std::lock_guard lock(mutex_);
  ended_callback_ = std::move(ended);
  if (ended_ && ended_callback_) ended_callback_();
}

bool StoppableRead::WaitFor(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return ended_changed_.wait_for(lock, limit, [this] { return ended_; });
}

void StoppableRead::Wait() {
  std::unique_lock lock(mutex_);
  ended_changed_.wait(lock, [this] { return ended_; });
}

bool StoppableRead::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

void StoppableRead::Stop() {
  stop_asked_.store(true, std::memory_order_relaxed);
  std::lock_guard lock(mutex_);
  for (std::function<void()>* hook : hooks_) (*hook)();
}

void StoppableRead::Finish() {
  Wait();
  if (StopAsked()) throw ReadStopped();
  if (error_) std::rethrow_exception(error_);
}

StoppableRead* CurrentRead() {
  return current_read;
}

StopHook::StopHook(StoppableRead* read, std::function<void()> stop)
    : read_(read), stop_(std::move(stop)) {
  if (!read_) return;
  std::lock_guard lock(read_->mutex_);
  at_ = read_->hooks_.insert(read_->hooks_.end(), &stop_);
}

StopHook::~StopHook() {
  if (!read_) return;
  std::lock_guard lock(read_->mutex_);
  read_->hooks_.erase(at_);
}

void ThrowIfStopped(const StoppableRead* read) {
  if (read && read->StopAsked()) throw ReadStopped();
}

void CountRowsOrStop(int64_t rows) {
  StoppableRead* read = CurrentRead();
  if (!read) return;
  read->CountRows(rows);
  ThrowIfStopped(read);
}

}  // namespace qmz
