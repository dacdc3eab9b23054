// Export, import, clipboard and delete over a grid on an in-memory table
// and a DBF register.
#include "grid/grid_export.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "grid/export_rtf.h"
#include "grid/export_text.h"
#include "grid/export_vcldbif.h"
#include "grid/grid_clipboard.h"
#include "grid_test_support.h"
#include "platform/base/codepage.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/data/data_source.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/message_dialog.h"
#include "storage/dbf_table.h"

namespace {

using namespace std::string_literals;

std::string Bytes(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
}

class GridExportTest : public GuiTest {
 protected:
  GridExportTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    Source->SetDataSet(T.ds.get());
    SetMessageDlgHandler([this](const std::string& text, TMsgDlgType, TMsgDlgButtons) {
      Questions.push_back(text);
      return Answer;
    });
    Form->Show();
  }
  ~GridExportTest() override {
    SetMessageDlgHandler(nullptr);
    Form->Free();
    Source.reset();
  }
  void Columns(const std::vector<std::string>& fields) {
    for (const std::string& f : fields) Grid->Columns()->Add()->SetFieldName(f);
    Grid->SetDataSource(Source.get());
  }
  void Fill(const std::vector<std::pair<std::string, int>>& rows) {
    for (const auto& [n, v] : rows) T.Add(n, v);
    T.ds->First();
  }
  template <class E>
  std::string Export(const TGridSelectionEh& selection,
                     TExportTextCodingEh coding = TExportTextCodingEh::Ansi) {
    TMemoryStream s;
    E e;
    e.SetDBGrid(Grid);
    e.SetTextCoding(coding);
    e.ExportSelection(s, selection);
    return Bytes(s);
  }
  template <class I>
  void Import(const std::string& bytes, const TGridSelectionEh& selection, bool whole = false,
              TExportTextCodingEh coding = TExportTextCodingEh::Utf8) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    s.SetPosition(0);
    I i;
    i.SetDBGrid(Grid);
    i.SetTextCoding(coding);
    i.ImportSelection(s, selection, whole);
  }
  // "name:num" of every record.
  std::string Rows() {
    std::string out;
    for (T.ds->First(); !T.ds->Eof(); T.ds->Next())
      out += (out.empty() ? "" : " ") + T.name->AsString() + ":" +
             (T.num->IsNull() ? "null" : T.num->AsString());
    return out;
  }
  std::string BookmarkOf(const std::string& name) {
    T.Go(name);
    return T.ds->Bookmark();
  }
  TGridSelectionEh Kind(TDBGridEhSelectionType kind) {
    TGridSelectionEh s;
    s.Kind = kind;
    return s;
  }

  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
  std::vector<std::string> Questions;
  int Answer = mrOk;
};

TEST_F(GridExportTest, TextAndCsvBytes) {
  Columns({"NAME", "NUM"});
  Fill({{"A", 1}, {"Б\"в;", 2}, {"", 3}});
  Grid->Columns()->Items(0)->Title()->SetCaption("Группа|Имя");
  TGridSelectionEh two = Kind(gstRecordBookmarks);
  two.Rows = {BookmarkOf("A"), BookmarkOf("")};
  struct Case {
    const char* what;
    bool titles;
    std::string text;
    std::string csv;
  };
  const std::vector<Case> cases = {
      {"no titles", false, "A\t1\r\nБ\"в;\t2\r\n\t3",
       "\"A\";\"1\"\r\n\"Б\"\"в;\";\"2\"\r\n\"\";\"3\""},
      {"titles", true, "Группа|Имя\tNUM\r\nA\t1\r\nБ\"в;\t2\r\n\t3",
       "\"Группа|Имя\";\"NUM\"\r\n\"A\";\"1\"\r\n\"Б\"\"в;\";\"2\"\r\n\"\";\"3\""},
  };
  for (const Case& c : cases) {
    TDBGridOptions o = Grid->Options();
    if (c.titles)
      o.Include(dgTitles);
    else
      o.Exclude(dgTitles);
    Grid->SetOptions(o);
    EXPECT_EQ(Export<TDBGridEhExportAsText>(Kind(gstAll), TExportTextCodingEh::Utf8), c.text)
        << c.what;
    EXPECT_EQ(Export<TDBGridEhExportAsCSV>(Kind(gstAll), TExportTextCodingEh::Utf8), c.csv)
        << c.what;
    EXPECT_EQ(Export<TDBGridEhExportAsText>(Kind(gstAll)), Utf8ToWin1251(c.text)) << c.what;
  }
  EXPECT_EQ(Export<TDBGridEhExportAsText>(two, TExportTextCodingEh::Utf8),
            "Группа|Имя\tNUM\r\nA\t1\r\n\t3");
  EXPECT_EQ(Export<TDBGridEhExportAsText>(Kind(gstNon)), "");
  EXPECT_EQ(Export<TDBGridEhExportAsCSV>(Kind(gstNon)), "");
}

