// The institution-details dialog (its boxes, keys, type mapping, loading
// and saving through the INI section) and the about box (width, links),
// headless with a scripted modal loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/ini_file.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/mask_edit.h"
#include "platform/widgets/std_labels.h"
#include "register/about_box.h"
#include "register/data_module.h"
#include "register/details_dialog.h"
#include "register/program_version.h"

namespace {

TEST(DetailsDialogNames, KeysAndTypeMapping) {
  struct {
    const char* name;
    const char* key;
  } keys[] = {{"e_INN", "INN"},         {"e_reg_num", "REG_NUM"},         {"c_Type", "TYPE"},
              {"e_GDOCTER", "GDOCTER"}, {"e_ABCDEFGHIJKL", "ABCDEFGHIJ"}, {"e_", ""}};
  for (const auto& k : keys) EXPECT_EQ(DetailsKeyOfName(k.name), k.key) << k.name;

  struct {
    const char* value;
    int index;
  } types[] = {
      {"Государственное", 0}, {"ГУЗ Гос. больница", 0}, {"МУЗ Муниципальное", 1},
      {"Муниципальное", 1},   {"муниципальное", 2},  // the letters are matched as they stand
      {"Гос/Мун", 0},         {"Негосударственное", 2}, {"", 2}};
  for (const auto& t : types) EXPECT_EQ(DetailsTypeIndex(t.value), t.index) << t.value;
}

class DialogsTest : public GuiTest {
 protected:
  DialogsTest() : clock(EncodeDate(2008, 6, 1)) {
    ApplyStartupFormatSettings();
    SetIniFileName(dir.File("mebrath.ini"));
    DM = Create<TDM>(nullptr);
  }
  ~DialogsTest() override {
    Application->OnIdle = nullptr;
    SetOpenDocumentHandler(nullptr);
    DM->Free();
    DM = nullptr;
    SetIniFileName("");
  }
  // Runs `run` while the idle passes of its modal loop take the steps.
  int RunModal(std::deque<std::function<void()>> steps, const std::function<int()>& run) {
    return RunModalSteps(std::move(steps), run);
  }
  std::string Ini(const char* key) {
    return TIniFile(IniFileName()).ReadString("LPU", key, "<absent>");
  }

