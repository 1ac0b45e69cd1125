// Threads kept for long reads (StoppableRead): RunOnReadThread hands a job to an idle kept
// thread, or to a new one when none is idle; the thread waits for the next job afterwards. A
// thread made and ended for every read left about 4 KB of the process's memory behind each time
// (glibc's per-thread state), and making it costs its time.
//
// Threading: callable from any thread; jobs of several callers run at once on threads of their
// own. At most kIdleReadThreads idle threads are kept; one more ends when its job is done. The
// threads live as long as the process (never joined); a child of fork() starts with none.
// Fails only as std::thread does (std::system_error when no thread can be made).
#pragma once

#include <cstddef>
#include <functional>

namespace qmz {

inline constexpr size_t kIdleReadThreads = 2;

// Runs `job` on a kept thread, then offers the thread for the next job, then runs `then` on it
// (a waiter woken by `then` finds the thread ready for its next read); returns at once.
// Neither may throw.
void RunOnReadThread(std::function<void()> job, std::function<void()> then);

}  // namespace qmz
