#include "register/main_window.h"

#include <utility>

#include "platform/base/exceptions.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/gui/services.h"
#include "register/about_box.h"
#include "register/certificate_directory.h"
#include "register/core/xml_import.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/details_dialog.h"
#include "register/frames.h"
#include "register/main_window_glyphs.h"
#include "register/message_boxes.h"

TfmMain* fmMain = nullptr;

namespace {
constexpr const char* kRegisterFilter =
    "Реестр талонов №1|*.001|Реестр талонов №2|*.002|Реестр талонов №3-1|*.031|Реестр талонов "
    "№3-2|*.032";

// Opens a file that ships beside the program with the desktop's viewer for
// it; a missing file or a desktop without a viewer is said, naming it.
void OpenShippedFile(const std::string& name) {
  const std::string path = ExecutableDir() + name;
  if (!FileExists(path)) {
    ShowError(Format("Файл '%s' не найден.", path.c_str()));
    return;
  }
  if (!OpenDocument(path))
    ShowError(Format("Не удалось открыть файл '%s': не найдена программа для его просмотра.",
                     path.c_str()));
}
}  // namespace

int FrameIDOfFile(const std::string& fileName) {
  const std::string ext = AnsiLowerCase(ExtractFileExt(fileName));
  if (ext == ".031" || ext == ".032") return 3;
  int id = 0;
  return TryStrToInt(Copy(ext, 2, 3), id) ? id : 0;
}

std::string NewRegisterBackupName(const std::string& fileName) {
  return ChangeFileExt(fileName, ".$" + ("$" + Copy(ExtractFileExt(fileName), 2, 3)));
}

std::string ImportTargetName(const std::string& xmlName, int kind) {
  return ChangeFileExt(xmlName, kind < 10 ? Format(".00%d", kind) : Format(".0%d", kind));
}

std::string ImportBackupName(const std::string& target, int kind) {
  return ChangeFileExt(target, Format(".$%d", kind));
}

void TfmMain::BeforeDestruction() {
  if (fmMain == this) fmMain = nullptr;
  TForm::BeforeDestruction();
}

TfmMain::TfmMain(TComponent* owner) : TForm(owner) {
  SetName("fmMain");
  SetCaption("Mebrath");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 1000, 700);
}

TMenuItem* TfmMain::MenuItem(TMenuItem* parent, const std::string& caption, TAction* action) {
  TMenuItem* item = Create<TMenuItem>(this);
  if (action != nullptr) {
    item->SetAction(action);
  } else {
    item->SetCaption(caption);
  }
  parent->Add(item);
  return item;
}

void TfmMain::AddToolButton(TAction* action, TToolButtonStyle style) {
  TToolButton* button = Create<TToolButton>(this);
  button->SetParent(ToolBar);
  button->SetStyle(style);
  button->SetAction(action);
}

namespace {
TShortCut Ctrl(unsigned key) { return ShortCut(key, TShiftState{ssCtrl}); }
}  // namespace

