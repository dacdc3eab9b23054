// TOpenDialog and TSaveDialog: the open and save dialogs.
//
// The dialog the user sees belongs to a replaceable backend (the Qt one,
// installed by InstallQtServices at start-up, shows a QFileDialog; tests
// script one; without one every dialog is cancelled). The backend only lets the user
// pick a name and a filter; the rules are applied here, after it returns:
// the name is made absolute (against InitialDir); a typed name without an
// extension gets, when DefaultExt is set, the extension of the chosen
// filter's first mask ("*.002" gives "002"), or DefaultExt when that mask
// names none ("*.*", "*"); and the options ofPathMustExist,
// ofFileMustExist, ofCreatePrompt and ofOverwritePrompt are checked with
// our own message boxes (services.h). A name that fails a rule (or a
// prompt answered No) shows the dialog again with that name, as the
// classic dialog stayed open.
//
// Filter: "description|pattern|description|pattern...", a pattern being
// one or more masks separated by ";" ("*.dbf;*.txt"). FilterIndex is
// 1-based. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/component.h"
#include "platform/base/sets.h"

enum TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden
};
using TOpenOptions = TSet<TOpenOption>;

struct TFileFilter {
  std::string Description;
  std::string Pattern;  // "*.dbf;*.txt"
};
// Splits a Filter string into its pairs; a trailing description without
// a pattern gets the pattern "*".
std::vector<TFileFilter> ParseFileFilter(const std::string& filter);

// What the backend shows and what it answers.
struct TFileDialogRequest {
  bool Save = false;
  std::string Title;       // never empty: "Открыть" / "Сохранить как" by default
  std::string InitialDir;  // may be empty (the current directory)
  std::string FileName;    // proposed name; the backend puts the chosen one here
  std::vector<TFileFilter> Filters;
  int FilterIndex = 1;  // 1-based; the backend puts the chosen filter here
  TOpenOptions Options;
  // The backend calls this when the user picks another filter (1-based).
  std::function<void(int filterIndex)> TypeChanged;
};
// Shows the dialog; true when the user accepted a name.
using TFileDialogBackend = std::function<bool(TFileDialogRequest& request)>;
// Installs the backend (null: every dialog is cancelled at once).
void SetFileDialogBackend(TFileDialogBackend backend);

class TOpenDialog : public TComponent {
  MEBRATH_CLASS(TOpenDialog, TComponent)
 public:
  // Shows the dialog until the user accepts a name that passes the rules
  // (FileName and FilterIndex then hold the choice; true) or cancels
  // (false; nothing changes).
  virtual bool Execute();

  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  const std::string& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& value) { FInitialDir = value; }
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& value) { FFileName = value; }
  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& value) { FFilter = value; }
  int FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int value) { FFilterIndex = value; }
  // Without the dot ("dbf").
  const std::string& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& value) { FDefaultExt = value; }
  TOpenOptions Options() const { return FOptions; }
  void SetOptions(TOpenOptions value) { FOptions = value; }

  // The user picked another filter while the dialog shows (FilterIndex is
  // already the new one).
  TNotifyEvent OnTypeChange;

 protected:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  virtual bool IsSave() const { return false; }
  // The name typed, completed: absolute, with the extension of filter
  // `filterIndex` (1-based) or DefaultExt added when it has none.
  std::string CompleteName(const std::string& typed, int filterIndex) const;
  // Checks the options against `name`, prompting where they say; true
  // when the name is accepted.
  bool Accepts(const std::string& name, const std::string& caption) const;

 private:
  std::string FTitle;
  std::string FInitialDir;
  std::string FFileName;
  std::string FFilter;
  int FFilterIndex = 1;
  std::string FDefaultExt;
  TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
  MEBRATH_CLASS(TSaveDialog, TOpenDialog)
 protected:
  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
  bool IsSave() const override { return true; }
};
