#include "base_data_list/frm_base_list.h"

#include <cmath>

#include "list_services/list_settings.h"
#include "list_services/saved_settings.h"
#include "login/installation.h"
#include "login/language.h"
#include "platform/ignore_errors.h"
#include "platform/number_format.h"
#include "platform/ui/modal_host.h"
#include "qmz/components.h"
#include "qmz/error.h"

namespace qmz {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
const char kIniSection[] = "BaseList";
const char kIniFileName[] = "JXCSystem.INI";

// The INI component, created on first use and kept for the thread.
IniFile& ThreadIniFile() {
  thread_local std::shared_ptr<IniFile> ini;
  if (!ini) ini = CreateComponent<IniFile>(progid::kIniFile);
  return *ini;
}

// "00" pattern: at least two digits, a minus sign before them.
std::string TwoDigits(int32_t value) {
  std::string digits = std::to_string(value < 0 ? -static_cast<int64_t>(value) : value);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return value < 0 ? "-" + digits : digits;
}

}  // namespace

frmBaseList::frmBaseList() : Form("frmBaseList"), grid_(std::make_shared<Ledger>()) {
  SetCaption("基础资料");
  SetKeyPreview(true);
  SetSize(9600, 6000);
  Label& label = AddLabel("lblNumber");
  label.SetCaption("输入查询的关键字(&L):");
  label.SetBuddy("txtNumber");
  txtNumber_ = &AddTextBox("txtNumber");
  txtNumber_->SetToolTipText("在定位时通配符为 ? 和 * ;在过滤时通配符为 _ 和 %;");
  CommandButton& get = AddCommandButton("cmdGet");
  get.SetCaption("重新读取数据(F9)");
  get.SetPicture("refresh");
  GridControl& grid = AddGrid("LDGBase", grid_);
  grid.SetAccessibleName("基础资料列表");
  grid.SetLine(1);

  Load = [this] { OnLoad(); };
  Unload = [this] { OnUnload(); };
  Activate = [this] { OnActivate(); };
  KeyDown = [this](int16_t& code, int16_t shift) { OnKeyDown(code, shift); };
  KeyPress = [this](int16_t& ascii) { OnKeyPress(ascii); };
  get.Click = [this] { ReRead(); };
  txtNumber_->Change = [this] {
    if (!Updating_ && detail_) detail_->LocationNew(txtNumber_->Text());
  };
  txtNumber_->GotFocus = [this] { txtNumber_->SelectAll(); };
  txtNumber_->KeyDown = [this](int16_t& code, int16_t) {
    if (!detail_) return;
    if (code == kKeyUp) detail_->MoveLDG(1);
    if (code == kKeyDown) detail_->MoveLDG(0);
  };
  grid_->RowText = [this](int32_t row, std::string& text) {
    if (!detail_) return;
    text = row == 1 ? detail_->TRowData(1) : detail_->DRowData(row);
  };
  grid_->Click = [this] { IgnoreErrors([&] { OnGridClick(); }); };
  grid_->DblClick = [this] { IgnoreErrors([&] { OnGridDblClick(); }); };
  grid_->KeyPress = [this](int16_t& ascii) { IgnoreErrors([&] { OnGridKeyPress(ascii); }); };
  grid_->MouseMove = [this] { IgnoreErrors([&] { OnGridMouseMove(); }); };
  grid_->Notify = [this](int32_t code, const std::string& name, const Variant&, const Variant& p2) {
    try {
      OnGridNotify(code, name, p2);
    } catch (const std::exception&) {
      // A failure ends the handler.
    }
  };
}

frmBaseList::~frmBaseList() {
  // The handlers capture this form; the grid may outlive it in a view.
  grid_->RowText = nullptr;
  grid_->Click = nullptr;
  grid_->DblClick = nullptr;
  grid_->KeyPress = nullptr;
  grid_->MouseMove = nullptr;
  grid_->Notify = nullptr;
}

void frmBaseList::OnLoad() {
  LoadFormLanguage(*this);
  detail_ = std::make_unique<BaseDetail>();
  Updating_ = false;
  grid_->SetCols(5);
  grid_->SetLayoutSetting(kLayoutColor8, kWhite);
  grid_->SetLayoutSetting(kLayoutColor7, kWhite);
  detail_->LDG(grid_);
  detail_->GetTitleInfo(ListSettings().ListClassID);
  detail_->TakeJournalData();
  SetColumnWidths();
  txtNumber_->SetText(ListSettings().KeyWord);
  CreateComponent<Chameleon>(progid::kChameleon)->Apply(grid_);
}

void frmBaseList::SetColumnWidths() {
  int16_t class_id = ListSettings().ListClassID;
  float w = grid_->HostWidth() / 3;
  if (class_id == 4 || class_id == -121) {
    for (int32_t col = 3; col <= 5; ++col) grid_->Column(col).SetWidth(w);
  } else if (class_id == 18) {
    LoadIniColumnWidths();
  } else {
    grid_->Column(3).SetWidth(w);
    grid_->Column(4).SetWidth(2 * w);
  }
}

