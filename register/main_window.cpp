#include "register/main_window.h"

#include "platform/base/exceptions.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/canvas.h"
#include "platform/gui/services.h"
#include "register/about_box.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/details_dialog.h"
#include "register/dialogs.h"
#include "register/frames.h"
#include "register/utils.h"
#include "register/xml_import.h"

TfmMain* fmMain = nullptr;

namespace {
constexpr const char* kRegisterFilter =
    "Реестр талонов №1|*.001|Реестр талонов №2|*.002|Реестр талонов №3-1|*.031|Реестр талонов "
    "№3-2|*.032";
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

TfmMain::TfmMain(TComponent* owner) : TForm(owner) {
  SetName("fmMain");
  SetCaption("Mebrath");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 1000, 700);
}

TAction* TfmMain::MakeAction(const char* name, const char* caption, const char* hint,
                             TShortCut shortCut, int tag, TNotifyEvent execute) {
  TAction* action = Create<TAction>(this);
  action->SetName(name);
  action->SetCaption(caption);
  action->SetHint(hint);
  action->SetShortCut(shortCut);
  action->SetTag(tag);
  action->SetActionList(ActionList);
  action->OnExecute = std::move(execute);
  return action;
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

void TfmMain::AfterConstruction() {
  TForm::AfterConstruction();
  RegisterCouponFrames();
  ActionList = Create<TActionList>(this);
  auto ctrl = [](unsigned key) { return ShortCut(key, TShiftState{ssCtrl}); };
  auto frameAction = [this](int tag) { return [this, tag](TObject*) { FrameAction(tag); }; };
  acNew = MakeAction("acNew", "Создать", "Создать", ctrl('N'), 0, [this](TObject*) { OnNew(); });
  acOpen =
      MakeAction("acOpen", "&Открыть", "Открыть", ctrl('O'), 0, [this](TObject*) { OnOpen(); });
  acImp = MakeAction("acImp", "Импорт из xml файла", "Импорт из xml файла", scNone, 9,
                     [this](TObject*) { OnImport(); });
  acIns = MakeAction("acIns", "Новая запись", "Новая запись", ctrl(VK_INSERT), 1, frameAction(1));
  acDel = MakeAction("acDel", "Удалить запись", "Удалить запись", ctrl('D'), 2, frameAction(2));
  acCard = MakeAction("acCard", "Карточка/Таблица", "Карточка/Таблица (Ctrl+Enter)",
                      ctrl(VK_RETURN), 3, frameAction(3));
  acPrint = MakeAction("acPrint", "Печать реестра", "Печать", ctrl('P'), 4, frameAction(4));
  acPost = MakeAction("acPost", "Записать", "Записать", ctrl('S'), 5, frameAction(5));
  acCancel = MakeAction("acCancel", "Отменить изменения", "Отменить изменения", ctrl('C'), 6,
                        frameAction(6));
  acExport =
      MakeAction("acExport", "Экспорт", "Экспорт (запись на дискету)", scNone, 7, frameAction(7));
  acRefresh =
      MakeAction("acRefresh", "Перечитать данные", "Перечитать данные", scNone, 8, frameAction(8));
  acPrint2 = MakeAction("acPrint2", "Печать приложения №2", "Печать приложения №2", scNone, 0,
                        [this](TObject*) {
                          if (auto* t1 = dynamic_cast<TFrmT1*>(FFrame)) t1->PrintApplication2();
                        });
  acPack =
      MakeAction("acPack", "Упаковка таблицы", "Упаковка таблицы", scNone, 0, [this](TObject*) {
        if (FFrame != nullptr) FFrame->PackRegister();
      });
  acCfg = MakeAction("acCfg", "Реквизиты ЛПУ", "Реквизиты ЛПУ", scNone, 0,
                     [this](TObject*) { ShowDetailsDialog(this); });
  acAbout = MakeAction("acAbout", "О &программе", "О программе", scNone, 0,
                       [this](TObject*) { ShowAboutBox(this); });
  acHelp = MakeAction("acHelp", "Вызов справки", "Вызов справки", VK_F1, 0,
                      [](TObject*) { OpenDocument(ExecutableDir() + "doc/Kelm.doc"); });
  acHist = MakeAction("acHist", "История изменений", "История изменений", scNone, 0,
                      [](TObject*) { OpenDocument(ExecutableDir() + "history.txt"); });
  acExit = MakeAction("acExit", "&Выход", "Выход", scNone, 0, [this](TObject*) { Close(); });
  acMru = MakeAction("acMru", "", "", scNone, 0, [this](TObject*) {
    OpenFile(MMRUList->GetFileName(acMru->ActionComponent()));
  });
  for (int i = 0; i < ActionList->ActionCount(); ++i) {
    ActionList->Actions(i)->OnUpdate = [this](TObject*) { UpdateActionStates(); };
  }

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
  // Our own flat glyphs: 16 rows of 16 characters per picture.
  struct TGlyph {
    TAction* Action;
    TColor Color;
    const char* Rows[16];
  };
  const TGlyph glyphs[] = {
      {acNew,
       clNavy,
       {"................", "..#########.....", "..#.......##....", "..#.......#.#...",
        "..#.......####..", "..#..........#..", "..#..........#..", "..#..........#..",
        "..#..........#..", "..#..........#..", "..#..........#..", "..#..........#..",
        "..#..........#..", "..############..", "................", "................"}},
      {acOpen,
       RGB(160, 110, 0),
       {"................", "................", ".#####..........", "#.....#.........",
        "#......#######..", "#.............#.", "#...##########..", "#..#.........#..",
        "#..#........#...", "#.#........#....", "#.#.......#.....", "##.......#......",
        "#########.......", "................", "................", "................"}},
      {acImp,
       RGB(0, 120, 0),
       {"................", "......##........", "......##........", "......##........",
        "......##........", "...########.....", "....######......", ".....####.......",
        "......##........", "................", ".##..........##.", ".##..........##.",
        ".##############.", ".##############.", "................", "................"}},
      {acRefresh,
       RGB(0, 120, 0),
       {"................", ".....######.....", "...##......##...", "..#..........#..",
        ".#............#.", ".#..........#####", ".#...........###.", ".#............#.",
        ".#..............", ".#............#.", "..#..........#..", "...##......##...",
        ".....######.....", "................", "................", "................"}},
      {acIns,
       RGB(0, 120, 0),
       {"................", "................", "......####......", "......####......",
        "......####......", "......####......", "..############..", "..############..",
        "..############..", "......####......", "......####......", "......####......",
        "......####......", "................", "................", "................"}},
      {acPost,
       RGB(0, 120, 0),
       {"................", "................", "..............##", ".............##.",
        "............##..", "...........##...", "##........###...", ".##......###....",
        "..##....###.....", "...##..###......", "....#####.......", ".....###........",
        "......#.........", "................", "................", "................"}},
      {acDel,
       clMaroon,
       {"................", "................", "................", "................",
        "................", "................", "..############..", "..############..",
        "..############..", "................", "................", "................",
        "................", "................", "................", "................"}},
      {acCancel,
       clMaroon,
       {"................", "................", "..##........##..", "...##......##...",
        "....##....##....", ".....##..##.....", "......####......", ".......##.......",
        "......####......", ".....##..##.....", "....##....##....", "...##......##...",
        "..##........##..", "................", "................", "................"}},
      {acCard,
       clNavy,
       {"................", ".##############.", ".#............#.", ".#.####.......#.",
        ".#.####.######.#.", ".#.####.......#.", ".#.####.#####..#.", ".#............#.",
        ".#.##########.#.", ".#............#.", ".#.########...#.", ".#............#.",
        ".##############.", "................", "................", "................"}},
      {acPrint,
       clBlack,
       {"................", "....########....", "....#......#....", "....#......#....",
        "..############..", ".#............#.", ".#............#.", ".#..........###.",
        ".#............#.", ".##############.", "...#........#...", "...#........#...",
        "...##########...", "................", "................", "................"}},
      {acExport,
       clNavy,
       {"................", ".##############.", ".#.#........#.#.", ".#.#........#.#.",
        ".#.#........#.#.", ".#.##########.#.", ".#............#.", ".#.##########.#.",
        ".#.#......#.#.#.", ".#.#......#.#.#.", ".#.#......#.#.#.", "..############..",
        "................", "................", "................", "................"}},
      {acCfg,
       RGB(90, 90, 90),
       {"................", "......####......", "..##..#..#..##..", "..#.##....##.#..",
        "...#........#...", ".##....##....##.", ".#....#..#....#.", ".#....#..#....#.",
        ".##....##....##.", "...#........#...", "..#.##....##.#..", "..##..#..#..##..",
        "......####......", "................", "................", "................"}},
  };
  int index = 0;
  for (const TGlyph& glyph : glyphs) {
    TBitmap picture;
    picture.SetSize(16, 16);
    for (int y = 0; y < 16; ++y) {
      std::uint32_t* line = picture.ScanLine(y);
      for (int x = 0; x < 16; ++x)
        line[x] = ColorToArgb(glyph.Rows[y][x] == '#' ? glyph.Color : clFuchsia);
    }
    FImages->AddMasked(&picture, clFuchsia);
    glyph.Action->SetImageIndex(index++);
  }
  ActionList->SetImages(FImages);
  ToolBar->SetImages(FImages);
}

void TfmMain::UpdateActionStates() {
  TCustFrame* f = FFrame;
  const bool card = f != nullptr && f->CardShown();
  const bool open = f != nullptr && f->dbMain->Active();
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

void TfmMain::FrameAction(int tag) {
  if (FFrame == nullptr) return;
  switch (tag) {
    case 1:
      FFrame->InsertRecord();
      break;
    case 2:
      FFrame->DeleteRecord();
      break;
    case 3:
      FFrame->ToggleCard();
      break;
    case 4:
      FFrame->PrintRegister();
      break;
    case 5:
      FFrame->PostIfEditing();
      break;
    case 6:
      FFrame->CancelIfEditing();
      break;
    case 7:
      FFrame->ExportRegister();
      break;
    case 8:
      FFrame->RefreshRegister();
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
  if (FFrame != nullptr) FFrame->dbMain->Close();
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
  TLpuAccess lpu{[](const std::string&) { return std::string(); },
                 [](const std::string&, const std::string&) {}, [] {}};
  if (DM != nullptr) lpu = LpuOf(*DM);
  importer.Execute(*FFrame->dbMain, lpu);
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
