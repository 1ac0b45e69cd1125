// frmSelectAux: the auxiliary-property picker. It lists, for one item, each auxiliary property's
// total over all warehouses followed by its stock per warehouse (7 columns), computes unit
// prices from amount and quantity, and confirms on OK, Enter in the grid or a double click.
// Its check box, ticked, leaves out zero quantities (saved as AuxShowZero). Built on the
// PickerForm skeleton of the batch pickers; Aux is the fragment its box opens with.
#pragma once

#include "picker/picker_form.h"

namespace qmz {

class frmSelectAux : public PickerForm {
 public:
  frmSelectAux();

  std::string Aux;

 protected:
  void BeforeSetUpGrid() override;
  void SetUpGrid() override;
  void QueryList() override;
  std::string TitleText() const override;
  std::string ListRowText(int32_t row) override;
  std::string ChooseFilter(const std::vector<std::string>& cells) const override;
  std::vector<int32_t> ChooseColumns() const override { return {2, 3}; }
};

// The entry points behind BaseList.ShowAux and ShowAuxForMultiSel.
// The base-data query right (40, 800, 1): false after the refusal message was shown. A security
// component that cannot be created or asked raises to the caller.
bool MayQueryBaseData();
// The dialog part, under the caller's guard; `result` is set as in RunPicker.
void ShowAuxPicker(const InventoryRequest& request, bool multi_select, ObjectPtr& result);

}  // namespace qmz