TEST_F(GridExportTest, EachSelectionKindExportsItsRowsAndColumns) {
  Columns({"NAME", "NUM", "AMT"});
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgTitles});
  Fill({{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}});
  Grid->Columns()->Items(2)->SetVisible(false);
  TGridSelectionEh rect = Kind(gstRectangle);
  rect.TopBookmark = BookmarkOf("b");
  rect.BottomBookmark = BookmarkOf("c");
  rect.LeftCol = 1;
  rect.RightCol = 2;
  TGridSelectionEh gone = rect;  // a bottom row filtered away runs to the end
  gone.BottomBookmark = "nowhere!";
  TGridSelectionEh cols = Kind(gstColumns);
  cols.Columns = {Grid->Columns()->Items(1)};
  TGridSelectionEh rows = Kind(gstRecordBookmarks);
  rows.Rows = {BookmarkOf("a"), BookmarkOf("d")};
  T.Go("c");
  struct Case {
    const char* what;
    TGridSelectionEh selection;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"all (hidden column left out)", Kind(gstAll), "a\t1\r\nb\t2\r\nc\t3\r\nd\t4"},
      {"rectangle", rect, "2\r\n3"},
      {"columns", cols, "1\r\n2\r\n3\r\n4"},
      {"records", rows, "a\t1\r\nd\t4"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Export<TDBGridEhExportAsText>(c.selection), c.text) << c.what;
    EXPECT_EQ(T.name->AsString(), "c") << c.what << ": the position is kept";
  }
}

TEST_F(GridExportTest, FootersCoverTheExportedRowsOnly) {
  Columns({"NAME", "NUM"});
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgTitles});
  Fill({{"a", 1}, {"b", 20}, {"c", 300}});
  Grid->SetFooterRowCount(2);
  TColumnEh* num = Grid->Columns()->Items(1);
  num->Footers()->Add()->SetValueType(fvtSum);
  num->Footers()->Add()->SetValueType(fvtCount);
  TColumnEh* name = Grid->Columns()->Items(0);
  name->Footers()->Add()->SetValueType(fvtStaticText);
  name->Footers()->Items(0)->SetValue("Итого");
  name->Footers()->Add();
  TGridSelectionEh rows = Kind(gstRecordBookmarks);
  rows.Rows = {BookmarkOf("a"), BookmarkOf("c")};
  EXPECT_EQ(Export<TDBGridEhExportAsText>(rows, TExportTextCodingEh::Utf8),
            "a\t1\r\nc\t300\r\nИтого\t301\r\n\t2");
  // Rows that follow one another, and a bookmark of a record since gone.
  rows.Rows = {BookmarkOf("a"), BookmarkOf("b"), BookmarkOf("c")};
  T.Go("b");
  T.ds->Delete();
  T.Add("d", 4000);
  EXPECT_EQ(Export<TDBGridEhExportAsText>(rows, TExportTextCodingEh::Utf8),
            "a\t1\r\nc\t300\r\nИтого\t301\r\n\t2");
  rows.Rows = {BookmarkOf("a"), BookmarkOf("c"), BookmarkOf("d")};
  EXPECT_EQ(Export<TDBGridEhExportAsText>(rows, TExportTextCodingEh::Utf8),
            "a\t1\r\nc\t300\r\nd\t4000\r\nИтого\t4301\r\n\t3");
}

TEST_F(GridExportTest, ExportingTogetherWritesWhatEachExportWritesAlone) {
  Columns({"NAME", "NUM", "AMT"});
  Fill({{"a", 1}, {"Б\"{в}", 20}, {"c", 300}, {"d", 4000}});
  Grid->SetFooterRowCount(1);
  Grid->Columns()->Items(1)->Footers()->Add()->SetValueType(fvtSum);
  TGridSelectionEh rect = Kind(gstRectangle);
  rect.TopBookmark = BookmarkOf("Б\"{в}");
  rect.BottomBookmark = BookmarkOf("c");
  rect.LeftCol = 1;
  rect.RightCol = 2;
  TGridSelectionEh cols = Kind(gstColumns);
  cols.Columns = {Grid->Columns()->Items(2), Grid->Columns()->Items(0)};
  TGridSelectionEh rows = Kind(gstRecordBookmarks);
  rows.Rows = {BookmarkOf("a"), BookmarkOf("c"), BookmarkOf("d")};
  const std::vector<std::pair<const char*, TGridSelectionEh>> selections = {{"all", Kind(gstAll)},
                                                                            {"rectangle", rect},
                                                                            {"columns", cols},
                                                                            {"records", rows},
                                                                            {"none", Kind(gstNon)}};
  TColumnEh* name = Grid->Columns()->Items(0);
  struct Look {
    const char* what;
    bool titles;
    bool cellHandler;  // a handler changes the name column's text
    TExportTextCodingEh coding;
  };
  const std::vector<Look> looks = {
      {"plain", false, false, TExportTextCodingEh::Utf8},
      {"titles", true, false, TExportTextCodingEh::Utf8},
      {"cell handler", true, true, TExportTextCodingEh::Utf8},
      {"Windows-1251", true, false, TExportTextCodingEh::Ansi},
  };
  for (const Look& look : looks) {
    TDBGridOptions o = Grid->Options();
    if (look.titles)
      o.Include(dgTitles);
    else
      o.Exclude(dgTitles);
    Grid->SetOptions(o);
    name->OnGetCellParams = nullptr;
    if (look.cellHandler)
      name->OnGetCellParams = [](TObject*, bool, TColCellParamsEh& p) { p.Text += "!"; };
    for (const auto& [what, selection] : selections) {
      SCOPED_TRACE(std::string(look.what) + ", " + what);
      const std::vector<std::string> alone = {
          Export<TDBGridEhExportAsText>(selection, look.coding),
          Export<TDBGridEhExportAsCSV>(selection, look.coding),
          Export<TDBGridEhExportAsRTF>(selection, look.coding),
          Export<TDBGridEhExportAsVCLDBIF>(selection, look.coding)};
      T.Go("c");
      TDBGridEhExportAsText text;
      TDBGridEhExportAsCSV csv;
      TDBGridEhExportAsRTF rtf;
      TDBGridEhExportAsVCLDBIF vcldbif;
      TMemoryStream streams[4];
      const std::vector<TExportJobEh> jobs = {
          {&text, &streams[0]}, {&csv, &streams[1]}, {&rtf, &streams[2]}, {&vcldbif, &streams[3]}};
      for (const TExportJobEh& job : jobs) {
        job.Export->SetDBGrid(Grid);
        job.Export->SetTextCoding(look.coding);
      }
      ExportSelectionTogether(jobs, selection);
      for (std::size_t i = 0; i < jobs.size(); ++i) EXPECT_EQ(Bytes(streams[i]), alone[i]) << i;
      EXPECT_EQ(T.name->AsString(), "c") << "the position is kept";
    }
  }
  name->OnGetCellParams = nullptr;
}

