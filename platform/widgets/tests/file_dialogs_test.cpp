#include "platform/widgets/file_dialogs.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "platform/gui/tests/gui_test_support.h"

namespace fs = std::filesystem;

namespace {

// One scripted answer: the name typed (empty: Cancel), the filter chosen.
struct TAnswer {
  std::string Name;
  int FilterIndex = 0;  // 0: keep
};

class FileDialogsTest : public GuiTest {
 protected:
  FileDialogsTest() {
    Dir = fs::temp_directory_path() / ("file_dialogs_test_" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    std::ofstream(Dir / "exists.dbf") << "x";
    SetFileDialogBackend([this](TFileDialogRequest& r) {
      Requests.push_back(r);
      if (Answers.empty()) return false;
      TAnswer a = Answers.front();
      Answers.pop_front();
      if (a.FilterIndex != 0 && r.TypeChanged) {
        r.FilterIndex = a.FilterIndex;
        r.TypeChanged(a.FilterIndex);
      }
      if (a.Name.empty()) return false;
      r.FileName = a.Name;
      return true;
    });
  }
  ~FileDialogsTest() override {
    SetFileDialogBackend(nullptr);
    fs::remove_all(Dir);
  }
  std::string In(const std::string& name) const { return (Dir / name).string(); }

  fs::path Dir;
  std::deque<TAnswer> Answers;
  std::vector<TFileDialogRequest> Requests;
  std::unique_ptr<TComponent> Owner{Create<TComponent>(nullptr)};
};

TEST(FileFilterTest, Pairs) {
  auto f = ParseFileFilter("Таблицы (*.dbf)|*.dbf|Все файлы|*.*;*|Без маски");
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].Description, "Таблицы (*.dbf)");
  EXPECT_EQ(f[0].Pattern, "*.dbf");
  EXPECT_EQ(f[1].Pattern, "*.*;*");
  EXPECT_EQ(f[2].Pattern, "*");
  EXPECT_TRUE(ParseFileFilter("").empty());
  // A trailing bar ends the last pair; it adds no filter.
  f = ParseFileFilter("Реестр талонов №2|*.002|");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].Pattern, "*.002");
}

TEST_F(FileDialogsTest, RequestCarriesTheProperties) {
  auto* d = Create<TSaveDialog>(Owner.get());
  d->SetFilter("A|*.a|B|*.b");
  d->SetFilterIndex(7);
  d->SetInitialDir(Dir.string());
  d->SetFileName("proposed");
  EXPECT_FALSE(d->Execute());
  ASSERT_EQ(Requests.size(), 1u);
  EXPECT_TRUE(Requests[0].Save);
  EXPECT_EQ(Requests[0].Title, "Сохранить как");
  EXPECT_EQ(Requests[0].FilterIndex, 2) << "clamped to the filters";
  EXPECT_EQ(Requests[0].FileName, "proposed");
  EXPECT_EQ(d->FileName(), "proposed") << "a cancelled dialog changes nothing";
  EXPECT_EQ(d->FilterIndex(), 7);

  auto* o = Create<TOpenDialog>(Owner.get());
  o->SetTitle("Открыть реестр");
  o->Execute();
  EXPECT_FALSE(Requests[1].Save);
  EXPECT_EQ(Requests[1].Title, "Открыть реестр");
}

TEST_F(FileDialogsTest, DefaultExtOnlyWithoutTypedExtension) {
  struct Case {
    std::string Typed, DefaultExt, Expected;
  } cases[] = {
      {"report", "xml", "report.xml"},   {"report.txt", "xml", "report.txt"},
      {"report", "", "report"},          {"a.b/report", ".xml", "a.b/report.xml"},
      {".hidden", "xml", ".hidden.xml"}, {"sub/../x", "dbf", "x.dbf"},
  };
  for (const Case& c : cases) {
    auto* d = Create<TSaveDialog>(Owner.get());
    d->SetInitialDir(Dir.string());
    d->SetDefaultExt(c.DefaultExt);
    Answers = {{c.Typed}};
    ASSERT_TRUE(d->Execute()) << c.Typed;
    EXPECT_EQ(d->FileName(), In(c.Expected)) << c.Typed;
  }
  auto* d = Create<TSaveDialog>(Owner.get());
  Answers = {{In("abs")}};
  d->SetDefaultExt("dbf");
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), In("abs.dbf")) << "absolute names ignore InitialDir";
}