void TfmMain::MakeActions() {
  // A register action without a handler of its own runs on the current
  // register window.
  using enum TRegisterAction;
  struct TActionSpec {
    TAction* TfmMain::*Slot;
    const char* Name;
    const char* Caption;
    const char* Hint;
    TShortCut Key;
    TRegisterAction Register;
    void (TfmMain::*Run)();
  };
  const TActionSpec specs[] = {
      {&TfmMain::acNew, "acNew", "Создать", "Создать", Ctrl('N'), None, &TfmMain::OnNew},
      {&TfmMain::acOpen, "acOpen", "&Открыть", "Открыть", Ctrl('O'), None, &TfmMain::OnOpen},
      {&TfmMain::acImp, "acImp", "Импорт из xml файла", "Импорт из xml файла", scNone, Import,
       &TfmMain::OnImport},
      {&TfmMain::acIns, "acIns", "Новая запись", "Новая запись", Ctrl(VK_INSERT), Insert, nullptr},
      {&TfmMain::acDel, "acDel", "Удалить запись", "Удалить запись", Ctrl('D'), Delete, nullptr},
      {&TfmMain::acCard, "acCard", "Карточка/Таблица", "Карточка/Таблица (Ctrl+Enter)",
       Ctrl(VK_RETURN), ToggleCard, nullptr},
      {&TfmMain::acPrint, "acPrint", "Печать реестра", "Печать", Ctrl('P'), Print, nullptr},
      {&TfmMain::acPost, "acPost", "Записать", "Записать", Ctrl('S'), Post, nullptr},
      {&TfmMain::acCancel, "acCancel", "Отменить изменения", "Отменить изменения", Ctrl('C'),
       Cancel, nullptr},
      {&TfmMain::acExport, "acExport", "Экспорт", "Экспорт (запись на дискету)", scNone, Export,
       nullptr},
      {&TfmMain::acRefresh, "acRefresh", "Перечитать данные", "Перечитать данные", scNone, Refresh,
       nullptr},
      {&TfmMain::acPrint2, "acPrint2", "Печать приложения №2", "Печать приложения №2", scNone, None,
       &TfmMain::OnPrintApplication2},
      {&TfmMain::acPack, "acPack", "Упаковка таблицы", "Упаковка таблицы", scNone, None,
       &TfmMain::OnPack},
      {&TfmMain::acCfg, "acCfg", "Реквизиты ЛПУ", "Реквизиты ЛПУ", scNone, None,
       &TfmMain::OnDetails},
      {&TfmMain::acAbout, "acAbout", "О &программе", "О программе", scNone, None,
       &TfmMain::OnAbout},
      {&TfmMain::acHelp, "acHelp", "Вызов справки", "Вызов справки", VK_F1, None, &TfmMain::OnHelp},
      {&TfmMain::acHist, "acHist", "История изменений", "История изменений", scNone, None,
       &TfmMain::OnHistory},
      {&TfmMain::acExit, "acExit", "&Выход", "Выход", scNone, None, &TfmMain::OnExit},
      {&TfmMain::acMru, "acMru", "", "", scNone, None, &TfmMain::OnRecent},
  };
  for (const TActionSpec& spec : specs) {
    TAction* action = Create<TAction>(this);
    action->SetName(spec.Name);
    action->SetCaption(spec.Caption);
    action->SetHint(spec.Hint);
    action->SetShortCut(spec.Key);
    action->SetTag(static_cast<int>(spec.Register));
    action->SetActionList(ActionList);
    if (spec.Run != nullptr) {
      action->OnExecute = [this, run = spec.Run](TObject*) { (this->*run)(); };
    } else {
      action->OnExecute = [this, register_ = spec.Register](TObject*) { FrameAction(register_); };
    }
    action->OnUpdate = [this](TObject*) { UpdateActionStates(); };
    this->*spec.Slot = action;
  }
}

void TfmMain::OnPrintApplication2() {
  if (auto* t1 = dynamic_cast<TFrmT1*>(FFrame)) t1->PrintApplication2();
}

void TfmMain::OnPack() {
  if (FFrame != nullptr) FFrame->PackRegister();
}

void TfmMain::OnDetails() { ShowDetailsDialog(this); }

void TfmMain::OnAbout() { ShowAboutBox(this); }

void TfmMain::OnHelp() { OpenShippedFile("doc/Kelm.doc"); }

void TfmMain::OnHistory() { OpenShippedFile("history.txt"); }

void TfmMain::OnExit() { Close(); }

void TfmMain::OnRecent() { OpenFile(MMRUList->GetFileName(acMru->ActionComponent())); }