TEST_F(GridExportTest, TextImportReadsValuesLineByLine) {
  Columns({"NAME", "NUM"});
  Fill({{"a", 1}, {"b", 2}});
  struct Case {
    const char* what;
    std::string text;
    const char* rows;
  };
  const std::vector<Case> cases = {
      {"CR LF lines", "x\t10\r\ny\t20", "x:10 y:20"},
      {"LF lines, trailing line end", "x\t10\ny\t20\n", "x:10 y:20"},
      {"empty value skipped", "\t10\r\ny", "a:10 y:2"},
      {"values past the columns dropped", "x\t10\t99\r\ny\t20\tzz", "x:10 y:20"},
      {"a tab before the line end", "x\t\r\ny\t", "x:1 y:2"},
      {"more lines than records append", "x\r\ny\r\nz\r\nw", "x:1 y:2 z:0 w:0"},
      {"empty text", "", "a:1 b:2"},
  };
  for (const Case& c : cases) {
    T.ds->Close();
    T.ds->Open();
    Fill({{"a", 1}, {"b", 2}});
    Grid->SetSelectedIndex(0);
    Import<TDBGridEhImportAsText>(c.text, Kind(gstNon));
    EXPECT_EQ(Rows(), c.rows) << c.what;
  }
}

TEST_F(GridExportTest, TextImportErrors) {
  Columns({"NAME", "NUM", "VAL"});
  Fill({{"a", 1}, {"b", 2}});
  Grid->SetSelectedIndex(0);
  try {
    Import<TDBGridEhImportAsText>("x\t5\ry", Kind(gstNon));
    ADD_FAILURE() << "a lone CR is accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TDBGridEhImportAsText.CheckState: Неверный формат текста");
  }
  EXPECT_EQ(T.ds->State(), dsBrowse);
  EXPECT_EQ(Rows(), "a:1 b:2");  // the half-read record is dropped
  // A value the field refuses asks; "All" stops asking, "No" ends the import.
  T.ds->First();
  Answer = mrAll;
  Import<TDBGridEhImportAsText>("p\tbad\r\nq\tworse", Kind(gstNon));
  EXPECT_EQ(Questions.size(), 1u);
  EXPECT_NE(Questions[0].find("Ошибка при вставки значения:\n"), std::string::npos);
  EXPECT_NE(Questions[0].find("\n\nИгнорировать ошибку?"), std::string::npos);
  EXPECT_EQ(Rows(), "p:1 q:2");
  Questions.clear();
  Answer = mrNo;
  T.ds->First();
  EXPECT_THROW(Import<TDBGridEhImportAsText>("r\tbad\r\ns\t7", Kind(gstNon)), EAbort);
  EXPECT_EQ(Questions.size(), 1u);
  EXPECT_EQ(T.ds->State(), dsBrowse);
  EXPECT_EQ(T.ds->ControlsDisabled(), false);
}

TEST_F(GridExportTest, PastingThreeLinesOnTheLastRecordAppendsTwo) {
  Columns({"NAME", "NUM"});
  Fill({{"a", 1}, {"b", 2}});
  T.ds->Last();
  Grid->SetSelectedIndex(0);
  Import<TDBGridEhImportAsText>("x\t7\r\ny\t8\r\nz\t9", Kind(gstNon));
  EXPECT_EQ(Rows(), "a:1 x:7 y:8 z:9");
  // Without the right to append only the existing record is written.
  T.ds->Last();
  Grid->SetAllowedOperations({alopUpdateEh});
  Import<TDBGridEhImportAsText>("u\t1\r\nv\t2", Kind(gstNon));
  EXPECT_EQ(Rows(), "a:1 x:7 y:8 u:1");
}

TEST_F(GridExportTest, KeyListColumnsImportTheKey) {
  Columns({"NAME", "NUM"});
  Fill({{"a", 1}, {"b", 2}});
  TColumnEh* num = Grid->Columns()->Items(1);
  TStringList picks, keys;
  picks.SetText("один\nдва\n");
  keys.SetText("1\n2\n");
  num->SetPickList(&picks);
  num->SetKeyList(&keys);
  Import<TDBGridEhImportAsText>("a\tдва\r\nb\tтри", Kind(gstAll));
  EXPECT_EQ(Rows(), "a:2 b:0");  // the in-memory table keeps no null numbers
}

