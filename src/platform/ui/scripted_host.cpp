#include "platform/ui/scripted_host.h"

#include <charconv>
#include <map>

#include "platform/stoppable_read.h"
#include "platform/text.h"
#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "qmz/error.h"

namespace qmz {

namespace {

// Splits the script at ";" outside double quotes; quotes stay for the word splitter.
std::vector<std::string> SplitActions(const std::string& script) {
  std::vector<std::string> pieces(1);
  bool quoted = false;
  for (size_t i = 0; i < script.size(); ++i) {
    char c = script[i];
    if (quoted && c == '\\' && i + 1 < script.size()) {
      pieces.back() += c;
      pieces.back() += script[++i];
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (c == ';' && !quoted) {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  if (quoted) throw Error("The script has an unclosed quote");
  return pieces;
}

// One word, or a quoted text with its escapes resolved.
std::string NextWord(const std::string& text, size_t& i) {
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string word;
  if (i < text.size() && text[i] == '"') {
    for (++i; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      word += text[i];
    }
    ++i;
    return word;
  }
  while (i < text.size() && text[i] != ' ' && text[i] != '\t') word += text[i++];
  return word;
}

// The rest of an action as one text: quoted, or everything after one blank, as written.
std::string RestAsText(const std::string& text, size_t i) {
  size_t start = i;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  if (start < text.size() && text[start] == '"') return NextWord(text, start);
  return i < text.size() ? text.substr(i + 1) : std::string();
}

int32_t Number(const std::string& text, const std::string& action) {
  int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    throw Error("The script action '" + action + "' needs a number, not '" + text + "'");
  }
  return value;
}

std::string FirstGridName(Form& form) {
  for (const auto& control : form.Controls()) {
    if (control->Kind() == ControlKind::kGrid) return control->Name();
  }
  throw Error("The form " + form.Name() + " has no grid");
}

// What a screen does between the user's actions: it paints each grid's title row, which asks
// the form for that row's text (forms set column flags there).
void PaintTitleRows(Form& form) {
  for (const auto& control : form.Controls()) {
    auto* grid = dynamic_cast<GridControl*>(control.get());
    if (!grid || grid->Grid().Cols() == 0) continue;
    try {
      grid->Grid().RowTextOf(1);
    } catch (const std::exception&) {
      // A row that cannot be drawn stays blank, as on a screen.
    }
  }
}

}  // namespace

int16_t ScriptKeyCode(const std::string& name) {
  static const std::map<std::string, int16_t> keys = {
      {"enter", kKeyEnter},   {"esc", kKeyEscape},
      {"escape", kKeyEscape}, {"f9", kKeyF9},
      {"up", kKeyUp},         {"down", kKeyDown},
      {"pageup", kKeyPageUp}, {"pagedown", kKeyPageDown},
      {"home", kKeyHome},     {"end", kKeyEnd},
      {"left", kKeyLeft},     {"right", kKeyRight},
      {"back", kKeyBack},     {"backspace", kKeyBack},
      {"space", kKeySpace}};
  auto hit = keys.find(ToLowerAscii(name));
  if (hit != keys.end()) return hit->second;
  int32_t code = 0;
  auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), code);
  if (error == std::errc() && end == name.data() + name.size() && code > 0 && code < 256) {
    return static_cast<int16_t>(code);
  }
  throw Error("Unknown key '" + name + "' in the script");
}

std::vector<ScriptAction> ParseScript(const std::string& script) {
  std::vector<ScriptAction> actions;
  for (const std::string& piece : SplitActions(script)) {
    if (Trim(piece).empty()) continue;
    size_t i = 0;
    ScriptAction action;
    action.verb = ToLowerAscii(NextWord(piece, i));
    const std::string& verb = action.verb;
    auto need = [&](size_t least, size_t most) {
      if (action.args.size() < least || action.args.size() > most) {
        throw Error("The script action '" + Trim(piece) + "' has the wrong arguments");
      }
    };
    if (verb == "type" || verb == "paste") {
      action.args.push_back(NextWord(piece, i));
      action.args.push_back(RestAsText(piece, i));
      need(2, 2);
      if (action.args[0].empty()) need(3, 3);
    } else {
      while (true) {
        std::string word = NextWord(piece, i);
        if (word.empty()) break;
        action.args.push_back(word);
      }
      if (verb == "click" || verb == "alt") {
        need(1, 1);
      } else if (verb == "key") {
        need(1, 2);
        ScriptKeyCode(action.args[0]);
      } else if (verb == "row") {
        need(1, 1);
        Number(action.args[0], piece);
      } else if (verb == "select") {
        need(1, 1);
        for (const std::string& row : SplitText(action.args[0], ',')) Number(row, piece);
      } else if (verb == "toggle") {
        need(1, 1);
        Number(action.args[0], piece);
      } else if (verb == "answer") {
        need(1, 1);
        const std::string answer = ToLowerAscii(action.args[0]);
        if (answer != "yes" && answer != "no") {
          throw Error("The script action '" + Trim(piece) + "' answers yes or no");
        }
      } else if (verb == "dblclick" || verb == "hover") {
        need(1, 2);
        for (const std::string& n : action.args) Number(n, piece);
      } else if (verb == "close") {
        need(0, 0);
      } else if (verb == "cancel") {
        need(1, 1);
        if (Number(action.args[0], piece) < 0) {
          throw Error("The script action '" + Trim(piece) + "' needs a time of 0 or more");
        }
      } else {
        throw Error("Unknown script action '" + Trim(piece) + "'");
      }
    }
    actions.push_back(std::move(action));
  }
  return actions;
}

ScriptedHost::ScriptedHost(const std::string& script, std::ostream& messages)
    : messages_(messages) {
  for (ScriptAction& action : ParseScript(script)) actions_.push_back(std::move(action));
}

ScriptedHost::~ScriptedHost() {
  const size_t left = actions_.size() + (cancel_after_ ? 1 : 0);
  if (left == 0) return;
  messages_ << "[script] " << left << (left == 1 ? " action was" : " actions were")
            << " not played\n";
}

void ScriptedHost::WaitForRead(Form*, StoppableRead& read) {
  if (!cancel_after_ && !actions_.empty() && actions_.front().verb == "cancel") {
    cancel_after_ = std::chrono::milliseconds(Number(actions_.front().args[0], "cancel"));
    actions_.pop_front();
  }
  if (!cancel_after_) {
    read.Wait();
    return;
  }
  const std::chrono::milliseconds after = *cancel_after_;
  cancel_after_.reset();
  if (read.WaitFor(after)) return;
  messages_ << "[script] the read was cancelled after " << after.count() << " ms\n";
  read.Stop();
  // As the Qt host does, the stop is sent again until the read ends (a statement that began
  // just after the first stop).
  while (!read.WaitFor(std::chrono::milliseconds(100))) read.Stop();
}

void ScriptedHost::RunModal(Form& form) {
  form.HostShown();
  if (form.Visible()) PaintTitleRows(form);
  while (form.Visible() && !actions_.empty()) {
    ScriptAction action = std::move(actions_.front());
    actions_.pop_front();
    try {
      Play(form, action);
      if (form.Visible()) PaintTitleRows(form);
    } catch (const std::exception& e) {
      messages_ << "[script] " << e.what() << "\n";
      form.Hide();
      throw;
    }
  }
  if (form.Visible()) form.CloseBox();
  if (form.Visible()) form.Hide();
}

void ScriptedHost::Play(Form& form, const ScriptAction& action) {
  const std::string& verb = action.verb;
  const auto& args = action.args;
  if (verb == "type") {
    form.SetFocus(args[0]);
    form.TypeText(args[1]);
  } else if (verb == "paste") {
    form.Paste(args[0], args[1]);
  } else if (verb == "click") {
    form.Click(args[0]);
  } else if (verb == "key") {
    if (args.size() > 1) form.SetFocus(args[1]);
    form.PressKey(ScriptKeyCode(args[0]));
  } else if (verb == "alt") {
    form.PressAccessKey(args[0][0]);
  } else if (verb == "row") {
    form.ClickGridRow(FirstGridName(form), Number(args[0], verb));
  } else if (verb == "select") {
    std::vector<int32_t> rows;
    for (const std::string& row : SplitText(args[0], ',')) rows.push_back(Number(row, verb));
    form.SelectGridRows(FirstGridName(form), rows);
  } else if (verb == "toggle") {
    form.ToggleGridRow(FirstGridName(form), Number(args[0], verb));
  } else if (verb == "answer") {
    throw Error("No question was asked for 'answer " + args[0] + "'");
  } else if (verb == "dblclick" || verb == "hover") {
    int32_t row = Number(args[0], verb);
    int32_t col = args.size() > 1 ? Number(args[1], verb) : 1;
    if (verb == "dblclick") {
      form.DoubleClickGrid(FirstGridName(form), row, col);
    } else {
      form.HoverGrid(FirstGridName(form), row, col);
    }
  } else if (verb == "close") {
    form.CloseBox();
  } else if (verb == "cancel") {
    cancel_after_ = std::chrono::milliseconds(Number(args[0], verb));
  }
}

void ScriptedHost::ShowMessage(const std::string& text, MessageIcon, const std::string& title) {
  messages_ << "[" << title << "] " << text << "\n";
  shown_.push_back("[" + title + "] " + text);
}

bool ScriptedHost::AskYesNo(const std::string& text, const std::string& title) {
  bool yes = false;
  if (!actions_.empty() && actions_.front().verb == "answer") {
    yes = ToLowerAscii(actions_.front().args[0]) == "yes";
    actions_.pop_front();
  }
  ShowMessage(text + (yes ? " (yes)" : " (no)"), MessageIcon::kQuestion, title);
  return yes;
}

}  // namespace qmz