void TfmMain::AfterConstruction() {
  TForm::AfterConstruction();
  RegisterCouponFrames();
  ActionList = Create<TActionList>(this);
  MakeActions();

  MainMenu = Create<TMainMenu>(this);
  mnFile = MenuItem(MainMenu->Items(), "&Файл");
  MenuItem(mnFile, "", acNew);
  MenuItem(mnFile, "", acOpen);
  MenuItem(mnFile, "", acExit);
  TMenuItem* service = MenuItem(MainMenu->Items(), "Сервис");
  MenuItem(service, "", acCfg);
  MenuItem(service, "", acPack);
  TMenuItem* help = MenuItem(MainMenu->Items(), "&Помощь");
  MenuItem(help, "", acAbout);
  MenuItem(help, "-");
  MenuItem(help, "", acHelp);
  MenuItem(help, "", acHist);
  SetMenu(MainMenu);

  pmPrint = Create<TPopupMenu>(this);
  MenuItem(pmPrint->Items(), "", acPrint);
  MenuItem(pmPrint->Items(), "", acPrint2);

  ToolBar = Create<TToolBar>(this);
  ToolBar->SetParent(this);
  ToolBar->SetAlign(alTop);
  ToolBar->SetHeight(30);
  ToolBar->SetButtonWidth(26);
  ToolBar->SetButtonHeight(26);
  BuildToolImages();
  for (TAction* action : {acNew, acOpen, acImp, acRefresh, acIns, acPost, acDel, acCancel})
    AddToolButton(action);
  AddToolButton(acCard, tbsCheck);
  AddToolButton(acPrint, tbsDropDown);
  ToolBar->Buttons(ToolBar->ButtonCount() - 1)->SetDropdownMenu(pmPrint);
  AddToolButton(acExport);
  AddToolButton(acCfg);

  pnPlace = Create<TPanel>(this);
  pnPlace->SetParent(this);
  pnPlace->SetAlign(alClient);
  pnPlace->SetBevelOuter(bvNone);

  SDlg = Create<TSaveDialog>(this);
  SDlg->SetDefaultExt("001");
  SDlg->SetFilter(kRegisterFilter);
  SDlg->SetOptions({ofOverwritePrompt, ofCreatePrompt});
  ODlg = Create<TOpenDialog>(this);
  ODlg->SetDefaultExt("001");
  ODlg->SetOptions({ofFileMustExist});

  MMRUList = Create<TMenuMRUList>(this);
  MMRUList->SetAction(acMru);
  MMRUList->SetRecentMenu(mnFile);
  MMRUList->LoadFromIni(IniFileName());
  UpdateActionStates();
}

void TfmMain::BuildToolImages() {
  FImages = Create<TImageList>(this);
  FImages->SetSize(16, 16);
  const std::pair<TAction*, const TToolGlyph*> glyphs[] = {
      {acNew, &kGlyphNew},         {acOpen, &kGlyphOpen},     {acImp, &kGlyphImport},
      {acRefresh, &kGlyphRefresh}, {acIns, &kGlyphInsert},    {acPost, &kGlyphPost},
      {acDel, &kGlyphDelete},      {acCancel, &kGlyphCancel}, {acCard, &kGlyphCard},
      {acPrint, &kGlyphPrint},     {acExport, &kGlyphExport}, {acCfg, &kGlyphDetails},
  };
  for (const auto& [action, glyph] : glyphs) action->SetImageIndex(AddToolGlyph(*FImages, *glyph));
  ActionList->SetImages(FImages);
  ToolBar->SetImages(FImages);
}

void TfmMain::UpdateActionStates() {
  TCustFrame* f = FFrame;
  const bool card = f != nullptr && f->CardShown();
  const bool open = f != nullptr && f->Document()->IsOpen();
  const bool editing = f != nullptr && f->IsEditing();
  const bool gridFull = f != nullptr && !card && !f->IsEmptyRegister();
  for (TAction* a : {acNew, acOpen, acImp, acMru}) a->SetEnabled(!card);
  acIns->SetEnabled(open && !editing);
  for (TAction* a : {acDel, acPrint, acExport}) a->SetEnabled(gridFull);
  acCard->SetEnabled(f != nullptr && (!f->IsEmptyRegister() || card));
  acCard->SetChecked(card);
  acPost->SetEnabled(editing);
  acCancel->SetEnabled(editing);
  acRefresh->SetEnabled(f != nullptr && !card);
  acPack->SetEnabled(f != nullptr && !card);
  acPrint2->SetEnabled(f != nullptr && !card && dynamic_cast<TFrmT1*>(f) != nullptr);
}

void TfmMain::FrameAction(TRegisterAction action) {
  if (FFrame == nullptr) return;
  switch (action) {
    case TRegisterAction::Insert:
      FFrame->InsertRecord();
      break;
    case TRegisterAction::Delete:
      FFrame->DeleteRecord();
      break;
    case TRegisterAction::ToggleCard:
      FFrame->ToggleCard();
      break;
    case TRegisterAction::Print:
      FFrame->PrintRegister();
      break;
    case TRegisterAction::Post:
      FFrame->PostIfEditing();
      break;
    case TRegisterAction::Cancel:
      FFrame->CancelIfEditing();
      break;
    case TRegisterAction::Export:
      FFrame->ExportRegister();
      break;
    case TRegisterAction::Refresh:
      FFrame->RefreshRegister();
      break;
    case TRegisterAction::None:
    case TRegisterAction::Import:
      break;
  }
  UpdateActionStates();
}