TEST_F(GridExportTest, VcldbifRoundTripAndPositionalColumns) {
  Columns({"NAME", "NUM"});
  Fill({{"Ива \"А\"", 1}, {"", -5}, {"c;d\te", 0}});
  const std::string bytes = Export<TDBGridEhExportAsVCLDBIF>(Kind(gstAll));
  EXPECT_EQ(bytes.substr(0, 16), "VCLDBIF\x01\x02\x00\x00\x00\x01\x00\x01\x00"s);
  EXPECT_EQ(Export<TDBGridEhExportAsVCLDBIF>(Kind(gstNon)), "");
  // Into a second table by position; three values per record of which the
  // grid takes two.
  const std::string before = Rows();
  T.ds->First();
  while (!T.ds->IsEmpty()) T.ds->Delete();
  Grid->SetAllowedOperations({alopInsertEh, alopUpdateEh, alopAppendEh});
  Import<TDBGridEhImportAsVCLDBIF>(bytes, Kind(gstAll), true);
  EXPECT_EQ(Rows(), "Ива \"А\":1 :-5 c;d\te:0");
  (void)before;

  std::string wide;
  vcldbif::PutPrefix(wide, {{true, ""}, {true, ""}, {true, ""}});
  for (int r = 0; r < 2; ++r) {
    vcldbif::PutBytes(wide, vcldbif::kTagString, "n" + std::to_string(r));
    vcldbif::PutInteger(wide, 100 + r);
    vcldbif::PutBytes(wide, vcldbif::kTagString, "dropped");
  }
  vcldbif::PutTag(wide, vcldbif::kTagEnd);
  Import<TDBGridEhImportAsVCLDBIF>(wide, Kind(gstAll), true);
  EXPECT_EQ(Rows(), "n0:100 n1:101 c;d\te:0");

  // A damaged payload stops with the format message; written values stay.
  std::string cut = wide.substr(0, wide.size() - 12);
  try {
    Import<TDBGridEhImportAsVCLDBIF>(cut, Kind(gstAll), true);
    ADD_FAILURE() << "a truncated payload is accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), vcldbif::kFormatErrorText);
  }
  EXPECT_EQ(T.ds->State(), dsBrowse);
}

TEST_F(GridExportTest, VcldbifDamageKeepsEveryRecordReadBeforeIt) {
  Columns({"NAME", "NUM"});
  const std::vector<std::pair<std::string, int>> rows = {{"r1", 1}, {"r2", 2}, {"r3", 3},
                                                         {"r4", 4}, {"r5", 5}, {"r6", 6}};
  Fill(rows);
  const std::string bytes = Export<TDBGridEhExportAsVCLDBIF>(Kind(gstAll));
  // A record: a two-byte string (1 + 4 + 2) and an integer (1 + 4).
  const std::size_t third = vcldbif::kPrefixSize + 2 * 2 + 2 * 12;
  ASSERT_EQ(bytes.size(), third + 4 * 12 + 1);
  const std::string cut = bytes.substr(0, third + 3);
  struct Case {
    const char* what;
    const char* from;
    bool append;
    const char* rows;
  };
  const Case cases[] = {
      {"in place", "r2", false, "r1:1 r1:1 r2:2 r4:4 r5:5 r6:6"},
      {"appending allowed", "r2", true, "r1:1 r1:1 r2:2 r4:4 r5:5 r6:6"},
      // The record appended for the damaged one is dropped.
      {"on the last record", "r6", true, "r1:1 r2:2 r3:3 r4:4 r5:5 r1:1 r2:2"},
  };
  for (const Case& c : cases) {
    T.ds->Close();
    T.ds->Open();
    Fill(rows);
    Grid->SetAllowedOperations(c.append ? TDBGridEhAllowedOperations{alopUpdateEh, alopAppendEh}
                                        : TDBGridEhAllowedOperations{alopUpdateEh});
    T.Go(c.from);
    Grid->SetSelectedIndex(0);
    try {
      Import<TDBGridEhImportAsVCLDBIF>(cut, Kind(gstNon));
      ADD_FAILURE() << c.what << ": the damage goes unnoticed";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), vcldbif::kFormatErrorText) << c.what;
    }
    EXPECT_EQ(T.ds->State(), dsBrowse) << c.what;
    EXPECT_EQ(Rows(), c.rows) << c.what;
  }
}

TEST_F(GridExportTest, VcldbifSkippedValuesKeepTheStreamInStep) {
  // VAL is calculated: its values are read and dropped, never written.
  Columns({"VAL", "NAME", "NUM"});
  Fill({{"a", 1}, {"b", 2}});
  std::string bytes;
  vcldbif::PutPrefix(bytes, {{true, ""}, {true, ""}, {true, ""}});
  vcldbif::PutFloat(bytes, 9.5);
  vcldbif::PutBytes(bytes, vcldbif::kTagString, "x");
  vcldbif::PutTag(bytes, vcldbif::kTagNoValue);
  vcldbif::PutFloat(bytes, 8.5);
  vcldbif::PutBytes(bytes, vcldbif::kTagString, "y");
  vcldbif::PutInteger(bytes, 20);
  vcldbif::PutTag(bytes, vcldbif::kTagEnd);
  Import<TDBGridEhImportAsVCLDBIF>(bytes, Kind(gstAll), true);
  EXPECT_EQ(Rows(), "x:1 y:20");
}

