#include "register/frames.h"

#include <algorithm>

#include "controls/db_check_box.h"
#include "controls/db_edit.h"
#include "platform/base/format.h"
#include "platform/base/scope_guard.h"
#include "platform/widgets/std_panels.h"
#include "register/message_boxes.h"
#include "register/print_register.h"

// --- coupon No. 1

TFrmT1::TFrmT1(TComponent* owner) : TCustFrame(owner) { SetCaption("Талон 1"); }

void TFrmT1::AddCouponCard(int top) {
  TGroupBox* group = Create<TGroupBox>(this);
  group->SetParent(tsCard);
  group->SetCaption("Срок беременности (в неделях)");
  group->SetBounds(12, top, 390, 84);
  TCustomDBEditEh* qtw1 =
      CardEdit("cQTW1", "-на момент постановки на учет", 12, 22, 50, 230, group);
  qtw1->SetReadOnly(true);
  qtw1->SetTabStop(false);
  TCustomDBEditEh* qtw2 = CardEdit("QTW2", "-на момент выдачи сертификата", 12, 50, 50, 230, group);
  qtw2->OnKeyPress = [](TObject*, char32_t& key) {
    if (key == U'+' || key == U'-') key = 0;
  };
  // Below the terms: the card reads in the fields' order.
  int y = top + 92;
  for (auto [name, caption] : {std::pair{"MULP", "- многоплодная беременность"},
                               std::pair{"PREM", "- преждевременные успешные роды"}}) {
    TDBCheckBoxEh* box = Create<TDBCheckBoxEh>(this);
    box->SetParent(tsCard);
    box->SetCaption(caption);
    box->SetBounds(12, y, 300, 21);
    box->SetDataSource(RecordSource());
    box->SetDataField(name);
    box->SetValueChecked("1");
    box->SetValueUnchecked("0");
    HookCardKeys(box);
    y += 26;
  }
}

void TFrmT1::PrintApplication2() {
  TScopeExit shown([this] { UpdatePosition(); });
  TGridViewGuardEh view(*grdMain);
  PrintApplication2Of(*Document());
}

// --- the child rows

void TChildFrame::BindDocument() {
  FChildDocument = dynamic_cast<TChildDocument*>(Document());
  mtChild = FChildDocument->Children();
  dsChild = FChildDocument->ChildSource();
  // Rows read afresh are typed in from their first column, as the register
  // grid's are: not in the column the last record was left in.
  FChildDocument->ChildrenLoaded.Subscribe([this] {
    if (grdChild != nullptr) grdChild->SetSelectedIndex(0);
  });
}

void TChildFrame::MakeChildGrid(int top, int height) {
  grdChild = Create<TDBGridEh>(this);
  grdChild->SetParent(tsCard);
  grdChild->SetBounds(12, top, 760, height);
  grdChild->SetUseMultiTitle(true);
  grdChild->SetOptions(grdChild->Options() + TDBGridOptions{dgAlwaysShowSelection} -
                       TDBGridOptions{dgConfirmDelete});
  grdChild->SetDataSource(dsChild);
  grdChild->OnKeyDown = [this](TObject*, unsigned& key, TShiftState shift) {
    // Ctrl+Delete too: the grid's own delete would drop the row without
    // the record knowing its rows changed.
    if (key == VK_DELETE && (shift.Empty() || shift == TShiftState{ssCtrl}) &&
        !grdChild->EditorMode()) {
      key = 0;
      DeleteChildRow();
    }
  };
}

// --- coupon No. 2

TFrmT2::TFrmT2(TComponent* owner) : TChildFrame(owner) { SetCaption("Талон 2"); }

