#include "platform/list_answer.h"

namespace qmz {

namespace {

thread_local bool list_answer = false;

}  // namespace

ListAnswerScope::ListAnswerScope() : outer_(list_answer) {
  list_answer = true;
}

ListAnswerScope::~ListAnswerScope() {
  list_answer = outer_;
}

bool ListAnswerScope::Active() {
  return list_answer;
}

}  // namespace qmz
