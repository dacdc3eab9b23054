// A grid on a shown form over a 30-record test table (NAME, NUM and AMT
// columns, 80 pixels each, no border or scroll bars), focused: the base of
// the tests that drive the grid with keys and the mouse.
#pragma once

#include <string>

#include "grid/db_grid.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/forms.h"
#include "platform/gui/tests/gui_test_support.h"

class GridOnFormTest : public GuiTest {
 protected:
  GridOnFormTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetScrollBars(ssNone);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    for (int i = 1; i <= 30; ++i) T.Add("r" + std::to_string(i), i);
    T.ds->First();
    Source->SetDataSet(T.ds.get());
    for (const char* f : {"NAME", "NUM", "AMT"}) {
      TColumnEh* c = Grid->Columns()->Add();
      c->SetFieldName(f);
      c->SetWidth(80);
    }
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
  }
  ~GridOnFormTest() override {
    Form->Free();
    Source.reset();
  }

  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};