void TFrmT2::AddCouponCard(int top) {
  TCustomDBEditEh* diag = CardEdit("DIAG", "- причина смерти матери (МКБ-10)", 12, top, 80, 230);
  // The newborns come between the mother's code and the count of children,
  // as their fields do.
  MakeChildGrid(top + 32, 170);
  grdChild->SetName("DBGridEh1");
  CardEdit("BQNT", "Количество детей, включая рожденных ранее", 12, top + 32 + 170 + 8, 40, 300);
  struct TColumnDef {
    const char* Field;
    const char* Title;
    int Width;
  };
  grdChild->BeginLayout();
  for (const TColumnDef& c :
       {TColumnDef{"SEX", "Пол", 50}, TColumnDef{"WEIGHT", "Вес, кг", 80},
        TColumnDef{"GROWTH", "Рост, см", 80}, TColumnDef{"DIAG", "МКБ-10 (в случ. смерти)", 170}}) {
    TColumnEh* column = grdChild->Columns()->Add();
    column->SetFieldName(c.Field);
    column->Title()->SetCaption(c.Title);
    column->SetWidth(c.Width);
  }
  TStringList sexes;
  sexes.Add("М");
  sexes.Add("Ж");
  grdChild->Columns()->Items(0)->SetPickList(&sexes);
  grdChild->EndLayout();
  // ICD-10 codes are Latin: English while in the field, then back.
  auto english = [](TObject*) { EnterCodeLayout(1033); };
  auto back = [](TObject*) { LeaveCodeLayout(); };
  diag->OnEnter = english;
  diag->OnExit = back;
  // The newborn's code is a column of the child grid: moving into it, or
  // into the grid while it is current, counts as entering the field.
  auto onCode = [this] {
    TField* field = grdChild->SelectedField();
    return field != nullptr && field->FieldName() == "DIAG";
  };
  grdChild->OnColEnter = [onCode, english](TObject* sender) {
    if (onCode()) english(sender);
  };
  grdChild->OnColExit = [onCode, back](TObject* sender) {
    if (onCode()) back(sender);
  };
  grdChild->OnEnter = grdChild->OnColEnter;
  grdChild->OnExit = grdChild->OnColExit;
}

// --- coupon No. 3

TFrmT3::TFrmT3(TComponent* owner) : TChildFrame(owner) { SetCaption("Талон 3"); }

void TFrmT3::AddCouponCard(int top) {
  TLabel* caption = Create<TLabel>(this);
  caption->SetParent(tsCard);
  caption->SetCaption("Сведения о детях и периоде наблюдения");
  caption->SetBounds(12, top, 400, 17);
  const int gridTop = top + 20;
  MakeChildGrid(gridTop, 170);
  grdChild->SetName("grdChild");
  struct TColumnDef {
    const char* Field;
    const char* Title;
    int Width;
  };
  grdChild->BeginLayout();
  for (const TColumnDef& c :
       {TColumnDef{"LNAME", "Фамилия", 110}, TColumnDef{"FNAME", "Имя", 90},
        TColumnDef{"MNAME", "Отчество", 110}, TColumnDef{"BDATE", "Дата рождения", 80},
        TColumnDef{"DATEBOBS", "Период наблюдения|Начало", 80},
        TColumnDef{"DATEEOBS", "Период наблюдения|Окончание", 80},
        TColumnDef{"SPOLICY", "Полис ОМС|Серия", 70},
        TColumnDef{"NPOLICY", "Полис ОМС|Номер", 110}}) {
    TColumnEh* column = grdChild->Columns()->Add();
    column->SetFieldName(c.Field);
    column->Title()->SetCaption(c.Title);
    column->SetWidth(c.Width);
  }
  grdChild->EndLayout();
  tsCard->OnResize = [this, gridTop](TObject*) {
    grdChild->SetBounds(0, gridTop, tsCard->ClientWidth(),
                        std::max(40, tsCard->ClientHeight() - gridTop - 2));
  };
}

void RegisterCouponFrames() {
  RegisterFrameClass(FrameClassOf<TFrmT1>(1));
  RegisterFrameClass(FrameClassOf<TFrmT2>(2));
  RegisterFrameClass(FrameClassOf<TFrmT3>(3));
}