void frmBaseList::LoadIniColumnWidths() {
  IniFile& ini = ThreadIniFile();
  ini.SetFile(GetInstallPath() + kIniFileName);
  float w = static_cast<float>(std::nearbyint(grid_->HostWidth() / 7));  // halves to even
  const float defaults[] = {w - 100, w, w * 1.4f, w * 1.4f, w + 20, w};
  for (int32_t col = 3; col <= 8; ++col) {
    float fallback = defaults[col - 3];
    std::string saved = ini.Read(kIniSection, "18" + TwoDigits(col), SingleToText(fallback));
    grid_->Column(col).SetWidth(SavedWidth(saved, fallback));
  }
}

void frmBaseList::SaveIniColumnWidths(int32_t class_id) {
  IniFile& ini = ThreadIniFile();
  ini.SetFile(GetComponentFolder() + kIniFileName);
  // Every width in one write: one replacement of the file, not one per column.
  std::vector<std::pair<std::string, std::string>> widths;
  for (int32_t col = 1; col <= grid_->Cols(); ++col) {
    widths.emplace_back(std::to_string(class_id) + TwoDigits(col),
                        SingleToText(grid_->Column(col).Width()));
  }
  ini.WriteAll(kIniSection, widths);
}

void frmBaseList::OnUnload() {
  detail_.reset();
  SaveIniColumnWidths(ListSettings().ListClassID);
}

void frmBaseList::OnActivate() {
  Repaint();
  DoEvents();
  grid_->Refresh();
  DoEvents();
}

void frmBaseList::OnKeyDown(int16_t& key_code, int16_t) {
  IgnoreErrors([&] {
    switch (key_code) {
      case kKeyF9:
        ReRead();
        break;
      case kKeyEnter:
        ReturnRow(0);
        break;
      case kKeyEscape:
        ReturnRow(-1);
        break;
      default:
        break;
    }
  });
}

// The quotes are refused as typed characters only: their character codes are also the key
// codes of Page Down and Right, which the key-down path must let through.
void frmBaseList::OnKeyPress(int16_t& key_ascii) {
  if (key_ascii == '"' || key_ascii == '\'') key_ascii = 0;
}

void frmBaseList::ReRead() {
  if (txtNumber_->Text().find('\'') != std::string::npos) {
    MessageBox(TranslateText("不能输入单引号。"), MessageIcon::kInformation,
               TranslateText("Vantrel提示"));
    return;
  }
  // A failed read was reported once by GetData; the list is then empty, not read again. A read
  // the user stopped leaves the list as it was.
  if (RecordsetPtr rows = detail_->GetData(txtNumber_->Text())) {
    detail_->TakeJournalData(rows);
  } else if (detail_->ReadWasStopped()) {
    return;
  } else {
    detail_->TakeNoData();
  }
  grid_->Refresh();
}

void frmBaseList::ReturnRow(int32_t n) {
  DoEvents();
  try {
    if (n == -1) {
      OK_ = false;
      Hide();
      return;
    }
    if (grid_->Rows() < 2) return;
    int32_t row = n == 0 ? grid_->CursorRow() : n;
    if (n != 0 || (row > 1 && row < grid_->Rows() + 1)) {
      RtRec_ = detail_->ReturnData(row);
      OK_ = true;
    }
    Hide();
  } catch (const std::exception&) {
    // The dialog stays open.
  }
}

void frmBaseList::OnGridClick() {
  int32_t row = grid_->CursorRow();
  if (row >= 2) txtNumber_->SetText(grid_->CellText(row, 3));
}

void frmBaseList::OnGridDblClick() {
  int32_t row = grid_->MouseRow();
  int32_t col = grid_->MouseCol();
  if (row < 1 || col < 1) return;
  if (row == 1) {
    detail_->Sort(col);
  } else {
    ReturnRow(row);
  }
}

void frmBaseList::OnGridKeyPress(int16_t& key_ascii) {
  if (key_ascii == kKeyEnter && CurrentRow_ >= 2) ReturnRow(CurrentRow_);
}

void frmBaseList::OnGridMouseMove() {
  int32_t row = grid_->MouseRow();
  if (row < 2) return;
  std::string tip;
  for (int32_t col = 3; col <= grid_->Cols(); ++col) {
    if (!grid_->Column(col).Hidden()) tip += "|" + grid_->CellText(row, col) + "    ";
  }
  if (tip.size() > 1) tip.erase(0, 1);
  grid_->SetToolTipText(tip);
}

void frmBaseList::OnGridNotify(int32_t code, const std::string& name, const Variant& p2) {
  if (code != 0) return;
  Updating_ = true;
  CurrentRow_ = p2.ToInt32();
  if (name == "SelChanged") {
    if (!ListSettings().LocatePending) {
      txtNumber_->SetText(grid_->CellText(CurrentRow_, 3));
    } else {
      ListSettings().LocatePending = false;
    }
  }
  Updating_ = false;
}

void ShowBaseListDialog(ObjectPtr& result) {
  auto form = std::make_unique<frmBaseList>();
  form->RunLoad();
  // The user has seen why in the message box; the host learns it from the failed call.
  std::string failure = form->ReadFailure();
  if (failure.empty() && !form->ReadWasStopped()) {
    form->ShowModal();
    if (form->OK()) {
      result = form->RtRec();
      if (!result) failure = form->ReadFailure();
    }
  }
  form->RunUnload();
  if (!failure.empty()) throw Error(failure);
}

}  // namespace qmz
