// Whether the answers asked for on this thread feed a list a person pages through, which may be
// long: a database server then reads them the way it reads a long answer fastest. A scope marks
// the calls made while it lives; it changes which rows come back in no way.
//
// Thread-local: a scope on one thread marks nothing on another. Cannot fail.
#pragma once

namespace qmz {

class ListAnswerScope {
 public:
  ListAnswerScope();
  ~ListAnswerScope();
  ListAnswerScope(const ListAnswerScope&) = delete;
  ListAnswerScope& operator=(const ListAnswerScope&) = delete;

  // Whether a scope lives on the calling thread.
  static bool Active();

 private:
  bool outer_;
};

}  // namespace qmz
