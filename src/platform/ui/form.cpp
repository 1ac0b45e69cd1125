#include "platform/ui/form.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/ui/ledger.h"
#include "platform/ui/modal_host.h"
#include "platform/utf8.h"

namespace qmz {

namespace {

constexpr int32_t kPageRows = 10;
constexpr int16_t kGroupSeparator = 29;  // a barcode scanner's field separator

// The rows from `first` to `last` in that order, either way.
std::vector<int32_t> RowsFromTo(int32_t first, int32_t last) {
  std::vector<int32_t> rows;
  const int32_t step = last >= first ? 1 : -1;
  for (int32_t row = first; row != last + step; row += step) rows.push_back(row);
  return rows;
}

// Where a Shift-extended selection starts: the first row of a selection that runs row by row
// to the cursor (one made by Shift and a key or a click), else the cursor row.
int32_t SelectionAnchor(const Ledger& grid) {
  const std::vector<int32_t> rows = grid.SelectedRows();
  const int32_t cursor = grid.CursorRow();
  if (rows.empty() || rows.back() != cursor) return std::max(cursor, 2);
  if (rows != RowsFromTo(rows.front(), cursor)) return cursor;
  return rows.front();
}

}  // namespace

Form::Form(std::string name) : name_(std::move(name)) {}
Form::~Form() {
  NotifyFormEnded(*this);
}

void Form::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Changed();
}

void Form::SetSize(float width, float height) {
  width_ = width;
  height_ = height;
  Changed();
}

template <class C>
C& Form::Add(std::unique_ptr<C> control) {
  for (const auto& existing : controls_) {
    if (EqualsIgnoreCase(existing->Name(), control->Name())) {
      throw Error("The form " + name_ + " already has a control " + control->Name());
    }
  }
  C& added = *control;
  controls_.push_back(std::move(control));
  return added;
}

Label& Form::AddLabel(const std::string& name) {
  return Add(std::make_unique<Label>(this, name));
}
TextBox& Form::AddTextBox(const std::string& name) {
  return Add(std::make_unique<TextBox>(this, name));
}
CheckBox& Form::AddCheckBox(const std::string& name) {
  return Add(std::make_unique<CheckBox>(this, name));
}
CommandButton& Form::AddCommandButton(const std::string& name) {
  return Add(std::make_unique<CommandButton>(this, name));
}
GridControl& Form::AddGrid(const std::string& name, std::shared_ptr<Ledger> grid) {
  if (!grid) throw Error("The grid " + name + " needs a Ledger");
  return Add(std::make_unique<GridControl>(this, name, std::move(grid)));
}

Control& Form::FindControl(const std::string& name) const {
  for (const auto& control : controls_) {
    if (EqualsIgnoreCase(control->Name(), name)) return *control;
  }
  throw Error("The form " + name_ + " has no control " + name);
}

void Form::RunLoad() {
  if (loaded_) return;
  loaded_ = true;
  FrontFormScope front(*this);
  if (Load) Load();
}

void Form::RunUnload() {
  if (!loaded_) return;
  loaded_ = false;
  visible_ = false;
  activated_ = false;
  NotifyFormEnded(*this);
  if (Unload) Unload();
}

void Form::ShowModal() {
  RunLoad();
  qmz::ShowModal(*this);
}

void Form::HostShown() {
  visible_ = true;
  Changed();
  if (!focused_) {
    auto first = std::find_if(controls_.begin(), controls_.end(), [](const auto& control) {
      return control->TakesFocus() && control->Visible() && control->Enabled();
    });
    if (first != controls_.end()) SetFocus(first->get());
  }
  if (!activated_) RaiseActivate();
}

void Form::RaiseActivate() {
  activated_ = true;
  if (Activate && visible_) Activate();
}

void Form::Hide() {
  if (!visible_) return;
  visible_ = false;
  Changed();
  NotifyFormHidden(*this);
}

void Form::Repaint() {
  Changed();
}

void Form::SetFocus(const std::string& name) {
  SetFocus(&FindControl(name));
}