void TfmMain::SelectFrame(int id) {
  const TFrameClass* frameClass = FindFrameClass(id);
  if (frameClass == nullptr) throw Exception(Format("Не найден TCustFrame с ID=%d", id));
  // The directory's register window must not be taken for ours.
  if (fmDict != nullptr) fmDict->ReleaseFrame();
  if (FFrame != nullptr && frameClass->IsInstance(FFrame)) return;
  if (FFrame != nullptr) FFrame->Detach();
  TCustFrame* frame = nullptr;
  for (int i = 0; i < Screen->FormCount() && frame == nullptr; ++i) {
    auto* candidate = dynamic_cast<TCustFrame*>(Screen->Forms(i));
    if (candidate != nullptr && frameClass->IsInstance(candidate)) frame = candidate;
  }
  if (frame == nullptr) frame = frameClass->Make(this);
  frame->EmbedInto(pnPlace);
  FFrame = frame;
}

void TfmMain::ShowRegister(const std::string& fileName) {
  SetCaption(Application->Title() + "-" + fileName);
  MMRUList->Remove(fileName);
  UpdateActionStates();
}

void TfmMain::OpenFile(const std::string& fileName) {
  if (!FileExists(fileName)) throw Exception(Format("Файл '%s' не найден.", fileName.c_str()));
  if (FFrame != nullptr) MMRUList->Add(FFrame->FileName());
  SelectFrame(FrameIDOfFile(fileName));
  FFrame->OpenRegister(fileName);
  ShowRegister(fileName);
}

void TfmMain::NewFile(const std::string& fileName) {
  if (FileExists(fileName)) {
    const std::string backup = NewRegisterBackupName(fileName);
    if (!CopyFile(fileName, backup, false))
      throw EInOutError("Не удалось сохранить копию " + backup + ": " + LastFileError(), 0);
  }
  if (FFrame != nullptr) MMRUList->Add(FFrame->FileName());
  SelectFrame(FrameIDOfFile(fileName));
  FFrame->NewRegister(fileName);
  ShowRegister(fileName);
}

void TfmMain::OnNew() {
  SDlg->SetTitle("Создание нового реестра");
  SDlg->SetFileName("");
  SDlg->SetInitialDir(::OutFolder());
  if (SDlg->Execute()) NewFile(SDlg->FileName());
}

void TfmMain::OnOpen() {
  ODlg->SetFilter(kRegisterFilter);
  ODlg->SetInitialDir(::OutFolder());
  if (ODlg->Execute()) OpenFile(ODlg->FileName());
}

void TfmMain::OnImport() {
  ODlg->SetFilter("Файлы xml|*.xml");
  ODlg->SetInitialDir(::OutFolder());
  if (ODlg->Execute()) ImportFile(ODlg->FileName());
}

void TfmMain::ImportFile(const std::string& xmlName) {
  TScreenCursorGuard busy(crHourGlass);
  TImpXml importer(xmlName);
  const int kind = importer.Kind();
  const std::string target = ImportTargetName(xmlName, kind);
  if (FFrame != nullptr) FFrame->Document()->Close();
  Application->ProcessMessages();
  if (FileExists(target)) {
    const std::string backup = ImportBackupName(target, kind);
    if (!CopyFile(target, backup, false))
      throw EInOutError("Не удалось сохранить копию " + backup + ": " + LastFileError(), 0);
  }
  if (FFrame != nullptr) MMRUList->Add(FFrame->FileName());
  SelectFrame(FrameIDOfFile(target));
  FFrame->NewRegister(target);
  ShowRegister(target);
  TInstitution institution = ProgramInstitution();
  FFrame->Document()->ImportXml(importer, institution,
                                [&institution] { SaveProgramInstitution(institution); });
}

bool TfmMain::CloseQuery() {
  if (!TForm::CloseQuery()) {
    return false;
  }
  if (!AskYes("Завершить работу?")) {
    return false;
  }
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* form = Screen->Forms(i);
    if (form != this && !form->CloseQuery()) {
      return false;
    }
  }
  if (FFrame != nullptr) MMRUList->Add(FFrame->FileName());
  MMRUList->SaveToIni(IniFileName());
  return true;
}
