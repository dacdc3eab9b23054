// TfmMain: the main window. It holds one current register window embedded
// in its panel pnPlace, chooses the window from the register file's
// extension, dispatches the register actions to it, and keeps the list of
// recently used registers in the "Файл" menu and in the INI file. GUI
// thread only.
#pragma once

#include <string>

#include "platform/gui/actions.h"
#include "platform/gui/forms.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/menus.h"
#include "platform/widgets/std_bars.h"
#include "platform/widgets/std_panels.h"
#include "register/mru_list.h"

class TCustFrame;

// The register kind of a file: ".031" and ".032" give 3; otherwise the
// number the three characters after the dot make (".001" 1, ".002" 2); 0
// when they make none. Extensions are matched without regard to case.
int FrameIDOfFile(const std::string& fileName);
// The copy kept of a register that a new one replaces: ".001" -> ".$$001".
std::string NewRegisterBackupName(const std::string& fileName);
// The register an import of kind 1, 2, 31 or 32 creates beside the file
// (x.xml, 31 -> x.031), and the copy kept of one it replaces (x.$31).
std::string ImportTargetName(const std::string& xmlName, int kind);
std::string ImportBackupName(const std::string& target, int kind);

// The register actions by their Tags: all but Import run on the current
// register window (Import has a handler of its own); None marks the other
// actions.
enum class TRegisterAction {
  None,
  Insert,
  Delete,
  ToggleCard,
  Print,
  Post,
  Cancel,
  Export,
  Refresh,
  Import,
};

class TfmMain : public TForm {
  MEBRATH_CLASS(TfmMain, TForm)
 public:
  // Closing: "Завершить работу?"; No keeps the program running. Yes asks
  // every other form whether it may close; any refusal keeps it running.
  // Then the current file joins the recent list, which is saved.
  bool CloseQuery() override;

  // Makes the window of kind `id` current (reusing one of that kind);
  // raises Exception "Не найден TCustFrame с ID=%d" for an unknown kind.
  void SelectFrame(int id);
  // Raises Exception "Файл '%s' не найден." for a missing file.
  void OpenFile(const std::string& fileName);
  void NewFile(const std::string& fileName);
  void ImportFile(const std::string& xmlName);
  // Runs the register operation `action` on the current window.
  void FrameAction(TRegisterAction action);
  // Evaluates every enabling rule now (the idle update does it too).
  void UpdateActionStates();
  TCustFrame* CurrentFrame() const { return FFrame; }

  TPanel* pnPlace = nullptr;
  TMainMenu* MainMenu = nullptr;
  TMenuItem* mnFile = nullptr;
  TToolBar* ToolBar = nullptr;
  TActionList* ActionList = nullptr;
  TSaveDialog* SDlg = nullptr;
  TOpenDialog* ODlg = nullptr;
  TMenuMRUList* MMRUList = nullptr;
  TPopupMenu* pmPrint = nullptr;
  TAction *acNew, *acOpen, *acImp, *acIns, *acDel, *acCard, *acPrint, *acPost, *acCancel, *acExport,
      *acRefresh, *acPrint2, *acPack, *acCfg, *acAbout, *acHelp, *acHist, *acExit, *acMru;

 protected:
  explicit TfmMain(TComponent* owner);
  void AfterConstruction() override;
  // The main window made at start-up forgets itself as fmMain.
  void BeforeDestruction() override;

 private:
  // Every action from one table: name, texts, shortcut, tag and handler.
  void MakeActions();
  TMenuItem* MenuItem(TMenuItem* parent, const std::string& caption, TAction* action = nullptr);
  void AddToolButton(TAction* action, TToolButtonStyle style = tbsButton);
  void BuildToolImages();
  void ShowRegister(const std::string& fileName);
  void OnNew();
  void OnOpen();
  void OnImport();
  void OnPrintApplication2();
  void OnPack();
  void OnDetails();
  void OnAbout();
  void OnHelp();
  void OnHistory();
  void OnExit();
  void OnRecent();

  TCustFrame* FFrame = nullptr;
  TImageList* FImages = nullptr;
};

extern TfmMain* fmMain;
