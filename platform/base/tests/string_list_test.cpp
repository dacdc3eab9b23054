#include "platform/base/string_list.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/stream.h"

namespace {

std::vector<std::string> Items(const TStrings& list) {
  std::vector<std::string> result;
  for (int i = 0; i < list.Count(); ++i) result.push_back(list[i]);
  return result;
}

using V = std::vector<std::string>;

}  // namespace

TEST(StringList, TextSplitsAtEveryLineBreak) {
  struct Case {
    std::string text;
    V items;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
      {"\r\n", {""}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR: two breaks
      {"a\r\r\nb", {"a", "", "b"}},
      {"ж\r\n ё ", {"ж", " ё "}},
  };
  TStringList list;
  for (const auto& c : cases) {
    list.SetText(c.text);
    EXPECT_EQ(Items(list), c.items) << c.text;
  }
  list.SetText("a\nb");
  EXPECT_EQ(list.Text(), "a\r\nb\r\n");
  list.Clear();
  EXPECT_EQ(list.Text(), "");
}

TEST(StringList, CommaTextRoundTripsTrickyItems) {
  const V tables[] = {
      {"a", "b c", "", "d,e", "\"q\"", "x\"y", " lead", "tab\t", "ж ё"},
      {""},
      {"", ""},
      {"a", ""},
      {"", "a"},
      {"line\r\nbreak"},
  };
  for (const auto& items : tables) {
    TStringList list, back;
    for (const auto& s : items) list.Add(s);
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(Items(back), items) << list.CommaText();
  }

  TStringList list;
  for (const char* s : {"a", "b c", "", "d\"e", "ж"}) list.Add(s);
  EXPECT_EQ(list.CommaText(), R"(a,"b c","","d""e",ж)");
}

TEST(StringList, SetCommaTextFollowsTheClassicSplitting) {
  struct Case {
    std::string text;
    V items;
  };
  const Case cases[] = {
      {"a b,\"c d\",,e", {"a", "b", "c d", "", "e"}},
      {"", {}},
      {"   ", {}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      {"a , b", {"a", "b"}},
      {"\"a\"\"b\" c", {"a\"b", "c"}},
      {"\"open", {"open"}},
      {"\"ab\"cd", {"ab", "cd"}},
      {std::string("a\0b,c", 5), {"a"}},  // text ends at a NUL
  };
  TStringList list;
  for (const auto& c : cases) {
    list.SetCommaText(c.text);
    EXPECT_EQ(Items(list), c.items) << c.text;
  }
}

TEST(StringList, DelimitedTextWithOwnDelimiterAndStrictness) {
  TStringList list;
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  list.SetDelimitedText("a b;'c;d';e");
  EXPECT_EQ(Items(list), (V{"a", "b", "c;d", "e"}));
  EXPECT_EQ(list.DelimitedText(), "a;b;'c;d';e");
  list.SetStrictDelimiter(true);
  list.SetDelimitedText(" a b ;c");
  EXPECT_EQ(Items(list), (V{" a b ", "c"}));
}

TEST(StringList, NamesAndValues) {
  TStringList list;
  list.SetText("Name=Иван\nempty=\nno separator\nКод=1=2");
  EXPECT_EQ(list.Names(0), "Name");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.Values("name"), "Иван");
  EXPECT_EQ(list.Values("код"), "1=2");
  EXPECT_EQ(list.ValueFromIndex(2), "");
  EXPECT_EQ(list.IndexOfName("EMPTY"), 1);
  EXPECT_EQ(list.IndexOfName("no separator"), -1);

  list.SetValues("NAME", "Пётр");  // replaces the line, with the new spelling
  list.SetValues("New", "x");
  list.SetValues("empty", "");
  EXPECT_EQ(Items(list), (V{"NAME=Пётр", "no separator", "Код=1=2", "New=x"}));

  list.SetNameValueSeparator(':');
  list.SetValues("k", "v");
  EXPECT_EQ(list.Values("k"), "v");
  EXPECT_EQ(list[4], "k:v");
}

TEST(StringList, IndexOfFoldsCyrillicUnlessCaseSensitive) {
  TStringList list;
  list.SetCommaText("Ж,ёлка,Abc");
  EXPECT_EQ(list.IndexOf("ж"), 0);
  EXPECT_EQ(list.IndexOf("ЁЛКА"), 1);
  EXPECT_EQ(list.IndexOf("abc"), 2);
  EXPECT_EQ(list.IndexOf("abd"), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("ж"), -1);
  EXPECT_EQ(list.IndexOf("Ж"), 0);
}

TEST(StringList, SortedListKeepsOrderAndHandlesDuplicates) {
  TStringList list;
  list.SetCommaText("в,Б,а,Ё,е,ж");
  list.SetSorted(true);
  EXPECT_EQ(list.CommaText(), "а,Б,в,е,Ё,ж");

  int index = -1;
  EXPECT_TRUE(list.Find("б", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("г", index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list.Add("г"), 3);
  EXPECT_EQ(list.IndexOf("Г"), 3);

  EXPECT_EQ(list.Add("Б"), 1);  // dupIgnore: the existing index
  EXPECT_EQ(list.Count(), 7);
  list.SetDuplicates(dupAccept);
  EXPECT_EQ(list.Add("Б"), 1);
  EXPECT_EQ(list.Count(), 8);
  list.SetDuplicates(dupError);
  try {
    list.Add("а");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  for (auto op :
       {+[](TStringList& l) { l.Insert(0, "x"); }, +[](TStringList& l) { l.SetStrings(0, "x"); },
        +[](TStringList& l) { l.Exchange(0, 1); }, +[](TStringList& l) { l.Move(0, 1); }}) {
    try {
      op(list);
      FAIL();
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
    }
  }
  EXPECT_EQ(list.CommaText(), "а,Б,Б,в,г,е,Ё,ж");

  // Switching to case-sensitive order sorts again, so Find stays right.
  TStringList mixed;
  mixed.SetCommaText("b,A,a,B");
  mixed.SetSorted(true);
  mixed.SetCaseSensitive(true);
  EXPECT_EQ(mixed.CommaText(), "a,A,b,B");
  EXPECT_TRUE(mixed.Find("B", index));
  EXPECT_EQ(index, 3);
}

TEST(StringList, CustomSortMoveExchangeKeepObjects) {
  int o1 = 1, o2 = 2, o3 = 3;
  TStringList list;
  list.AddObject("ccc", &o1);
  list.AddObject("a", &o2);
  list.AddObject("bb", &o3);
  list.CustomSort([](TStringList* l, int a, int b) {
    return static_cast<int>(l->StringRef(a).size()) - static_cast<int>(l->StringRef(b).size());
  });
  EXPECT_EQ(list.CommaText(), "a,bb,ccc");
  EXPECT_EQ(list.Objects(0), &o2);
  list.Move(0, 2);
  EXPECT_EQ(list.CommaText(), "bb,ccc,a");
  EXPECT_EQ(list.Objects(2), &o2);
  list.Move(2, 0);
  list.Exchange(0, 2);
  EXPECT_EQ(list.CommaText(), "ccc,bb,a");
  EXPECT_EQ(list.IndexOfObject(&o1), 0);
  list.Insert(1, "new");
  EXPECT_EQ(list.Objects(1), nullptr);

  TStringList copy;
  copy.SetDelimiter(';');
  list.SetNameValueSeparator(':');
  copy.Assign(list);
  EXPECT_TRUE(copy.Equals(list));
  EXPECT_EQ(copy.Objects(0), &o1);
  EXPECT_EQ(copy.NameValueSeparator(), ':');
  EXPECT_EQ(copy.Delimiter(), ',');
  copy.SetStrings(0, "CCC");
  EXPECT_FALSE(copy.Equals(list));  // Equals compares bytes
  copy.AddStrings(copy);
  EXPECT_EQ(copy.Count(), 8);
  // One change notice per Assign; a sorted list sorts what it takes.
  int changes = 0;
  copy.OnChange = [&](TStrings*) { ++changes; };
  copy.Assign(list);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(copy.Equals(list));
  TStringList sorted;
  sorted.SetSorted(true);
  sorted.Assign(list);
  EXPECT_EQ(sorted.CommaText(), "a,bb,ccc,new");
}

TEST(StringList, IndexErrorsCarryTheIndex) {
  TStringList list;
  list.Add("a");
  auto message = [&](auto op) {
    try {
      op();
    } catch (const EListError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { list.Get(1); }), "List index out of bounds (1)");
  EXPECT_EQ(message([&] { list.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(message([&] { list.Insert(2, "x"); }), "List index out of bounds (2)");
  EXPECT_EQ(message([&] { list.Objects(5); }), "List index out of bounds (5)");
  EXPECT_EQ(message([&] { list.Move(0, 1); }), "List index out of bounds (1)");
  list.Insert(1, "end");  // Count() is a valid insert position
  EXPECT_EQ(list.Count(), 2);
}

TEST(StringList, ChangeEventsAndUpdateBracket) {
  TStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TStrings* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](TStrings*) { ++changed; };

  list.Add("a");
  list.SetStrings(0, "b");
  list.Delete(0);
  list.Clear();  // nothing to clear: no events
  EXPECT_EQ(changing, 3);
  EXPECT_EQ(changed, 3);

  changing = changed = 0;
  list.BeginUpdate();
  list.BeginUpdate();
  list.SetCommaText("a,b,c");
  list.Add("d");
  list.EndUpdate();
  EXPECT_EQ(changed, 0);
  list.EndUpdate();
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);

  changing = changed = 0;
  list.SetText("x\ny\nz");  // a bulk operation is one change
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);

  // A handler's exception from the closing EndUpdate reaches the caller.
  list.OnChange = [](TStrings*) { throw EAbort("stop"); };
  EXPECT_THROW(list.SetText("a"), EAbort);
  EXPECT_EQ(list.UpdateCount(), 0);
}

TEST(StringList, StreamsHoldWindows1251UnlessUtf8) {
  TStringList list;
  list.SetText("Ёлка\nабв «x»");
  TStringStream ansi;
  list.SaveToStream(ansi);
  EXPECT_EQ(ansi.DataString(), "\xA8\xEB\xEA\xE0\r\n\xE0\xE1\xE2 \xABx\xBB\r\n");
  ansi.SetPosition(0);
  TStringList back;
  back.LoadFromStream(ansi);
  EXPECT_TRUE(back.Equals(list));

  TStringStream utf8;
  list.SaveToStream(utf8, TStringsEncoding::Utf8);
  EXPECT_EQ(utf8.DataString(), "\xEF\xBB\xBF" + list.Text());
  utf8.SetPosition(0);
  back.LoadFromStream(utf8);  // the byte order mark wins over Ansi
  EXPECT_TRUE(back.Equals(list));

  TStringStream plain("ж\r\n");
  back.LoadFromStream(plain, TStringsEncoding::Utf8);
  EXPECT_EQ(back[0], "ж");

  TStringStream tail("skip\xE6");
  tail.SetPosition(4);  // from the stream's position on
  back.LoadFromStream(tail);
  EXPECT_EQ(back.Text(), "ж\r\n");
}

TEST(StringList, FilesRoundTrip) {
  std::string path = ::testing::TempDir() + "string_list_test_" + std::to_string(::getpid());
  TStringList list;
  list.SetCommaText("один,два,three");
  list.SaveToFile(path);
  TStringList back;
  back.LoadFromFile(path);
  EXPECT_TRUE(back.Equals(list));
  std::remove(path.c_str());
  EXPECT_THROW(back.LoadFromFile(path), EFOpenError);
}