void Form::SetFocus(Control* control) {
  if (control == focused_ || (control && !control->TakesFocus())) return;
  focused_ = control;
  Changed();
  if (control && control->GotFocus) control->GotFocus();
}

bool Form::PressKey(int16_t key_code, int16_t shift) {
  if (!visible_) return false;
  if (key_preview_ && KeyDown) KeyDown(key_code, shift);
  if (key_code == 0 || !visible_) return false;
  if (Control* control = focused_) {
    if (control->KeyDown) control->KeyDown(key_code, shift);
    auto* grid = dynamic_cast<GridControl*>(control);
    if (grid && key_code != 0 && visible_) grid->Grid().RaiseKeyDown(key_code, shift);
    if (key_code == 0 || !visible_) return false;
    if (grid) GridKeyBehaviour(*grid, key_code, shift);
  }
  if (key_code == kKeyEnter || key_code == kKeyEscape || key_code == kKeyBack) {
    PressChar(key_code);
  }
  return visible_;
}

void Form::GridKeyBehaviour(GridControl& control, int16_t key_code, int16_t shift) {
  Ledger& grid = control.Grid();
  if (grid.Rows() < 2) return;
  const bool several = grid.MultiSelect();
  if (key_code == kKeyA && (shift & (kCtrlMask | kAltMask)) == kCtrlMask) {
    if (several) grid.SetSelectedRows(RowsFromTo(2, grid.Rows()));
    return;
  }
  if (key_code == kKeySpace && several && grid.CursorApart() && grid.CursorRow() >= 2) {
    grid.ToggleSelected(grid.CursorRow());
    return;
  }
  int32_t row = grid.CursorRow();
  int32_t target = row;
  switch (key_code) {
    case kKeyUp:
      target = row - 1;
      break;
    case kKeyDown:
      target = row + 1;
      break;
    case kKeyPageUp:
      target = row - kPageRows;
      break;
    case kKeyPageDown:
      target = row + kPageRows;
      break;
    case kKeyHome:
      target = 2;
      break;
    case kKeyEnd:
      target = grid.Rows();
      break;
    default:
      return;
  }
  target = std::clamp(target, 2, grid.Rows());
  if (several && (shift & kShiftMask)) {
    grid.SetSelectedRows(RowsFromTo(SelectionAnchor(grid), target));
  } else if (target != row) {
    grid.SetCursorRow(target);
  }
}

void Form::PressChar(int16_t key_ascii) {
  if (!visible_) return;
  if (key_preview_ && KeyPress) KeyPress(key_ascii);
  if (key_ascii == 0 || !visible_) return;
  Control* control = focused_;
  if (!control) return;
  if (control->KeyPress) control->KeyPress(key_ascii);
  if (auto* grid = dynamic_cast<GridControl*>(control); grid && key_ascii != 0 && visible_) {
    grid->Grid().RaiseKeyPress(key_ascii);
  }
  if (key_ascii == 0 || !visible_) return;
  if (auto* box = dynamic_cast<TextBox*>(control)) {
    if (key_ascii == kKeyBack) {
      size_t start = box->SelStart();
      size_t length = box->SelLength();
      if (length == 0 && start > 0) {
        length = LastCharacterLength(box->Text(), start);
        start -= length;
      }
      box->SetSelection(start, length);
      box->InsertAtCaret("");
    } else if ((key_ascii >= 32 && key_ascii < 127) ||
               (key_ascii == kGroupSeparator && box->AcceptsGroupSeparator())) {
      box->InsertAtCaret(std::string(1, static_cast<char>(key_ascii)));
    }
  } else if (auto* button = dynamic_cast<CommandButton*>(control)) {
    if ((key_ascii == kKeyEnter || key_ascii == ' ') && button->Click) button->Click();
  } else if (auto* check = dynamic_cast<CheckBox*>(control)) {
    if (key_ascii == ' ') check->SetValue(check->Value() ? 0 : 1);
  }
}