  TScopedClock clock;
  TFileTestDir dir;
};

TEST_F(DialogsTest, DetailsBoxesFollowTheKeysOfTheSection) {
  TDlgCfg* dialog = Create<TDlgCfg>(nullptr);
  struct {
    const char* key;
    bool firstPage;
    int maxLength;
    const char* label;
  } boxes[] = {
      {"INN", true, 12, "ИНН:"},
      {"REG_NUM", true, 10, "Рег№(ФСС):"},
      {"KPP", true, 9, "КПП:"},
      {"OGRN", true, 15, "ОГРН:"},
      {"NAME", true, 200, "Название:"},
      {"ADRES", true, 200, "Адрес:"},
      {"GDOCTER", true, 40, "Глав. врач (ФИО):"},
      {"GBUH", true, 40, "Глав. бух. (ФИО):"},
      {"ACC", true, 20, "Расч. счет:"},
      {"BNAME", true, 200, "Наименование банка:"},
      {"BIC", true, 10, "БИК:"},
      {"KACC", true, 20, "К. сч.:"},
      {"FNAME", false, 200, "Название:"},
      {"FINN", false, 12, "ИНН:"},
      {"FKPP", false, 9, "КПП:"},
      {"FADRES", false, 200, "Адрес:"},
      {"FBNAME", false, 200, "Наименование банка:"},
      {"FACC", false, 20, "Расч. счет:"},
      {"FBIC", false, 10, "БИК:"},
      {"FKACC", false, 20, "К. сч.:"},
      {"NDOC", false, 10, "Номер:"},
      {"DDOC", false, 10, "Дата:"},
  };
  ASSERT_EQ(dialog->Edits().size(), std::size(boxes));
  for (std::size_t i = 0; i < std::size(boxes); ++i) {
    const auto& b = boxes[i];
    TCustomEdit* edit = dialog->Edits()[i];
    EXPECT_EQ(edit->Name(), std::string("e_") + b.key);
    EXPECT_EQ(edit->MaxLength(), b.maxLength) << b.key;
    TWinControl* page = b.firstPage ? dialog->tsLpu : dialog->tsFss;
    EXPECT_EQ(edit->Parent(), page) << b.key;
    std::string label;
    for (int c = 0; c < page->ControlCount(); ++c)
      if (auto* l = dynamic_cast<TLabel*>(page->Controls(c)); l && l->FocusControl() == edit)
        label = l->Caption();
    EXPECT_EQ(label, b.label) << b.key;
  }
  EXPECT_EQ(dialog->Caption(), "Реквизиты ЛПУ");
  EXPECT_EQ(dialog->tsLpu->Caption(), "Реквизиты ЛПУ");
  EXPECT_EQ(dialog->tsFss->Caption(), "Реквизиты ФСС");
  EXPECT_EQ(dialog->c_Type->Parent(), dialog->tsLpu);
  EXPECT_EQ(dialog->c_Type->Items()->Count(), 3);
  EXPECT_NE(dynamic_cast<TCustomMaskEdit*>(dialog->EditOfKey("ddoc")), nullptr);
  dialog->Free();
}

TEST_F(DialogsTest, DetailsLoadAndSaveThroughTheSection) {
  struct {
    const char* type;  // TYPE in the file
    const char* ddoc;  // DDOC in the file
    bool save;         // "Сохранить" rather than "Закрыть"
    const char* savedType;
    const char* savedDdoc;
    int result;
  } cases[] = {
      {"МУЗ Муниципальное учреждение", "15.03.2007", true, "Муниципальное", "15.03.2007", mrOk},
      {"Гос", "", true, "Государственное", "", mrOk},
      {"частное", "  .  .    ", true, "Негосударственное", "", mrOk},
      {"Гос", "01.02.2008", false, "Гос", "01.02.2008", mrCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    {
      TIniFile ini(IniFileName());
      ini.WriteString("LPU", "INN", "7701234567");
      ini.WriteString("LPU", "TYPE", c.type);
      ini.WriteString("LPU", "DDOC", c.ddoc);
    }
    TDlgCfg* dialog = Create<TDlgCfg>(nullptr);
    std::string shownInn;
    int shownType = -1;
    const int result = RunModal({[&] {
                                  shownInn = dialog->EditOfKey("INN")->Text();
                                  shownType = dialog->c_Type->ItemIndex();
                                  EXPECT_EQ(dialog->Pages->ActivePage(), dialog->tsLpu);
                                  dialog->EditOfKey("NDOC")->SetText("17");
                                  (c.save ? dialog->btSave : dialog->btClose)->Click();
                                }},
                                [&] { return dialog->Execute(); });
    dialog->Free();
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(shownInn, "7701234567");
    EXPECT_EQ(shownType, DetailsTypeIndex(c.type));
    EXPECT_EQ(Ini("TYPE"), c.savedType);
    EXPECT_EQ(Ini("DDOC"), c.savedDdoc);
    EXPECT_EQ(Ini("NDOC"), c.save ? "17" : "<absent>");
    // Every box's key reaches the section on saving, filled or not.
    EXPECT_EQ(Ini("FKACC"), c.save ? "" : "<absent>");
    TIniFile(IniFileName()).EraseSection("LPU");
  }
}

TEST_F(DialogsTest, AboutBoxWidthAndLinks) {
  TAboutBox* box = Create<TAboutBox>(nullptr);
  EXPECT_EQ(box->Caption(), "О программе ...");
  EXPECT_EQ(box->Version->Caption(), GetFileVersion());
  EXPECT_EQ(box->InternalName->Caption(), GetVersionValue("InternalName"));
  struct {
    TLabel* label;
    const char* text;
    bool widens;
  } widths[] = {
      {box->Programmer, "Иванов", false},
      {box->Programmer, "Иванов Иван Иванович, ведущий разработчик программы", true},
      {box->Email, "a-very-long-mailbox-name@clinic-example.org.ru", true},
      // The web label is not measured.
      {box->www, "www.an-exceedingly-long-address-of-the-monitoring-system.example", false},
  };
  for (const auto& w : widths) {
    SCOPED_TRACE(w.text);
    for (TLabel* l : {box->Programmer, box->Email, box->www}) l->SetCaption("");
    w.label->SetCaption(w.text);
    box->FitWidth();
    const int right = w.label->Left() + w.label->Width();
    if (w.widens) {
      EXPECT_GT(right + 15, 360);
      EXPECT_EQ(box->ClientWidth(), right + 15);
    } else {
      EXPECT_EQ(box->ClientWidth(), 360);
    }
  }

  std::vector<std::string> opened;
  SetOpenDocumentHandler([&](const std::string& url) {
    opened.push_back(url);
    return true;
  });
  box->Email->SetCaption("doc@clinic.ru");
  box->www->SetCaption("");
  auto click = [](TLabel* label) { label->OnClick(label); };
  click(box->Email);
  click(box->www);  // nothing to open
  box->www->SetCaption("clinic.ru");
  click(box->www);
  EXPECT_EQ(opened, (std::vector<std::string>{"mailto:doc@clinic.ru", "http://clinic.ru"}));

  EXPECT_EQ(RunModal({[&] { box->btOk->Click(); }}, [&] { return box->ShowModal(); }), mrOk);
  box->Free();
}

}  // namespace

namespace {

// The captions of the box's visible labels, top to bottom.
std::vector<std::string> ShownLabels(TAboutBox* box) {
  std::vector<std::pair<int, std::string>> shown;
  for (int i = 0; i < box->ControlCount(); ++i) {
    auto* label = dynamic_cast<TLabel*>(box->Controls(i));
    // The name and the version row always show.
    if (label != nullptr && label->Visible() && label != box->InternalName &&
        label->Top() != box->Version->Top())
      shown.emplace_back(label->Top() * 1000 + label->Left(), label->Caption());
  }
  std::sort(shown.begin(), shown.end());
  std::vector<std::string> texts;
  for (auto& [place, text] : shown) texts.push_back(text);
  return texts;
}

TEST_F(DialogsTest, AboutBoxHidesRowsWithoutValue) {
  TAboutBox* box = Create<TAboutBox>(nullptr);
  struct {
    const char* programmer;
    const char* email;
    const char* www;
    std::vector<std::string> shown;
  } cases[] = {
      {"", "", "", {}},
      {"Иванов", "", "", {"Ведущий разработчик:", "Иванов"}},
      {"",
       "doc@clinic.ru",
       "clinic.ru",
       {"E-mail:", "doc@clinic.ru", "Поисково-мониторинговая система:", "clinic.ru"}},
      {"Иванов",
       "doc@clinic.ru",
       "clinic.ru",
       {"Ведущий разработчик:", "Иванов", "E-mail:", "doc@clinic.ru",
        "Поисково-мониторинговая система:", "clinic.ru"}},
  };
  int previousHeight = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.programmer + std::string("|") + c.email + "|" + c.www);
    box->Programmer->SetCaption(c.programmer);
    box->Email->SetCaption(c.email);
    box->www->SetCaption(c.www);
    box->ArrangeRows();
    EXPECT_EQ(ShownLabels(box), c.shown);
    // The memo and the button stay below the rows, inside the box.
    int rowsBottom = box->Picture->Top() + box->Picture->Height();
    for (TLabel* l : {box->Programmer, box->Email, box->www})
      if (l->Visible()) rowsBottom = std::max(rowsBottom, l->Top() + l->Height());
    EXPECT_GT(box->Memo->Top(), rowsBottom);
    EXPECT_GT(box->btOk->Top(), box->Memo->Top() + box->Memo->Height());
    EXPECT_LE(box->btOk->Top() + box->btOk->Height(), box->ClientHeight());
    EXPECT_GE(box->ClientHeight(), previousHeight);
    previousHeight = box->ClientHeight();
  }
  // All rows filled: the layout the box had before any row was hidden.
  EXPECT_EQ(box->Memo->Top(), 156);
  EXPECT_EQ(box->ClientHeight(), 270);
  box->Free();
}

}  // namespace