TEST_F(GridExportTest, VcldbifRefusesNaNAndInfinitiesAndDropsAHalfReadInsert) {
  Columns({"NAME", "AMT"});
  T.Add("a", 1, 1.5);
  T.Add("b", 2, 2.5);
  Grid->SetAllowedOperations({alopUpdateEh, alopAppendEh});
  std::string bytes;
  vcldbif::PutPrefix(bytes, {{true, ""}, {true, ""}});
  vcldbif::PutBytes(bytes, vcldbif::kTagString, "x");
  vcldbif::PutFloat(bytes, std::numeric_limits<double>::quiet_NaN());
  vcldbif::PutBytes(bytes, vcldbif::kTagString, "y");
  vcldbif::PutFloat(bytes, -std::numeric_limits<double>::infinity());
  vcldbif::PutTag(bytes, vcldbif::kTagEnd);
  Answer = mrYes;  // on without the value
  T.Go("a");
  Grid->SetSelectedIndex(0);
  Import<TDBGridEhImportAsVCLDBIF>(bytes, Kind(gstNon));
  ASSERT_EQ(Questions.size(), 2u);
  EXPECT_NE(Questions[1].find("Значение -INF недопустимо для поля 'AMT'"), std::string::npos);
  T.Go("x");
  EXPECT_EQ(T.amt->AsFloat(), 1.5) << "kept";

  // Damaged inside the float of a record pasted into a record in insert.
  T.ds->Append();
  T.name->SetAsString("new");
  const std::string cut = bytes.substr(0, vcldbif::kPrefixSize + 2 * 2 + 6 + 3);
  try {
    Import<TDBGridEhImportAsVCLDBIF>(cut, Kind(gstNon));
    ADD_FAILURE() << "the damage goes unnoticed";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), vcldbif::kFormatErrorText);
  }
  EXPECT_EQ(T.ds->State(), dsBrowse);
  EXPECT_EQ(Rows(), "x:1 y:2");
}

TEST_F(GridExportTest, ATextWithANulByteIsCopiedAndPastedWhole) {
  Columns({"NAME", "NUM"});
  Fill({{"a", 1}, {"b", 2}});
  const std::string damaged = "Ив\0ан"s;
  T.Go("a");
  T.ds->Edit();
  T.name->SetAsString(damaged);
  T.ds->Post();
  EXPECT_EQ(T.name->AsString(), damaged);
  Grid->SelectedRows()->SetCurrentRowSelected(true);
  DBGridEh_DoCopyAction(Grid, false);
  Grid->SelectedRows()->Clear();
  Grid->SetSelectionType(gstNon);
  T.Go("b");
  Grid->SetSelectedIndex(0);
  DBGridEh_DoPasteAction(Grid, false);
  EXPECT_EQ(T.name->AsString(), damaged);
  EXPECT_EQ(T.num->AsInteger(), 1);
}

TEST_F(GridExportTest, DeleteEveryKind) {
  Columns({"NAME", "NUM"});
  struct Case {
    const char* what;
    std::function<TGridSelectionEh()> selection;
    bool confirm;
    int answer;
    const char* question;
    const char* rows;
  };
  const std::vector<Case> cases = {
      {"records, last to first",
       [&] {
         TGridSelectionEh s = Kind(gstRecordBookmarks);
         s.Rows = {BookmarkOf("a"), BookmarkOf("c"), BookmarkOf("d")};
         return s;
       },
       true, mrOk, "Delete all selected records?", "b:2"},
      {"one record",
       [&] {
         TGridSelectionEh s = Kind(gstRecordBookmarks);
         s.Rows = {BookmarkOf("b")};
         return s;
       },
       true, mrOk, "Delete record?", "a:1 c:3 d:4"},
      {"refused",
       [&] {
         TGridSelectionEh s = Kind(gstRecordBookmarks);
         s.Rows = {BookmarkOf("b")};
         return s;
       },
       true, mrCancel, "Delete record?", "a:1 b:2 c:3 d:4"},
      {"unconfirmed",
       [&] {
         TGridSelectionEh s = Kind(gstRecordBookmarks);
         s.Rows = {BookmarkOf("b")};
         return s;
       },
       false, mrCancel, "", "a:1 c:3 d:4"},
      {"rectangle cleared",
       [&] {
         TGridSelectionEh s = Kind(gstRectangle);
         s.TopBookmark = BookmarkOf("b");
         s.BottomBookmark = BookmarkOf("c");
         s.LeftCol = s.RightCol = 1;
         return s;
       },
       true, mrOk, "Очистить выделенные ячейки?", "a:1 b:0 c:0 d:4"},
      {"columns cleared without a question",
       [&] {
         TGridSelectionEh s = Kind(gstColumns);
         s.Columns = {Grid->Columns()->Items(1)};
         return s;
       },
       true, mrCancel, "", "a:0 b:0 c:0 d:0"},
      {"all deleted without a question", [&] { return Kind(gstAll); }, true, mrCancel, "", ""},
      {"nothing", [&] { return Kind(gstNon); }, true, mrOk, "", "a:1 b:2 c:3 d:4"},
  };
  for (const Case& c : cases) {
    T.ds->Close();
    T.ds->Open();
    Fill({{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}});
    TDBGridOptions o = Grid->Options();
    if (c.confirm)
      o.Include(dgConfirmDelete);
    else
      o.Exclude(dgConfirmDelete);
    Grid->SetOptions(o);
    Questions.clear();
    Answer = c.answer;
    DeleteGridSelection(Grid, c.selection());
    EXPECT_EQ(Questions.empty() ? "" : Questions[0], c.question) << c.what;
    EXPECT_EQ(Rows(), c.rows) << c.what;
    EXPECT_FALSE(T.ds->ControlsDisabled()) << c.what;
  }
}

