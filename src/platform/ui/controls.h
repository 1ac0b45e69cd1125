// The controls of the dialogs: Label, TextBox, CheckBox, CommandButton, and GridControl, the
// form's place for a Ledger. Plain presentation objects: a view (the Qt host, the scripted host)
// shows them and plays the user's actions through the owning Form (form.h), which routes keys
// through the form first when it previews keys.
//
// Events are std::function slots that the owning form sets; empty slots are skipped. Writes
// from code raise the same events as the user's edits, as the toolkit did: SetText raises
// Change when the text differs, CheckBox::SetValue raises Click when the value changes.
// Each write tells the view through the control's listener (after the change).
//
// Ownership and threading: the Form owns its controls; references stay valid for the form's
// life. The user-interface thread only. Handlers' errors pass through unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qmz {

class Form;
class Ledger;

// Key codes the forms look at.
inline constexpr int16_t kKeyBack = 8;
inline constexpr int16_t kKeyEnter = 13;
inline constexpr int16_t kKeyEscape = 27;
inline constexpr int16_t kKeySpace = 32;
inline constexpr int16_t kKeyPageUp = 33;
inline constexpr int16_t kKeyPageDown = 34;
inline constexpr int16_t kKeyEnd = 35;
inline constexpr int16_t kKeyHome = 36;
inline constexpr int16_t kKeyLeft = 37;
inline constexpr int16_t kKeyUp = 38;
inline constexpr int16_t kKeyRight = 39;
inline constexpr int16_t kKeyDown = 40;
inline constexpr int16_t kKeyF9 = 120;
inline constexpr int16_t kKeyA = 65;
// The shift mask of a key event.
inline constexpr int16_t kShiftMask = 1;
inline constexpr int16_t kCtrlMask = 2;
inline constexpr int16_t kAltMask = 4;

enum class ControlKind { kLabel, kTextBox, kCheckBox, kCommandButton, kGrid };

class Control {
 public:
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  Form& Owner() const { return *form_; }

  // Layout hint for views: controls of one line stand side by side, lines top to bottom.
  int32_t Line() const { return line_; }
  void SetLine(int32_t line) { line_ = line; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  const std::string& ToolTipText() const { return tool_tip_; }
  void SetToolTipText(std::string text);
  // The name a screen reader gives the control; empty: the view's own (a label's text, the
  // caption of the label before a box).
  const std::string& AccessibleName() const { return accessible_name_; }
  void SetAccessibleName(std::string name);

  // Whether the control takes the focus (labels do not).
  bool TakesFocus() const { return kind_ != ControlKind::kLabel; }

  std::function<void(int16_t& key_code, int16_t shift)> KeyDown;
  std::function<void(int16_t& key_ascii)> KeyPress;
  std::function<void()> GotFocus;

  // For the view: told after each change of what it shows.
  void SetViewListener(std::function<void()> listener) { listener_ = std::move(listener); }

 protected:
  Control(Form* form, ControlKind kind, std::string name)
      : form_(form), kind_(kind), name_(std::move(name)) {}
  void Changed() const {
    if (listener_) listener_();
  }

 private:
  Form* form_;
  ControlKind kind_;
  std::string name_;
  int32_t line_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::string tool_tip_;
  std::string accessible_name_;
  std::function<void()> listener_;
};

// Text with an access key: "&L" marks L; "&&" is a literal "&".
class Label : public Control {
 public:
  Label(Form* form, std::string name) : Control(form, ControlKind::kLabel, std::move(name)) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // The control that the label's access key leads to; empty for none.
  const std::string& Buddy() const { return buddy_; }
  void SetBuddy(std::string control_name) { buddy_ = std::move(control_name); }

 private:
  std::string caption_;
  std::string buddy_;
};

class TextBox : public Control {
 public:
  TextBox(Form* form, std::string name) : Control(form, ControlKind::kTextBox, std::move(name)) {}

  const std::string& Text() const { return text_; }
  // Replaces the text; raises Change when it differs. The caret goes to the end.
  void SetText(std::string text);
  // Selection in bytes of the UTF-8 text, clamped to the text.
  size_t SelStart() const { return sel_start_; }
  size_t SelLength() const { return sel_length_; }
  void SetSelection(size_t start, size_t length);
  void SelectAll() { SetSelection(0, text_.size()); }
  // The user's typing: replaces the selection with `characters` (UTF-8), raises Change.
  void InsertAtCaret(const std::string& characters);
  // Whether the group separator (ASCII 29, a barcode scanner's field separator) typed into the
  // box is kept; like every other control character it is dropped unless the box asks for it.
  bool AcceptsGroupSeparator() const { return accepts_group_separator_; }
  void AcceptGroupSeparator(bool accept) { accepts_group_separator_ = accept; }

  std::function<void()> Change;

 private:
  std::string text_;
  bool accepts_group_separator_ = false;
  size_t sel_start_ = 0;
  size_t sel_length_ = 0;
};

class CheckBox : public Control {
 public:
  CheckBox(Form* form, std::string name) : Control(form, ControlKind::kCheckBox, std::move(name)) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // 0 cleared, 1 ticked. A change raises Click, from code as from the user.
  int16_t Value() const { return value_; }
  void SetValue(int16_t value);

  std::function<void()> Click;

 private:
  std::string caption_;
  int16_t value_ = 0;
};

class CommandButton : public Control {
 public:
  CommandButton(Form* form, std::string name)
      : Control(form, ControlKind::kCommandButton, std::move(name)) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // Name of a picture the view may show on the button; empty for none.
  const std::string& Picture() const { return picture_; }
  void SetPicture(std::string picture) { picture_ = std::move(picture); }

  std::function<void()> Click;

 private:
  std::string caption_;
  std::string picture_;
};

// The form's place for its grid; the grid's own events are the Ledger's.
class GridControl : public Control {
 public:
  GridControl(Form* form, std::string name, std::shared_ptr<Ledger> grid);
  Ledger& Grid() const { return *grid_; }
  const std::shared_ptr<Ledger>& SharedGrid() const { return grid_; }

 private:
  std::shared_ptr<Ledger> grid_;
};

// The access key of a caption ("确定(&O)" has 'o', "重新读取数据(F9)" none), lower case;
// 0 for none. The caption as shown, without the marks.
char AccessKey(const std::string& caption);
std::string CaptionWithoutAccessMark(const std::string& caption);

}  // namespace qmz
