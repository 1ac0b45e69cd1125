// Form: a dialog as a presentation model. It owns its controls, keeps the caption, the key
// preview flag, the focus and its visibility, and offers the user's actions (keys, typing,
// clicks, the close box) to the views, so that the Qt host and the scripted host drive the
// same form code the same way.
//
// Life of a dialog: the caller runs Load() (the Load handler once), ShowModal() (through the
// current modal host, modal_host.h; returns when the form has hidden itself), reads its
// results, and runs Unload() (the Unload handler once). Hide() only hides; nothing destroys a
// form but its owner.
//
// User actions (the views call these):
//  - PressKey(code, shift): with key preview the form's KeyDown sees the key first; a handler
//    that sets the code to 0 discards it. Then the focused control's KeyDown, then the
//    control's own behaviour (a grid moves its cursor on Up/Down/PageUp/PageDown/Home/End; in a
//    grid that allows several rows, Shift with those keys extends the selection from its anchor
//    and Ctrl+A selects every row; where the cursor moves apart from the selection, Space adds
//    the cursor row to the selection or takes it out).
//    Keys that type a character (Enter, Esc, Backspace) follow with PressChar.
//  - PressChar(ascii) / TypeText(text): key preview KeyPress first, then the focused control's
//    KeyPress; a character still not discarded is typed into a focused text box (Backspace
//    deletes). Characters outside ASCII are typed without key events.
//  - Click(name), ClickGridRow(row), DoubleClickGrid(row, col), HoverGrid(row, col),
//    SelectGridRows(rows), ToggleGridRow(row) (Ctrl+click), Paste(name, text), CloseBox().
// Every action stops as soon as the form is hidden: what the user did after the window closed
// never reaches it. Access keys: PressAccessKey('l') acts as Alt+L does (a button is clicked,
// a label gives the focus to its buddy, another control takes the focus).
//
// Errors: an unknown control name, or an action on a control of the wrong kind, raises
// qmz::Error; handlers' errors pass through. The user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "qmz/error.h"
#include "qmz/variant.h"

namespace qmz {

class Form : public Object {
 public:
  explicit Form(std::string name);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool on) { key_preview_ = on; }
  // Preferred size in twips, for views (0: the view decides).
  float Width() const { return width_; }
  float Height() const { return height_; }
  void SetSize(float width, float height);

  // Controls, in the order they were added (the tab order).
  Label& AddLabel(const std::string& name);
  TextBox& AddTextBox(const std::string& name);
  CheckBox& AddCheckBox(const std::string& name);
  CommandButton& AddCommandButton(const std::string& name);
  GridControl& AddGrid(const std::string& name, std::shared_ptr<Ledger> grid);
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  Control& FindControl(const std::string& name) const;  // Error when absent
  template <class C>
  C& Find(const std::string& name) const;  // Error when absent or of another kind

  // Events of the form itself.
  std::function<void()> Load;
  std::function<void()> Activate;
  std::function<void()> Unload;
  std::function<void(int16_t& key_code, int16_t shift)> KeyDown;
  std::function<void(int16_t& key_ascii)> KeyPress;
  // The close box; the default (no handler, or cancel left false) hides the form.
  std::function<void(bool& cancel)> QueryClose;

  // Lifecycle.
  void RunLoad();
  void RunUnload();
  bool Loaded() const { return loaded_; }
  void ShowModal();
  void Hide();
  bool Visible() const { return visible_; }
  // The host shows the form (visible, activated once).
  void HostShown();
  void RaiseActivate();
  // Repaint request from the form's code (views redraw).
  void Repaint();

  // Focus.
  Control* Focused() const { return focused_; }
  void SetFocus(const std::string& name);
  void SetFocus(Control* control);

  // User actions.
  // False when a handler discarded the key (or the form hid itself): a view then leaves out
  // what the key would do natively, such as moving a text box's caret.
  bool PressKey(int16_t key_code, int16_t shift = 0);
  void PressChar(int16_t key_ascii);
  void TypeText(const std::string& text);
  void Paste(const std::string& name, const std::string& text);
  void Click(const std::string& name);
  void PressAccessKey(char key);
  void ClickGridRow(const std::string& grid, int32_t row, int32_t col = 1);
  // The whole gesture (a click on the row, then the double click); a view whose first press
  // already went to ClickGridRow passes `first_press_done`.
  void DoubleClickGrid(const std::string& grid, int32_t row, int32_t col,
                       bool first_press_done = false);
  void HoverGrid(const std::string& grid, int32_t row, int32_t col);
  void SelectGridRows(const std::string& grid, const std::vector<int32_t>& rows);
  void ToggleGridRow(const std::string& grid, int32_t row);
  void CloseBox();

  // For views: told after each change of the form's caption, visibility or focus.
  void SetViewListener(std::function<void()> listener) { listener_ = std::move(listener); }

 private:
  template <class C>
  C& Add(std::unique_ptr<C> control);
  void Changed() const {
    if (listener_) listener_();
  }
  void GridKeyBehaviour(GridControl& grid, int16_t key_code, int16_t shift);
  // The grid `name` given the focus, as a click on it does; null when the form is hidden, or
  // hides as the focus moves.
  Ledger* FocusGrid(const std::string& name);

  std::string name_;
  std::string caption_;
  bool key_preview_ = false;
  float width_ = 0;
  float height_ = 0;
  std::vector<std::unique_ptr<Control>> controls_;
  Control* focused_ = nullptr;
  bool loaded_ = false;
  bool visible_ = false;
  bool activated_ = false;
  std::function<void()> listener_;
};

template <class C>
C& Form::Find(const std::string& name) const {
  C* control = dynamic_cast<C*>(&FindControl(name));
  if (!control) throw Error("The control " + name + " of " + name_ + " is of another kind");
  return *control;
}

}  // namespace qmz
