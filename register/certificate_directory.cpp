#include "register/certificate_directory.h"

#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "register/cust_frame.h"
#include "register/data_module.h"

TfmDict* fmDict = nullptr;

TfmDict::TfmDict(TComponent* owner) : TForm(owner) {
  SetName("fmDict");
  SetCaption("Справочник сертификатов");
  SetBorderStyle(bsSizeToolWin);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 800, 500);
}

void TfmDict::AfterConstruction() {
  TForm::AfterConstruction();
  ActionList = Create<TActionList>(this);
  acOpen = Create<TAction>(this);
  acOpen->SetName("acOpen");
  acOpen->SetCaption("&Открыть");
  acOpen->SetHint("Открыть");
  acOpen->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
  acOpen->SetActionList(ActionList);
  acOpen->OnExecute = [this](TObject*) { OpenWithDialog(); };

  ToolBar = Create<TToolBar>(this);
  ToolBar->SetParent(this);
  ToolBar->SetAlign(alTop);
  ToolBar->SetShowCaptions(true);
  TToolButton* open = Create<TToolButton>(this);
  open->SetParent(ToolBar);
  open->SetAction(acOpen);

  pnPlace = Create<TPanel>(this);
  pnPlace->SetParent(this);
  pnPlace->SetAlign(alClient);
  pnPlace->SetBevelOuter(bvNone);

  ODlg = Create<TOpenDialog>(this);
  ODlg->SetDefaultExt("001");
  ODlg->SetOptions({ofFileMustExist});
}

void TfmDict::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  if (operation == opRemove && component == FFrame) FFrame = nullptr;
}

void TfmDict::BeforeDestruction() {
  if (fmDict == this) fmDict = nullptr;
  TForm::BeforeDestruction();
}

TDataSet* TfmDict::Table() const {
  return FFrame != nullptr ? FFrame->Document()->Table() : nullptr;
}

bool TfmDict::LookUp(int kind, const std::string& key) {
  FKind = kind;
  FKey = key;
  PositionOnKey();
  return ShowModal() == mrOk;
}

void TfmDict::OpenWithDialog() {
  ODlg->SetInitialDir(OutFolder());
  ODlg->SetFilter(FKind == 3 ? "Реестр талонов №2|*.002|" : "Реестр талонов №1|*.001|");
  if (ODlg->Execute()) OpenRegister(ODlg->FileName());
}

void TfmDict::OpenRegister(const std::string& fileName) {
  const int id = FKind - 1;
  const TFrameClass* frameClass = FindFrameClass(id);
  if (frameClass == nullptr) throw Exception(Format("Не найден TCustFrame с ID=%d", id));
  ReleaseFrame();
  TCustFrame* frame = frameClass->Make(this);
  FFrame = frame;
  frame->FreeNotification(this);
  frame->EmbedInto(pnPlace);
  TDBGridEh* grid = frame->grdMain;
  grid->OnDblClick = [this](TObject*) { SetModalResult(mrOk); };
  grid->OnKeyDown = [this, own = grid->OnKeyDown](TObject* sender, unsigned& key,
                                                  TShiftState shift) {
    if (key == VK_RETURN && shift.Empty()) {
      key = 0;
      SetModalResult(mrOk);
    } else if (key == VK_ESCAPE && shift.Empty()) {
      key = 0;
      SetModalResult(mrCancel);
    } else if (own) {
      own(sender, key, shift);
    }
  };
  frame->OpenRegister(fileName);
  SetCaption(Application->Title() + "-" + fileName);
  PositionOnKey();
}

void TfmDict::ReleaseFrame() {
  if (FFrame == nullptr) return;
  TCustFrame* frame = FFrame;
  FFrame = nullptr;
  frame->Detach();
  frame->Free();
}

void TfmDict::PositionOnKey() {
  if (FFrame != nullptr) FFrame->Document()->FindCertificate(FKey);
}
