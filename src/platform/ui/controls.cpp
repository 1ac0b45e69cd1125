#include "platform/ui/controls.h"

#include <algorithm>

#include "platform/ui/ledger.h"

namespace qmz {

void Control::SetVisible(bool visible) {
  visible_ = visible;
  Changed();
}

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Changed();
}

void Control::SetAccessibleName(std::string name) {
  if (name == accessible_name_) return;
  accessible_name_ = std::move(name);
  Changed();
}

void Control::SetToolTipText(std::string text) {
  tool_tip_ = std::move(text);
  Changed();
}

void Label::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Changed();
}

void TextBox::SetText(std::string text) {
  bool differs = text != text_;
  text_ = std::move(text);
  sel_start_ = text_.size();
  sel_length_ = 0;
  Changed();
  if (differs && Change) Change();
}

void TextBox::SetSelection(size_t start, size_t length) {
  sel_start_ = std::min(start, text_.size());
  sel_length_ = std::min(length, text_.size() - sel_start_);
  Changed();
}

void TextBox::InsertAtCaret(const std::string& characters) {
  std::string text = text_;
  text.replace(sel_start_, sel_length_, characters);
  bool differs = text != text_;
  // The caret stands after the insertion before Change runs.
  sel_start_ = sel_start_ + characters.size();
  sel_length_ = 0;
  text_ = std::move(text);
  Changed();
  if (differs && Change) Change();
}

void CheckBox::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Changed();
}

void CheckBox::SetValue(int16_t value) {
  bool differs = value != value_;
  value_ = value;
  Changed();
  if (differs && Click) Click();
}

void CommandButton::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Changed();
}

GridControl::GridControl(Form* form, std::string name, std::shared_ptr<Ledger> grid)
    : Control(form, ControlKind::kGrid, std::move(name)), grid_(std::move(grid)) {}

char AccessKey(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    unsigned char key = static_cast<unsigned char>(caption[i + 1]);
    if (key >= 0x80) return 0;
    return static_cast<char>(std::tolower(key));
  }
  return 0;
}

std::string CaptionWithoutAccessMark(const std::string& caption) {
  std::string shown;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

}  // namespace qmz