TEST_F(GridExportTest, ClipboardCopyPasteAndCut) {
  Columns({"NAME", "NUM"});
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgTitles});
  Fill({{"Анна", 1}, {"b", 2}});
  Clipboard().SetAsText("before");
  DBGridEh_DoCopyAction(Grid, false);  // nothing selected: nothing offered
  EXPECT_EQ(Clipboard().AsText(), "before");
  EXPECT_FALSE(Clipboard().HasFormat(VCLDBIFClipboardFormat()));

  Grid->SelectedRows()->SetCurrentRowSelected(true);  // "Анна"
  EXPECT_EQ(Grid->SelectionType(), gstRecordBookmarks);
  DBGridEh_DoCopyAction(Grid, false);
  EXPECT_EQ(Clipboard().AsText(), "Анна\t1");
  EXPECT_EQ(Clipboard().GetBuffer(CsvClipboardFormat()), "\"Анна\";\"1\"");
  EXPECT_EQ(Clipboard().GetBuffer(RtfClipboardFormat()).substr(0, 11), "{\\rtf0\\ansi");
  EXPECT_EQ(Clipboard().GetBuffer(RtfApplicationClipboardFormat()),
            Clipboard().GetBuffer(RtfClipboardFormat()));
  EXPECT_EQ(Clipboard().GetBuffer(VCLDBIFClipboardFormat()).substr(0, 7), "VCLDBIF");

  // Paste prefers VCLDBIF; onto "b" with no selection.
  Grid->SelectedRows()->Clear();
  Grid->SetSelectionType(gstNon);
  T.Go("b");
  Grid->SetSelectedIndex(0);
  DBGridEh_DoPasteAction(Grid, false);
  EXPECT_EQ(Rows(), "Анна:1 Анна:1");
  // Plain text from elsewhere.
  Clipboard().SetAsText("Вера\t5");
  T.Go("Анна");
  DBGridEh_DoPasteAction(Grid, false);
  EXPECT_EQ(Rows(), "Вера:5 Анна:1");
  // An empty VCLDBIF beside the text holds no rows: the text is read.
  Clipboard().Open();
  Clipboard().Clear();
  Clipboard().SetAsText("Ирина\t7");
  Clipboard().SetBuffer(VCLDBIFClipboardFormat(), "");
  Clipboard().Close();
  T.Go("Анна");
  DBGridEh_DoPasteAction(Grid, false);
  EXPECT_EQ(Rows(), "Вера:5 Ирина:7");

  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgConfirmDelete});
  DBGridEh_DoCutAction(Grid, true);
  EXPECT_EQ(Rows(), "");
  EXPECT_EQ(Clipboard().AsText(), "Вера\t5\r\nИрина\t7");
}

// ---- RTF

class GridRtfTest : public GridExportTest {
 protected:
  std::string Rtf(const TGridSelectionEh& s) { return Export<TDBGridEhExportAsRTF>(s); }
};

TEST_F(GridRtfTest, OneWhiteColumnByteForByte) {
  Columns({"NAME"});
  Fill({{"{Ж}\\", 1}});
  TColumnEh* c = Grid->Columns()->Items(0);
  c->SetColor(clWhite);
  c->Font()->SetName("Arial");
  c->Font()->SetSize(10);
  c->Font()->SetStyle({fsBold});
  c->Font()->SetColor(clBlack);
  c->SetWidth(64);
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgTitles});
  EXPECT_EQ(Rtf(Kind(gstAll)),
            "{\\rtf0\\ansi\\ansicpg1251\r\n"
            "{\\colortbl\r\n"
            "\\red0\\green0\\blue0;\r\n"
            "\\red255\\green255\\blue255;\r\n"
            "\\red240\\green240\\blue240;\r\n"
            "}\r\n"
            "{\\fonttbl\r\n"
            "{\\f0\\fnil\\fcharset204 Arial;}\r\n"
            "}\r\n"
            "\\trowd\\trgaph40\r\n"
            "\\clbrdrl\\brdrs\\brdrcf0\r\n"
            "\\clbrdrt\\brdrs\\brdrcf0\r\n"
            "\\clbrdrb\\brdrs\\brdrcf0\r\n"
            "\\clbrdrr\\brdrs\\brdrcf0\r\n"
            "\\clcbpat1\\cellx960\r\n"
            "{\\trrh0\r\n"
            "\\pard\\intbl{\\ql\\sb24\\sa24\\fs20\\b\\f0\\cf0\\cb1 \\{\\'c6\\}\\\\\\cell}\r\n"
            "\\pard\\intbl\\row}\r\n"
            "}");
  EXPECT_EQ(Rtf(Kind(gstNon)), "");
}

TEST_F(GridRtfTest, TwoLevelTitlesMergeTheSharedHeading) {
  Columns({"NAME", "NUM"});
  Fill({{"a", 1}});
  Grid->SetUseMultiTitle(true);
  Grid->Columns()->Items(0)->Title()->SetCaption("Мать|Имя");
  Grid->Columns()->Items(1)->Title()->SetCaption("Мать|Номер");
  Grid->Columns()->Items(0)->SetWidth(64);
  Grid->Columns()->Items(1)->SetWidth(32);
  const std::string rtf = Rtf(Kind(gstAll));
  const std::string body = rtf.substr(rtf.find("\\trowd"));
  // The upper row: the heading once, no border between its two cells.
  const std::string upper = body.substr(0, body.find("\\row}"));
  EXPECT_EQ(upper.find("\\clbrdrr"), upper.rfind("\\clbrdrr"));
  EXPECT_EQ(upper.find("\\clbrdrl"), upper.rfind("\\clbrdrl"));
  EXPECT_NE(upper.find("\\cellx960\r\n"), std::string::npos);
  EXPECT_NE(upper.find("\\cellx1440\r\n"), std::string::npos);
  EXPECT_NE(upper.find(" " + RtfEscapedText("Мать") + "\\cell}"), std::string::npos);
  EXPECT_EQ(upper.find(RtfEscapedText("Мать")), upper.rfind(RtfEscapedText("Мать")));
  const std::string lower = body.substr(upper.size());
  EXPECT_NE(lower.find(" " + RtfEscapedText("Имя") + "\\cell}"), std::string::npos);
  EXPECT_NE(lower.find(" " + RtfEscapedText("Номер") + "\\cell}"), std::string::npos);
}

