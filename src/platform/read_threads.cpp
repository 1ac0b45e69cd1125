#include "platform/read_threads.h"

#include <pthread.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qmz {

namespace {

// One kept thread: it runs the job it is given, then offers itself as idle again.
struct ReadThread {
  std::mutex mutex;
  std::condition_variable wake;
  std::function<void()> job, then;  // guarded by mutex
};

// The idle threads. Made once and never destroyed, so that a thread still running at exit
// never sees it gone; the lock is held across fork() and a child starts with an empty list.
struct Idle {
  std::mutex mutex;
  std::vector<ReadThread*> threads;  // guarded by mutex
};

Idle& TheIdle();

void PrepareFork() {
  TheIdle().mutex.lock();
}

void ParentAfterFork() {
  TheIdle().mutex.unlock();
}

void ChildAfterFork() {
  // The parent's threads do not exist here; their objects are left as they are.
  Idle& idle = TheIdle();
  idle.threads.clear();
  idle.mutex.unlock();
}

Idle& TheIdle() {
  static Idle* idle = [] {
    auto* made = new Idle;
    pthread_atfork(PrepareFork, ParentAfterFork, ChildAfterFork);
    return made;
  }();
  return *idle;
}

// Offers `thread` as idle; false when enough are idle already (the thread then ends).
bool OfferIdle(ReadThread* thread) {
  Idle& idle = TheIdle();
  std::lock_guard lock(idle.mutex);
  if (idle.threads.size() >= kIdleReadThreads) return false;
  idle.threads.push_back(thread);
  return true;
}

void Loop(ReadThread* thread) {
  for (;;) {
    std::function<void()> job, then;
    {
      std::unique_lock lock(thread->mutex);
      thread->wake.wait(lock, [&] { return static_cast<bool>(thread->job); });
      job = std::move(thread->job);
      then = std::move(thread->then);
      thread->job = nullptr;
      thread->then = nullptr;
    }
    job();
    job = nullptr;  // what the job held goes before the thread is offered again
    // Offered before `then`: the next job may be handed over while `then` runs, and waits in
    // thread->job until this loop comes round.
    const bool kept = OfferIdle(thread);
    then();
    then = nullptr;
    if (!kept) {
      delete thread;
      return;
    }
  }
}

}  // namespace

void RunOnReadThread(std::function<void()> job, std::function<void()> then) {
  ReadThread* thread = nullptr;
  {
    Idle& idle = TheIdle();
    std::lock_guard lock(idle.mutex);
    if (!idle.threads.empty()) {
      thread = idle.threads.back();
      idle.threads.pop_back();
    }
  }
  if (!thread) {
    auto made = std::make_unique<ReadThread>();
    made->job = std::move(job);
    made->then = std::move(then);
    std::thread(Loop, made.get()).detach();
    made.release();  // the thread owns it now
    return;
  }
  {
    std::lock_guard lock(thread->mutex);
    thread->job = std::move(job);
    thread->then = std::move(then);
  }
  thread->wake.notify_one();
}

}  // namespace qmz
