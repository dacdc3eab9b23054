// The certificate directory, made at start-up after the main window and
// the print-parameter dialog. GUI thread only.
#pragma once

#include <string>

#include "platform/gui/actions.h"
#include "platform/gui/forms.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/std_bars.h"
#include "platform/widgets/std_panels.h"

class TCustFrame;
class TDataSet;

// The certificate directory ("Справочник сертификатов"): a register of the
// preceding coupon kind, opened in a register window of its own, in which
// the user picks the certificate whose data a coupon record takes over.
class TfmDict : public TForm {
  MEBRATH_CLASS(TfmDict, TForm)
 public:
  // Remembers the coupon kind asking (the directory holds kind - 1) and
  // the certificate key; positions an open register on the key; shows the
  // directory modally. True when the user confirmed a record (Enter or a
  // double click on the grid), false on Escape or closing.
  bool LookUp(int kind, const std::string& key);
  // Opens `fileName` in a register window of kind Kind() - 1 held in
  // pnPlace (raises "Не найден TCustFrame с ID=%d" when there is no such
  // kind), captions the directory with it and positions on the key.
  void OpenRegister(const std::string& fileName);
  // Detaches and frees the held register window; the main window calls
  // it before it chooses a register window of its own.
  void ReleaseFrame();

  int Kind() const { return FKind; }
  const std::string& Key() const { return FKey; }
  TCustFrame* Frame() const { return FFrame; }
  // The held register's table, or null.
  TDataSet* Table() const;

  TToolBar* ToolBar = nullptr;
  TActionList* ActionList = nullptr;
  TAction* acOpen = nullptr;
  TPanel* pnPlace = nullptr;
  TOpenDialog* ODlg = nullptr;

 protected:
  explicit TfmDict(TComponent* owner);
  void AfterConstruction() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The directory made at start-up forgets itself as fmDict.
  void BeforeDestruction() override;

 private:
  void OpenWithDialog();
  void PositionOnKey();

  int FKind = 0;
  std::string FKey;
  TCustFrame* FFrame = nullptr;
};

extern TfmDict* fmDict;
