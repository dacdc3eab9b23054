#include <gtest/gtest.h>

#include <string>

#include "grid/db_grid.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/window.h"

namespace {

class OptimalWidthTest : public GuiTest {
 protected:
  OptimalWidthTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    T.Add("ab", 1);
    T.Add("long name!", 2);
    T.Add("abc", 3);
    T.ds->SetRecNo(3);
    Source->SetDataSet(T.ds.get());
    for (const char* name : {"NAME", "NUM"}) Grid->Columns()->Add()->SetFieldName(name);
    Grid->Columns()->Items(0)->Title()->SetCaption("N");
    Grid->Columns()->Items(1)->Title()->SetCaption("Number");
    Grid->SetDataSource(Source.get());
    Form->Show();
  }
  ~OptimalWidthTest() override {
    Form->Free();
    Source.reset();
  }
  int TextWidth(const std::string& s) {
    TCanvas& c = MeasureCanvas();
    c.Font()->Assign(Grid->Font());
    return c.TextWidth(s);
  }
  TColumnEh* Col(int i) { return Grid->Columns()->Items(i); }

  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

TEST_F(OptimalWidthTest, TitlesFootersAndDataDecide) {
  struct Case {
    const char* what;
    bool byData;
    bool footer;
    bool lengthen;
    int expected;
  };
  const Case cases[] = {
      {"title only: data ignored without the option", false, false, false, TextWidth("N")},
      {"data: the longest record", true, false, false, TextWidth("long name!") + 4},
      {"a handler that lengthens the text", true, false, true, TextWidth("long name!!!!!") + 4},
      {"a footer wider than the title", false, true, false, TextWidth("footer text") + 5},
  };
  for (const Case& c : cases) {
    Grid->SetOptionsEh(c.byData ? Grid->OptionsEh() + TDBGridEhOptions{dghOptimizeWidthByData}
                                : Grid->OptionsEh() - TDBGridEhOptions{dghOptimizeWidthByData});
    Grid->SetFooterRowCount(c.footer ? 1 : 0);
    Col(0)->Footer()->SetValueType(fvtStaticText);
    Col(0)->Footer()->SetValue("footer text");
    if (c.lengthen)
      Col(0)->OnGetCellParams = [](TObject*, bool, TColCellParamsEh& p) { p.Text += "!!!!"; };
    else
      Col(0)->OnGetCellParams = nullptr;
    Grid->OptimizeColumnWidth(Col(0));
    EXPECT_EQ(Col(0)->Width(), c.expected) << c.what;
    EXPECT_EQ(T.ds->RecNo(), 3) << "the position is kept: " << c.what;
  }
}

TEST_F(OptimalWidthTest, WithoutSelectionOnlyTheColumnIsFitted) {
  Col(1)->SetWidth(200);
  Grid->OptimizeColumnWidth(Col(0));
  EXPECT_EQ(Col(1)->Width(), 200);
  Grid->Selection()->Columns().Select(Col(1), false);
  Grid->OptimizeColumnWidth(Col(0));
  EXPECT_EQ(Col(1)->Width(), TextWidth("Number")) << "a selected column is fitted too";
  Col(1)->SetWidth(200);
  Grid->SetSelectionType(gstAll);
  Grid->OptimizeColumnWidth(Col(0));
  EXPECT_EQ(Col(1)->Width(), TextWidth("Number"));
}

TEST_F(OptimalWidthTest, AutoFitChangesTheShareNotThePixels) {
  Grid->SetAutoFitColWidths(true);
  Col(0)->SetAutoFitWidth(10);
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghOptimizeWidthByData});
  Grid->OptimizeColumnWidth(Col(0));
  EXPECT_EQ(Col(0)->AutoFitWidth(), TextWidth("long name!") + 4);
}

}  // namespace
