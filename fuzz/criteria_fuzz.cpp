// The recordset's Filter, Find and Sort criteria over a small list: a criterion is applied or
// refused with qmz::Error; the recordset stays usable either way.
#include "fuzz/fuzz_input.h"
#include "qmz/error.h"
#include "qmz/recordset.h"

using qmz::Variant;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qmz::fuzz::Input input = qmz::fuzz::Split(data, size);
  qmz::Recordset list({"FBatchNo", "FQty", "FName", "FKFDate"});
  list.AddRecord({Variant("B2601"), Variant(40.0), Variant("上海仓"), Variant("2026-01-05")});
  list.AddRecord({Variant("A'B"), Variant(7.0), Variant(), Variant("2026-03-01")});
  list.AddRecord({Variant("b2603 "), Variant(-1.5), Variant("北京仓"), Variant()});
  const std::string& text = input.Text(0);
  try {
    switch (input.choice % 3) {
      case 0:
        list.SetFilter(text);
        break;
      case 1:
        list.MoveFirst();
        list.Find(text, static_cast<int32_t>(input.choice % 4), input.choice & 8);
        break;
      default:
        list.SetSort(text);
        break;
    }
  } catch (const qmz::Error&) {
  }
  qmz::fuzz::Require(list.RecordCount() >= 0 && list.RecordCount() <= 3);
  return 0;
}
