// The T-SQL adaption step: any batch is turned into statements or refused with qmz::Error.
#include "fuzz/fuzz_input.h"
#include "qmz/error.h"
#include "suite/tsql_adaption.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    for (const std::string& statement :
         qmz::suite::AdaptTsql(std::string(reinterpret_cast<const char*>(data), size))) {
      qmz::fuzz::Require(statement.size() <= 4 * size + 64);
    }
  } catch (const qmz::Error&) {
  }
  return 0;
}