// What a word processor makes of an RTF table: the text of each cell, row
// by row. Fails the test on unbalanced groups, text after the document,
// or a row whose cells and cell definitions differ in number.
std::vector<std::vector<std::string>> ReadRtfTable(const std::string& rtf) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> cells;
  std::string bytes;  // Windows-1251 of the cell being read
  int depth = 0;
  int skipDepth = 0;  // inside a font or colour table
  int definitions = 0;
  bool ended = false;
  for (std::size_t i = 0; i < rtf.size();) {
    const char c = rtf[i];
    if (ended) {
      EXPECT_TRUE(c == '\r' || c == '\n') << "text after the document at " << i;
      ++i;
      continue;
    }
    if (c == '{') {
      ++depth;
      ++i;
      continue;
    }
    if (c == '}') {
      if (depth == skipDepth) skipDepth = 0;
      --depth;
      EXPECT_GE(depth, 0) << "unbalanced at " << i;
      ended = depth == 0;
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      if (skipDepth == 0) bytes += c;
      ++i;
      continue;
    }
    // A control symbol or word.
    const char next = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
    if (next == '\\' || next == '{' || next == '}') {
      if (skipDepth == 0) bytes += next;
      i += 2;
      continue;
    }
    if (next == '\'') {
      if (skipDepth == 0) bytes += static_cast<char>(std::stoi(rtf.substr(i + 2, 2), nullptr, 16));
      i += 4;
      continue;
    }
    std::size_t j = i + 1;
    while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
    const std::string word = rtf.substr(i + 1, j - i - 1);
    if (j < rtf.size() && (rtf[j] == '-' || std::isdigit(static_cast<unsigned char>(rtf[j])))) ++j;
    while (j < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[j]))) ++j;
    if (j < rtf.size() && rtf[j] == ' ') ++j;
    i = j;
    if (word == "colortbl" || word == "fonttbl") {
      skipDepth = depth;
    } else if (word == "trowd") {
      definitions = 0;
    } else if (word == "cellx") {
      ++definitions;
    } else if (word == "line") {
      bytes += '\n';
    } else if (word == "cell") {
      cells.push_back(Win1251ToUtf8(bytes));
      bytes.clear();
    } else if (word == "row") {
      EXPECT_EQ(static_cast<int>(cells.size()), definitions) << "row " << rows.size();
      rows.push_back(cells);
      cells.clear();
    } else if (word == "pard") {
      bytes.clear();
    }
  }
  EXPECT_TRUE(ended) << "the document is not closed";
  return rows;
}

// Without handlers the rows go straight to the stream once the first one
// has shown every colour and font; a handler keeps the whole document in
// memory until the end. The bytes must not differ.
TEST_F(GridRtfTest, StreamedAndBufferedDocumentsAreTheSame) {
  Columns({"NAME", "NUM"});
  Grid->SetUseMultiTitle(true);
  Grid->Columns()->Items(0)->Title()->SetCaption("Мать|Имя");
  Grid->Columns()->Items(1)->Title()->SetCaption("Мать|Номер");
  Grid->Columns()->Items(1)->SetColor(clYellow);
  Grid->Columns()->Items(0)->Font()->SetName("Arial");
  Grid->SetFooterRowCount(2);
  TColumnEh* num = Grid->Columns()->Items(1);
  num->Footers()->Add()->SetValueType(fvtSum);
  num->Footers()->Add()->SetValueType(fvtCount);
  num->Footers()->Items(1)->SetColor(clAqua);
  num->Footers()->Items(1)->Font()->SetName("Courier New");
  std::vector<std::pair<std::string, int>> rows;
  for (int i = 0; i < 4000; ++i) rows.push_back({"Имя " + std::to_string(i), i});
  for (const bool records : {false, true}) {
    if (records) Fill(rows);
    const std::string streamed = Rtf(Kind(gstAll));
    Grid->Columns()->Items(0)->OnGetCellParams = [](TObject*, bool, TColCellParamsEh&) {};
    const std::string buffered = Rtf(Kind(gstAll));
    Grid->Columns()->Items(0)->OnGetCellParams = nullptr;
    EXPECT_EQ(streamed, buffered) << records;
    EXPECT_NE(streamed.find("\\red0\\green255\\blue255;"), std::string::npos) << records;
    EXPECT_NE(streamed.find("Courier New;}"), std::string::npos) << records;
    EXPECT_EQ(ReadRtfTable(streamed).size(), records ? 4004u : 4u);
  }
}

