// StoppableRead: a read of rows that may take long (a list's query), run on a kept helper thread
// (platform/read_threads.h) while the thread that started it waits, shows how far it got and may
// stop it.
//
// The waiting thread starts the read, waits for it (WaitFor, Wait: a condition variable, no
// polling), may ask it to stop (Stop, from any thread), and collects it with Finish(), which
// raises the read's own error, or ReadStopped when a stop was asked (whatever the read did
// then: the user was told it stops). The reading thread sees the read as CurrentRead(); the
// database code below counts the rows it read (CountRows) and, while a statement blocks, holds
// a StopHook that ends the statement in the database (sqlite3_interrupt, SQLCancel). A hook
// registered after the stop was asked is not run: the code checks StopAsked() between its
// steps, and the waiter may send the stop again (Stop() runs the live hooks each time).
//
// Ownership: the object waits for its work to end when it ends (after asking it to stop), so
// the work may use what the starting thread keeps on its stack; the reading thread touches the
// object no more once it has marked it ended. Thread-safe as stated.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

#include "qmz/error.h"

namespace qmz {

// A read the user stopped; nothing it read is kept.
class ReadStopped : public Error {
 public:
  ReadStopped() : Error("The reading of the list was stopped") {}
};

class StoppableRead {
 public:
  using Clock = std::chrono::steady_clock;
  // What the user waits for: the rows of a list, or its records put in order.
  enum class Work { kReading, kSorting };

  // Starts `work` on a kept helper thread at once.
  explicit StoppableRead(std::function<void()> work, Work what = Work::kReading);
  ~StoppableRead();
  StoppableRead(const StoppableRead&) = delete;
  StoppableRead& operator=(const StoppableRead&) = delete;

  // True once the work has returned or thrown.
  bool WaitFor(std::chrono::milliseconds limit);
  void Wait();
  bool Ended() const;
  // `ended` is called once as the read ends (at once when it has ended), on the reading thread
  // under the read's lock: it must be quick and must not throw (it wakes an event loop). An
  // empty function takes it back; after that it is never called.
  void OnEnded(std::function<void()> ended);
  // Asks the read to stop and runs the hooks of the statements that block now.
  void Stop();
  bool StopAsked() const { return stop_asked_.load(std::memory_order_relaxed); }
  Work What() const { return what_.load(std::memory_order_relaxed); }
  // From the reading thread: the read goes on to put the rows it read in order.
  void NowSorting() { what_.store(Work::kSorting, std::memory_order_relaxed); }
  // Rows read (or made ready to sort) so far, and the time since the start.
  int64_t RowsRead() const { return rows_.load(std::memory_order_relaxed); }
  Clock::duration Elapsed() const { return Clock::now() - started_; }
  // Waits for the work; raises ReadStopped after a stop, else the work's error.
  void Finish();

  void CountRows(int64_t rows) { rows_.fetch_add(rows, std::memory_order_relaxed); }

 private:
  friend class StopHook;
  void Run();
  void MarkEnded();

  std::function<void()> work_;
  std::atomic<Work> what_;
  std::function<void()> ended_callback_;
  Clock::time_point started_ = Clock::now();
  std::atomic<bool> stop_asked_{false};
  std::atomic<int64_t> rows_{0};
  mutable std::mutex mutex_;
  std::condition_variable ended_changed_;
  bool ended_ = false;
  std::exception_ptr error_;
  std::list<std::function<void()>*> hooks_;  // guarded by mutex_
};

// The read the calling thread runs, or null (no read, or another thread's).
StoppableRead* CurrentRead();

// While it lives, a stop of `read` runs `stop` (on the stopping thread); nothing for a null
// read. `stop` must end the blocked call quickly and may run after the call returned, but never
// after the hook ended.
class StopHook {
 public:
  StopHook(StoppableRead* read, std::function<void()> stop);
  ~StopHook();
  StopHook(const StopHook&) = delete;
  StopHook& operator=(const StopHook&) = delete;

 private:
  StoppableRead* read_;
  std::function<void()> stop_;
  std::list<std::function<void()>*>::iterator at_;
};

// ReadStopped when `read` (may be null) was asked to stop.
void ThrowIfStopped(const StoppableRead* read);

// For work run as a read that counts what it did as it goes (a long sort): adds `rows` to the
// calling thread's read, then raises ReadStopped when it was asked to stop; nothing outside a
// read.
void CountRowsOrStop(int64_t rows);

}  // namespace qmz