void Form::TypeText(const std::string& text) {
  for (size_t i = 0; i < text.size() && visible_;) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      PressChar(static_cast<int16_t>(c));
      ++i;
      continue;
    }
    // A character outside ASCII comes through the input method: no key events.
    const size_t length = CharacterLength(text, i);
    if (auto* box = dynamic_cast<TextBox*>(focused_)) box->InsertAtCaret(text.substr(i, length));
    i += length;
  }
}

void Form::Paste(const std::string& name, const std::string& text) {
  if (!visible_) return;
  auto& box = Find<TextBox>(name);
  SetFocus(&box);
  if (visible_) box.InsertAtCaret(text);
}

void Form::Click(const std::string& name) {
  if (!visible_) return;
  Control& control = FindControl(name);
  if (!control.Visible() || !control.Enabled()) return;
  SetFocus(&control);
  if (!visible_) return;
  if (auto* button = dynamic_cast<CommandButton*>(&control)) {
    if (button->Click) button->Click();
  } else if (auto* check = dynamic_cast<CheckBox*>(&control)) {
    check->SetValue(check->Value() ? 0 : 1);
  } else if (auto* grid = dynamic_cast<GridControl*>(&control)) {
    grid->Grid().RaiseClick();
  }
}

void Form::PressAccessKey(char key) {
  if (!visible_) return;
  key = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
  for (size_t i = 0; i < controls_.size(); ++i) {
    Control& control = *controls_[i];
    std::string caption;
    if (auto* label = dynamic_cast<Label*>(&control)) caption = label->Caption();
    if (auto* button = dynamic_cast<CommandButton*>(&control)) caption = button->Caption();
    if (auto* check = dynamic_cast<CheckBox*>(&control)) caption = check->Caption();
    if (caption.empty() || AccessKey(caption) != key || !control.Visible()) continue;
    if (auto* label = dynamic_cast<Label*>(&control)) {
      if (!label->Buddy().empty()) {
        SetFocus(label->Buddy());
      } else if (i + 1 < controls_.size()) {
        SetFocus(controls_[i + 1].get());
      }
    } else {
      Click(control.Name());
    }
    return;
  }
}

Ledger* Form::FocusGrid(const std::string& name) {
  if (!visible_) return nullptr;
  auto& control = Find<GridControl>(name);
  SetFocus(&control);
  return visible_ ? &control.Grid() : nullptr;
}

void Form::ClickGridRow(const std::string& name, int32_t row, int32_t col) {
  Ledger* grid = FocusGrid(name);
  if (!grid) return;
  grid->SetMouse(row, col);
  if (row >= 2 && row != grid->CursorRow()) grid->SetCursorRow(row);
  if (visible_) grid->RaiseClick();
}

void Form::DoubleClickGrid(const std::string& name, int32_t row, int32_t col,
                           bool first_press_done) {
  if (!first_press_done) ClickGridRow(name, row, col);
  if (!visible_) return;
  Ledger& grid = Find<GridControl>(name).Grid();
  grid.SetMouse(row, col);
  grid.RaiseDblClick();
}

void Form::HoverGrid(const std::string& name, int32_t row, int32_t col) {
  if (!visible_) return;
  Ledger& grid = Find<GridControl>(name).Grid();
  grid.SetMouse(row, col);
  grid.RaiseMouseMove();
}

void Form::SelectGridRows(const std::string& name, const std::vector<int32_t>& rows) {
  Ledger* grid = FocusGrid(name);
  if (!grid) return;
  grid->SetSelectedRows(rows);
  if (visible_) grid->RaiseClick();
}

void Form::ToggleGridRow(const std::string& name, int32_t row) {
  Ledger* grid = FocusGrid(name);
  if (!grid) return;
  grid->ToggleSelected(row);
  if (visible_) grid->RaiseClick();
}

void Form::CloseBox() {
  if (!visible_) return;
  bool cancel = false;
  if (QueryClose) QueryClose(cancel);
  if (!cancel) Hide();
}

}  // namespace qmz