TEST_F(GridRtfTest, AWordProcessorReadsTheTable) {
  Columns({"NAME", "NUM"});
  Fill({{"Ивы {М.}", 1}, {"Петрова\\", 22}});
  Grid->SetUseMultiTitle(true);
  Grid->Columns()->Items(0)->Title()->SetCaption("Мать|Имя");
  Grid->Columns()->Items(1)->Title()->SetCaption("Мать|Номер");
  TFileTestDir dir;
  const std::string file = dir.File("grid.rtf");
  TDBGridEhExportAsRTF e;
  e.SetDBGrid(Grid);
  e.ExportToFile(file, true);
  std::ifstream in(file, std::ios::binary);
  const std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(rtf.rfind("{\\rtf0\\ansi\\ansicpg1251\r\n", 0), 0u);
  EXPECT_NE(rtf.find("\\fcharset204 "), std::string::npos);
  const std::vector<std::vector<std::string>> expected = {
      {"Мать", ""}, {"Имя", "Номер"}, {"Ивы {М.}", "1"}, {"Петрова\\", "22"}};
  EXPECT_EQ(ReadRtfTable(rtf), expected);
}

// ---- a DBF register

class GridExportDbfTest : public GuiTest {
 protected:
  GridExportDbfTest() {
    FormatSettings.DecimalSeparator = '.';
    table = CreateUnique<TmDbfTable>();
    table->SetName("Reg");
    table->SetTableName(dir.File("reg.001"));
    name = Field<TStringField>("NAME", "");
    name->SetSize(20);
    num = Field<TIntegerField>("NUM", "7.0");
    born = Field<TDateField>("BORN", "");
    weight = Field<TFloatField>("W", "6.3");
    table->CreateTable();
    table->Open();
    source = CreateUnique<TDataSource>();
    source->SetDataSet(table.get());
    form = Create<TForm>(nullptr);
    grid = Create<TDBGridEh>(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 400, 200);
    grid->SetDataSource(source.get());
    form->Show();
  }
  ~GridExportDbfTest() override {
    form->Free();
    source.reset();
  }
  template <class F>
  F* Field(const char* fieldName, const char* origin) {
    auto* f = Create<F>(table.get());
    f->SetFieldName(fieldName);
    if (*origin) f->SetOrigin(origin);
    f->SetDataSet(table.get());
    return f;
  }
  std::string Rows() {
    std::string out;
    for (table->First(); !table->Eof(); table->Next())
      out += name->AsString() + "|" + num->AsString() + "|" + born->AsString() + "|" +
             weight->AsString() + "\n";
    return out;
  }

  TFileTestDir dir;
  TObjectPtr<TmDbfTable> table;
  TStringField* name;
  TIntegerField* num;
  TDateField* born;
  TFloatField* weight;
  TObjectPtr<TDataSource> source;
  TForm* form = nullptr;
  TDBGridEh* grid = nullptr;
};

TEST_F(GridExportDbfTest, TextAndVcldbifRoundTripsThroughARegister) {
  struct Row {
    const char* name;
    int num;
    double born;
    double weight;
  };
  for (const Row& r : {Row{"Иванова \"Ё\"", 1, 45000, 3.25}, Row{"", -7, 0, 0},
                       Row{"Сидорова; А", 1234567, 45500, 12.5}}) {
    table->Append();
    if (*r.name) name->SetAsString(r.name);
    num->SetAsInteger(r.num);
    if (r.born) born->SetAsDateTime(r.born);
    weight->SetAsFloat(r.weight);
    table->Post();
  }
  const std::string before = Rows();
  grid->SetOptions(grid->Options() - TDBGridOptions{dgTitles, dgConfirmDelete});
  struct Case {
    const char* what;
    std::function<void(const std::string&)> save, load;
  };
  const std::vector<Case> cases = {
      {"text file",
       [&](const std::string& f) {
         TDBGridEhExportAsText e;
         e.SetDBGrid(grid);
         e.ExportToFile(f, true);
       },
       [&](const std::string& f) {
         TDBGridEhImportAsText i;
         i.SetDBGrid(grid);
         i.ImportFromFile(f, true);
       }},
      {"VCLDBIF file",
       [&](const std::string& f) {
         TDBGridEhExportAsVCLDBIF e;
         e.SetDBGrid(grid);
         e.ExportToFile(f, true);
       },
       [&](const std::string& f) {
         TDBGridEhImportAsVCLDBIF i;
         i.SetDBGrid(grid);
         i.ImportFromFile(f, true);
       }},
  };
  for (const Case& c : cases) {
    const std::string file = dir.File(std::string(c.what) + ".out");
    c.save(file);
    DBGridEh_DoDeleteAction(grid, true);
    ASSERT_TRUE(table->IsEmpty()) << c.what;
    c.load(file);
    EXPECT_EQ(Rows(), before) << c.what;
  }
  // The text file is Windows-1251.
  std::ifstream in(dir.File("text file.out"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.substr(0, 8), Utf8ToWin1251("Иванова "));
}

}  // namespace

namespace {

TEST_F(GridExportTest, TheGridsRectangleAndColumnSelectionsAreCopied) {
  Columns({"NAME", "NUM"});
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgTitles});
  Fill({{"a", 1}, {"b", 2}, {"c", 3}});
  // Corners given bottom first: the rectangle still runs top to bottom.
  Grid->Selection()->Rect().Select(1, BookmarkOf("c"), false);
  Grid->Selection()->Rect().Select(0, BookmarkOf("b"), true);
  ASSERT_EQ(Grid->SelectionType(), gstRectangle);
  DBGridEh_DoCopyAction(Grid, false);
  EXPECT_EQ(Clipboard().AsText(), "b\t2\r\nc\t3");
  Grid->Selection()->Columns().Select(Grid->Columns()->Items(1), false);
  ASSERT_EQ(Grid->SelectionType(), gstColumns);
  DBGridEh_DoCopyAction(Grid, false);
  EXPECT_EQ(Clipboard().AsText(), "1\r\n2\r\n3");
}

}  // namespace