TEST_F(FileDialogsTest, TheChosenFileTypeGivesTheExtension) {
  struct Case {
    std::string Typed;
    int Chosen;  // 0: the type is left as it is
    std::string DefaultExt, Expected;
  } cases[] = {
      {"r", 0, "001", "r.001"}, {"r", 2, "001", "r.002"}, {"r.031", 2, "001", "r.031"},
      {"r", 3, "001", "r.001"}, {"r", 4, "001", "r.txt"}, {"r", 5, "001", "r.001"},
      {"r", 2, "", "r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Typed + " " + std::to_string(c.Chosen));
    auto* d = Create<TSaveDialog>(Owner.get());
    // Types 3 and 5 name no extension of their own.
    d->SetFilter("Один|*.001|Два|*.002|Все|*.*|Текст|*.txt;*.dbf|Любой|*.0?1");
    d->SetInitialDir(Dir.string());
    d->SetDefaultExt(c.DefaultExt);
    Answers = {{c.Typed, c.Chosen}};
    ASSERT_TRUE(d->Execute());
    EXPECT_EQ(d->FileName(), In(c.Expected));
  }
}

TEST_F(FileDialogsTest, OptionsPromptAndShowTheDialogAgain) {
  std::vector<int> replies;
  std::vector<unsigned> flags;
  SetMessageBoxHandler([&](const std::string& text, const std::string&, unsigned f) {
    Boxes.push_back(text);
    flags.push_back(f);
    int r = replies.empty() ? IDOK : replies.front();
    if (!replies.empty()) replies.erase(replies.begin());
    return r;
  });

  // Overwrite prompt: No shows the dialog again with the name; Yes accepts.
  auto* save = Create<TSaveDialog>(Owner.get());
  save->SetInitialDir(Dir.string());
  save->SetDefaultExt("dbf");
  save->SetOptions({ofOverwritePrompt});
  replies = {IDNO, IDYES};
  Answers = {{"exists"}, {"exists.dbf"}, {"new"}};
  ASSERT_TRUE(save->Execute());
  EXPECT_EQ(save->FileName(), In("exists.dbf"));
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0], In("exists.dbf") + " уже существует.\nЗаменить его?");
  EXPECT_EQ(flags[0], MB_YESNO | MB_ICONWARNING);
  EXPECT_EQ(Requests.at(1).FileName, In("exists.dbf"));
  // A new name needs no prompt.
  Boxes.clear();
  Answers = {{"new"}};
  ASSERT_TRUE(save->Execute());
  EXPECT_TRUE(Boxes.empty());

  // File must exist outranks the create prompt; the create prompt asks.
  auto* open = Create<TOpenDialog>(Owner.get());
  open->SetInitialDir(Dir.string());
  open->SetOptions({ofFileMustExist, ofCreatePrompt});
  Answers = {{"missing.dbf"}, {}};
  EXPECT_FALSE(open->Execute());
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0], In("missing.dbf") + "\nФайл не найден.\nПроверьте правильность имени файла.");
  Boxes.clear();
  open->SetOptions({ofCreatePrompt});
  replies = {IDYES};
  Answers = {{"missing.dbf"}};
  ASSERT_TRUE(open->Execute());
  EXPECT_EQ(Boxes.at(0), In("missing.dbf") + "\nФайл не существует.\nСоздать его?");
  // Path must exist.
  Boxes.clear();
  open->SetOptions({ofPathMustExist});
  Answers = {{"nodir/x.dbf"}, {"exists.dbf"}};
  ASSERT_TRUE(open->Execute());
  EXPECT_EQ(Boxes.at(0), In("nodir") + "\nПуть не существует.\nПроверьте правильность пути.");
  EXPECT_EQ(open->FileName(), In("exists.dbf"));
}

TEST_F(FileDialogsTest, TypeChangeUpdatesFilterIndexAtOnce) {
  auto* d = Create<TOpenDialog>(Owner.get());
  d->SetFilter("A|*.a|B|*.b|C|*.c");
  d->SetInitialDir(Dir.string());
  std::vector<int> seen;
  d->OnTypeChange = [&](TObject* sender) {
    seen.push_back(static_cast<TOpenDialog*>(sender)->FilterIndex());
  };
  Answers = {{"x", 3}};
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(seen, std::vector<int>{3});
  EXPECT_EQ(d->FilterIndex(), 3);
  Answers = {{"", 2}};  // changed, then cancelled
  EXPECT_FALSE(d->Execute());
  EXPECT_EQ(d->FilterIndex(), 3);
}

}  // namespace
