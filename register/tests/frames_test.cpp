// The register windows headless on real DBF files: the field lists and
// their layout on disk, every check of each coupon, payability and
// amounts, child rows, sorting, the DBF copy, pack and the registry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/base/number_format.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/base/text.h"
#include "platform/gui/services.h"
#include "register/core/tests/register_fields.h"
#include "register/data_module.h"
#include "register/frames.h"

namespace {

using TFill = std::function<void(TCustFrame&)>;

class FramesTest : public ::testing::Test {
 protected:
  FramesTest() : clock(EncodeDateTime(2008, 6, 1, 12, 0, 0, 0)) {
    ApplyStartupFormatSettings();
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned) {
      messages.push_back(caption == "Mebrath" || caption.empty() ? text : caption + ": " + text);
      return answer;
    });
    Application->SetTitle("Mebrath");
  }
  ~FramesTest() override {
    for (TCustFrame* frame : frames) frame->Free();
    SetMessageBoxHandler(nullptr);
  }

  template <class T>
  T* Make(const std::string& name) {
    T* frame = Create<T>(nullptr);
    frames.push_back(frame);
    frame->NewRegister(dir.File(name));
    return frame;
  }

  static void Valid(TCustFrame& f) {
    f.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(1);
    f.Document()->Table()->FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, 3));
    f.Document()->Table()->FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 1, 10));
    f.Document()->Table()->FieldByName("LNAME")->SetAsString("Иванова");
    f.Document()->Table()->FieldByName("FNAME")->SetAsString("Анна");
    f.Document()->Table()->FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
    f.Document()->Table()->FieldByName("SDOC")->SetAsString("45 01");
    f.Document()->Table()->FieldByName("NDOC")->SetAsString("123456");
    f.Document()->Table()->FieldByName("DDOC")->SetAsDateTime(EncodeDate(2000, 1, 1));
    f.Document()->Table()->FieldByName("ODOC")->SetAsString("ОВД");
    if (f.FrameID() == 1) f.Document()->Table()->FieldByName("QTW2")->SetAsInteger(30);
  }

  // Inserts a record filled by Valid and `fill`, posts it; returns the
  // message shown, or "" when it was stored.
  std::string Post(TCustFrame& f, const TFill& fill) {
    messages.clear();
    f.Document()->Table()->Append();
    Valid(f);
    if (fill) fill(f);
    try {
      f.Document()->Table()->Post();
    } catch (const EAbort&) {
      f.CancelRecord();
      return messages.empty() ? "(silent)" : messages.back();
    }
    return messages.empty() ? "" : messages.back();
  }

  TScopedClock clock;
  TFileTestDir dir;
  std::vector<TCustFrame*> frames;
  std::vector<std::string> messages;
  int answer = IDYES;
};

void Set(TCustFrame& f, const char* name, const std::string& value) {
  f.Document()->Table()->FieldByName(name)->SetAsString(value);
}

TEST_F(FramesTest, EachKindWritesItsColumns) {
  struct {
    int id;
    const char* ext;
    int columns, record, header;
  } kinds[] = {
      {1, "a.001", 26, 479, 865}, {2, "a.002", 50, 568, 1633}, {3, "a.031", 72, 1544, 2337}};
  for (const auto& k : kinds) {
    TCustFrame* f = k.id == 1   ? static_cast<TCustFrame*>(Make<TFrmT1>(k.ext))
                    : k.id == 2 ? static_cast<TCustFrame*>(Make<TFrmT2>(k.ext))
                                : Make<TFrmT3>(k.ext);
    f->Document()->Table()->Close();
    const std::string bytes = [&] {
      std::FILE* file = std::fopen(dir.File(k.ext).c_str(), "rb");
      std::string b(64, '\0');
      b.resize(std::fread(b.data(), 1, b.size(), file));
      std::fclose(file);
      return b;
    }();
    const int header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9])
                                                                  << 8;
    const int record = static_cast<unsigned char>(bytes[10]) | static_cast<unsigned char>(bytes[11])
                                                                   << 8;
    EXPECT_EQ(header, k.header) << k.ext;
    EXPECT_EQ(record, k.record) << k.ext;
    EXPECT_EQ((header - 33) / 32, k.columns) << k.ext;
    EXPECT_EQ(bytes[14], k.id == 3 ? 1 : 2) << k.ext;
    f->OpenRegister(dir.File(k.ext));
    EXPECT_EQ(f->SB->Panels()->Items(1)->Text(), RegisterTypeCaption(FileTypeOfName(k.ext)));
  }
}

// The register the benchmarks and exchange tests make is the file the
// program creates, byte for byte: the structure version included.
TEST_F(FramesTest, RegisterFixtureWritesTheProgramsFile) {
  auto bytes = [](const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  for (const auto& [id, ext] : {std::pair{1, "b.001"}, {2, "b.002"}, {3, "b.031"}}) {
    TCustFrame* f = id == 1   ? static_cast<TCustFrame*>(Make<TFrmT1>(ext))
                    : id == 2 ? static_cast<TCustFrame*>(Make<TFrmT2>(ext))
                              : Make<TFrmT3>(ext);
    f->Document()->Table()->Close();
    const std::string fixture = dir.File(std::string("fixture-") + ext);
    register_fields::RegisterTable(fixture, id)->CreateTable();
    EXPECT_EQ(bytes(fixture), bytes(dir.File(ext))) << ext;
  }
}

TEST_F(FramesTest, CommonChecksInTheirOrder) {
  TFrmT1* f = Make<TFrmT1>("c.001");
  const std::string today = "01.06.2008";
  struct {
    TFill fill;
    std::string message;
  } cases[] = {
      {[](TCustFrame& f) { f.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(0); },
       "Не указан номер сертификата. "},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2005, 12, 31));
       },
       "Дата выдачи сертификата должна быть в промежутке 01.01.2006 - " + today + "."},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2008, 6, 2));
       },
       "Дата выдачи сертификата должна быть в промежутке 01.01.2006 - " + today + "."},
      {[](TCustFrame& f) { f.Document()->Table()->FieldByName("DREG")->Clear(); },
       "Не указана дата постановки на учет. "},
      {[](TCustFrame& f) { Set(f, "SNILS", "112-233-445 96"); }, "Не верно указан СНИЛС."},
      {[](TCustFrame& f) { Set(f, "LNAME", "   "); }, "Не указана фамилия."},
      {[](TCustFrame& f) { Set(f, "FNAME", ""); }, "Не указано имя."},
      {[](TCustFrame& f) { f.Document()->Table()->FieldByName("BDATE")->Clear(); },
       "Не указана дата рождения."},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("BDATE")->SetAsDateTime(EncodeDate(2000, 1, 1));
       },
       "Возраст матери на момент выдачи сертификата меньше 10 лет."},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("BDATE")->SetAsDateTime(EncodeDate(1940, 1, 1));
       },
       "Возраст матери на момент выдачи сертификата больше 60 лет."},
      {[](TCustFrame& f) { f.Document()->Table()->FieldByName("TDOC")->SetAsInteger(0); },
       "Не указан тип удостоверения личности."},
      {[](TCustFrame& f) { Set(f, "SDOC", " "); }, "Не указана серия удостоверения личности."},
      {[](TCustFrame& f) {
         Set(f, "SDOC", "");
         f.Document()->Table()->FieldByName("TDOC")->SetAsInteger(5);
         Set(f, "NDOC", "");
       },
       "Не указана номер удостоверения личности."},
      {[](TCustFrame& f) { f.Document()->Table()->FieldByName("DDOC")->Clear(); },
       "Не указана дата выдачи удостоверения личности."},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("DDOC")->SetAsDateTime(EncodeDate(1979, 1, 1));
       },
       "Удостоверение личности выдано до рождения."},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("DDOC")->SetAsDateTime(EncodeDate(2008, 6, 2));
       },
       "Дата выдачи удостоверение личности превышает текущую."},
      {[](TCustFrame& f) { Set(f, "ODOC", ""); },
       "Не указана организация, выдавшая удостоверение личности."},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("DLEAF")->SetAsDateTime(EncodeDate(2004, 12, 31));
       },
       "Не верно указана дата листка нетрудоспособности."},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("DCARD")->SetAsDateTime(EncodeDate(2004, 12, 31));
       },
       "Не верно указана дата обменной карты."},
      // Exactly 3650 days: 10 years by days div 365.
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("BDATE")->SetAsDateTime(EncodeDate(2007, 4, 3) - 3650);
         f.Document()->Table()->FieldByName("DDOC")->SetAsDateTime(EncodeDate(2007, 4, 1));
       },
       ""},
      {[](TCustFrame& f) {
         f.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(2);
         f.Document()->Table()->FieldByName("TDOC")->SetAsInteger(18);
         Set(f, "SDOC", "");
       },
       ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Post(*f, c.fill), c.message);
}

TEST_F(FramesTest, DuplicateKeysAreRefusedAcrossSeries) {
  TFrmT2* f = Make<TFrmT2>("d.002");
  auto child = [](TCustFrame& frame) {
    auto& t2 = static_cast<TFrmT2&>(frame);
    t2.mtChild->Append();
    t2.mtChild->FieldByName("WEIGHT")->SetAsFloat(3.45);
    t2.mtChild->FieldByName("GROWTH")->SetAsInteger(52);
    t2.mtChild->Post();
  };
  // DREG in 2007: the series becomes "Б" whatever was chosen.
  EXPECT_EQ(Post(*f, child), "");
  EXPECT_EQ(f->Document()->Table()->FieldByName("cCERTIF")->AsString(), "Б 0000001");
  EXPECT_EQ(Post(*f, child), "Указанный номер сертификата уже существует в текущем реестре.");
  // Birth in 2006: series "А", so the same number is another key.
  EXPECT_EQ(
      Post(*f,
           [&](TCustFrame& frame) {
             frame.Document()->Table()->FieldByName("DREG")->SetAsDateTime(EncodeDate(2006, 5, 1));
             Set(frame, "SCERTIF", "А");
             child(frame);
           }),
      "");
  EXPECT_EQ(f->Document()->Table()->FieldByName("SCERTIF")->AsString(), "А");
  EXPECT_EQ(f->Document()->Table()->FieldByName("SUM")->AsCurrency(), Currency(5000));
  // The key checked is the one stored: "Б 0000002" typed for a birth in
  // 2006 is stored as "А 0000002", which is taken.
  auto secondIn2006 = [&](TCustFrame& frame) {
    frame.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(2);
    frame.Document()->Table()->FieldByName("DREG")->SetAsDateTime(EncodeDate(2006, 7, 1));
    Set(frame, "SCERTIF", "Б");
    child(frame);
  };
  EXPECT_EQ(Post(*f, secondIn2006), "");
  EXPECT_EQ(f->Document()->Table()->FieldByName("cCERTIF")->AsString(), "А 0000002");
  EXPECT_EQ(Post(*f, secondIn2006),
            "Указанный номер сертификата уже существует в текущем реестре.");
  // Reopening builds the key ordering once.
  const std::size_t orderings = f->Document()->Table()->Orderings().size();
  f->OpenRegister(f->FileName());
  EXPECT_EQ(f->Document()->Table()->Orderings().size(), orderings);
  EXPECT_EQ(Post(*f, child), "Указанный номер сертификата уже существует в текущем реестре.");
}

TEST_F(FramesTest, CouponOnePayability) {
  TFrmT1* f = Make<TFrmT1>("p.001");
  const std::string weeks12 =
      "Талон не подлежит оплате.: Период наблюдения меньше 12 недель.\r\nСохранить изменения?";
  const std::string weeks30 =
      "Талон не подлежит оплате.: Срок беременности на момент выдачи сертификата меньше 30 "
      "недель.\r\n"
      "Сохранить изменения?";
  struct {
    int day;  // of April 2007; DREG 10.01.2007
    int qtw2, mulp, prem;
    std::string message;
    int chk;
  } cases[] = {
      {3, 30, 0, 0, "", 1},      {2, 30, 0, 0, weeks12, 0}, {3, 29, 1, 0, "", 1},
      {3, 29, 0, 0, weeks30, 0}, {3, 28, 0, 1, "", 1},      {3, 27, 0, 1, "", 1},
      {3, 27, 1, 0, weeks30, 0}, {3, 20, 0, 1, "", 1},      {3, 19, 1, 1, weeks30, 0},
  };
  int number = 10;
  for (const auto& c : cases) {
    const std::string got = Post(*f, [&](TCustFrame& fr) {
      fr.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(++number);
      fr.Document()->Table()->FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, c.day));
      fr.Document()->Table()->FieldByName("QTW2")->SetAsInteger(c.qtw2);
      fr.Document()->Table()->FieldByName("MULP")->SetAsInteger(c.mulp);
      fr.Document()->Table()->FieldByName("PREM")->SetAsInteger(c.prem);
    });
    EXPECT_EQ(got, c.message) << c.qtw2;
    EXPECT_EQ(f->Document()->Table()->FieldByName("CHK")->AsInteger(), c.chk);
    EXPECT_EQ(f->Document()->Table()->FieldByName("SUM")->AsCurrency(), Currency(3000 * c.chk));
  }
  // No to the question: the post is refused and the record stays.
  answer = IDNO;
  EXPECT_EQ(Post(*f,
                 [](TCustFrame& fr) {
                   fr.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(99);
                   fr.Document()->Table()->FieldByName("QTW2")->SetAsInteger(10);
                 }),
            weeks30);
  answer = IDYES;
  struct {
    TFill fill;
    std::string message;
  } checks[] = {
      {[](TCustFrame& fr) {
         fr.Document()->Table()->FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 4, 4));
       },
       "Дата постановки на учет больше даты выдачи сертификата."},
      {[](TCustFrame& fr) { fr.Document()->Table()->FieldByName("QTW2")->SetAsInteger(0); },
       "Не указан срок беременности на момент выдачи сертификата."},
      {[](TCustFrame& fr) {
         fr.Document()->Table()->FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 4, 3));
         fr.Document()->Table()->FieldByName("QTW2")->SetAsInteger(50);
       },
       "Срок беременности на дату постановки на учет превышает 49 недель."},
      {[](TCustFrame& fr) {
         fr.Document()->Table()->FieldByName("DREG")->SetAsDateTime(EncodeDate(2006, 6, 1));
         fr.Document()->Table()->FieldByName("QTW2")->SetAsInteger(62);
       },
       "Срок беременности на дату выдачи сертификата превышает 49 недель."},
  };
  for (const auto& c : checks) EXPECT_EQ(Post(*f, c.fill), c.message);
  // A certificate of 2006 pays 2000, and its series is "А".
  EXPECT_EQ(
      Post(*f,
           [](TCustFrame& fr) {
             fr.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(77);
             fr.Document()->Table()->FieldByName("DREG")->SetAsDateTime(EncodeDate(2006, 3, 1));
             fr.Document()->Table()->FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2006, 6, 1));
           }),
      "");
  EXPECT_EQ(f->Document()->Table()->FieldByName("SUM")->AsCurrency(), Currency(2000));
  EXPECT_EQ(f->Document()->Table()->FieldByName("SCERTIF")->AsString(), "А");
  EXPECT_EQ(f->Document()->Table()->FieldByName("cQTW1")->AsInteger(), 30 - 13);
}

struct TNewborn {
  const char* sex;
  double weight;
  int growth;
  const char* diag;
};

void AddNewborns(TFrmT2& f, std::initializer_list<TNewborn> rows) {
  for (const TNewborn& row : rows) {
    f.mtChild->Append();
    f.mtChild->FieldByName("SEX")->SetAsString(row.sex);
    f.mtChild->FieldByName("WEIGHT")->SetAsFloat(row.weight);
    f.mtChild->FieldByName("GROWTH")->SetAsInteger(row.growth);
    f.mtChild->FieldByName("DIAG")->SetAsString(row.diag);
    f.mtChild->Post();
  }
}

TEST_F(FramesTest, NewbornRowChecks) {
  TFrmT2* f = Make<TFrmT2>("n.002");
  f->Document()->Table()->Append();
  struct {
    TNewborn row;
    std::string message;
  } cases[] = {
      {{"", 3.0, 50, ""}, "Не указан пол новорожденного."},
      {{"М", 0, 50, ""}, "Не указан вес новорожденного."},
      {{"М", 10, 50, ""}, "Не указан вес новорожденного."},
      {{"М", 3.45, 15, ""}, "Не верно указан рост новорожденного."},
      {{"М", 5.0, 24, ""}, "Не верно указан рост новорожденного."},
      {{"М", 5.9, 29, ""}, "Не верно указан рост новорожденного."},
      {{"М", 3.0, 100, ""}, "Не верно указан рост новорожденного."},
      {{"М", 6.1, 30, ""}, "Не верное соотношение веса\\роста новорожденного."},
      {{"М", 6.0, 30, ""}, ""},
  };
  for (const auto& c : cases) {
    messages.clear();
    try {
      AddNewborns(*f, {c.row});
    } catch (const EAbort&) {
      f->mtChild->Cancel();
    }
    EXPECT_EQ(messages.empty() ? "" : messages.back(), c.message)
        << c.row.weight << " " << c.row.growth;
  }
  EXPECT_EQ(f->mtChild->RecordCount(), 1);
  f->Document()->Table()->Cancel();
}

TEST_F(FramesTest, NewbornsRoundTripThroughTheGroups) {
  TFrmT2* f = Make<TFrmT2>("r.002");
  EXPECT_EQ(Post(*f, nullptr), "Нет сведений о новорожденных.");
  EXPECT_EQ(Post(*f,
                 [](TCustFrame& fr) {
                   auto& t2 = static_cast<TFrmT2&>(fr);
                   AddNewborns(t2, {{"М", 3.45, 52, ""}, {"Ж", 2.9, 48, "P07"}});
                   fr.Document()->Table()->FieldByName("BQNT")->SetAsInteger(1);
                 }),
            "");
  EXPECT_EQ(f->Document()->Table()->FieldByName("CQNT")->AsInteger(), 2);
  EXPECT_EQ(f->Document()->Table()->FieldByName("BQNT")->AsInteger(), 2);
  EXPECT_EQ(f->Document()->Table()->FieldByName("CHK")->AsInteger(), 1);
  EXPECT_EQ(f->Document()->Table()->FieldByName("SUM")->AsCurrency(), Currency(6000));
  EXPECT_EQ(f->Document()->Table()->FieldByName("Childs")->AsString(),
            "М,3.450,52;Ж,2.900,48,P07;");

  // Reopened and loaded again, the rows come back; a seventh is refused.
  f->OpenRegister(f->FileName());
  f->LoadChildren();
  EXPECT_EQ(f->mtChild->RecordCount(), 2);
  EXPECT_FALSE(f->IsEditing());
  AddNewborns(*f, {{"М", 3, 50, ""}, {"М", 3, 50, ""}, {"М", 3, 50, ""}, {"М", 3, 50, ""}});
  EXPECT_TRUE(f->IsEditing());
  EXPECT_EQ(f->Document()->Table()->State(), dsEdit);
  EXPECT_THROW(f->mtChild->Append(), EAbort);
  EXPECT_EQ(f->mtChild->RecordCount(), 6);
  f->PostRecord();
  EXPECT_EQ(f->Document()->Table()->FieldByName("CQNT")->AsInteger(), 6);
  EXPECT_EQ(f->Document()->Table()->FieldByName("WEIGHT6")->AsFloat(), 3.0);

  // Delete in browse state puts the record into edit and lowers BQNT.
  f->LoadChildren();
  const int bqnt = f->Document()->Table()->FieldByName("BQNT")->AsInteger();
  f->DeleteChildRow();
  EXPECT_EQ(f->Document()->Table()->State(), dsEdit);
  EXPECT_EQ(f->Document()->Table()->FieldByName("BQNT")->AsInteger(), bqnt - 1);
  f->CancelRecord();
  EXPECT_EQ(f->mtChild->RecordCount(), 6);
  EXPECT_FALSE(f->IsEditing());

  // Both newborns with a diagnosis: not payable.
  EXPECT_EQ(
      Post(*f,
           [](TCustFrame& fr) {
             fr.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(5);
             AddNewborns(static_cast<TFrmT2&>(fr), {{"М", 3, 50, "P01"}, {"Ж", 3, 50, "P02"}});
           }),
      "");
  EXPECT_EQ(f->Document()->Table()->FieldByName("CHK")->AsInteger(), 0);
  EXPECT_EQ(f->Document()->Table()->FieldByName("SUM")->AsCurrency(), Currency(0));
}

struct TChild {
  TDateTime birth, start, end;
};

TEST_F(FramesTest, ObservationPeriodsByPart) {
  struct {
    const char* file;
    TChild child;
    std::string message;
    TDateTime start, end;
  } cases[] = {
      {"a.031",
       {EncodeDate(2007, 3, 15), 0, 0},
       "",
       EncodeDate(2007, 3, 15),
       EncodeDate(2007, 9, 15)},
      {"b.032",
       {EncodeDate(2007, 3, 15), EncodeDate(2007, 9, 14), 0},
       "Для талона 3-2 начало периода наблюдения\r\nраньше 6-ти месяцев со дня рождения ребенка.",
       0,
       0},
      {"c.032",
       {EncodeDate(2007, 3, 15), 0, 0},
       "",
       EncodeDate(2007, 9, 15),
       EncodeDate(2008, 3, 15)},
      {"d.032",
       {EncodeDate(2007, 8, 31), 0, 0},
       "",
       EncodeDate(2008, 2, 29),
       EncodeDate(2008, 8, 29)},
      {"e.031",
       {EncodeDate(2007, 3, 15), 0, EncodeDate(2007, 9, 14)},
       "Период наблюдения меньше 6-ти месяцев.",
       0,
       0},
      {"f.031",
       {EncodeDate(2007, 3, 15), EncodeDate(2007, 3, 14), 0},
       "Начало периода наблюдения раньше даты рождения.",
       0,
       0},
      {"g.031",
       {EncodeDate(2007, 3, 15), EncodeDate(2007, 4, 1), EncodeDate(2007, 3, 20)},
       "Окончание периода наблюдения раньше начала.",
       0,
       0},
      {"h.031", {EncodeDate(2006, 12, 31), 0, 0}, "Дата рождения ребенка меньше 01.01.2007.", 0, 0},
      // An unknown part does not check the start.
      {"i.033",
       {EncodeDate(2007, 3, 15), EncodeDate(2007, 1, 1), 0},
       "",
       EncodeDate(2007, 1, 1),
       EncodeDate(2007, 7, 1)},
  };
  for (const auto& c : cases) {
    TFrmT3* f = Make<TFrmT3>(c.file);
    f->Document()->Table()->Append();
    messages.clear();
    f->mtChild->Append();
    f->mtChild->FieldByName("LNAME")->SetText("петров");
    f->mtChild->FieldByName("FNAME")->SetAsString("Иван");
    f->mtChild->FieldByName("BDATE")->SetAsDateTime(c.child.birth);
    if (c.child.start > 0) f->mtChild->FieldByName("DATEBOBS")->SetAsDateTime(c.child.start);
    if (c.child.end > 0) f->mtChild->FieldByName("DATEEOBS")->SetAsDateTime(c.child.end);
    f->mtChild->FieldByName("SPOLICY")->SetAsString("ab");
    try {
      f->mtChild->Post();
    } catch (const EAbort&) {
    }
    EXPECT_EQ(messages.empty() ? "" : messages.back(), c.message) << c.file;
    if (c.message.empty()) {
      EXPECT_EQ(f->mtChild->FieldByName("DATEBOBS")->AsDateTime(), c.start) << c.file;
      EXPECT_EQ(f->mtChild->FieldByName("DATEEOBS")->AsDateTime(), c.end) << c.file;
      EXPECT_EQ(f->mtChild->FieldByName("SPOLICY")->AsString(), "AB");
      EXPECT_EQ(f->mtChild->FieldByName("LNAME")->AsString(), "Петров");
    }
    f->CancelRecord();
  }
}

TEST_F(FramesTest, CouponThreeHoldsChildren) {
  TFrmT3* f = Make<TFrmT3>("t.031");
  EXPECT_EQ(Post(*f, nullptr), "Нет сведений о детях.");
  EXPECT_EQ(Post(*f,
                 [](TCustFrame& fr) {
                   auto& t3 = static_cast<TFrmT3&>(fr);
                   for (const char* name : {"Анна", "Олег", "Ира"}) {
                     t3.mtChild->Append();
                     t3.mtChild->FieldByName("LNAME")->SetAsString("Петрова");
                     t3.mtChild->FieldByName("FNAME")->SetAsString(name);
                     t3.mtChild->FieldByName("BDATE")->SetAsDateTime(EncodeDate(2007, 3, 15));
                     t3.mtChild->Post();
                   }
                 }),
            "");
  EXPECT_EQ(f->Document()->Table()->FieldByName("CQNT")->AsInteger(), 3);
  EXPECT_EQ(f->Document()->Table()->FieldByName("SUM")->AsCurrency(), Currency(3000));
  EXPECT_EQ(f->Document()->Table()->FieldByName("FNAME3")->AsString(), "Ира");
  EXPECT_EQ(f->Document()->Table()->FieldByName("DATEEOBS2")->AsDateTime(),
            EncodeDate(2007, 9, 15));
  // Certificates of coupon No. 3 start in 2007.
  EXPECT_EQ(Post(*f,
                 [](TCustFrame& fr) {
                   fr.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(2);
                   fr.Document()->Table()->FieldByName("DCERTIF")->SetAsDateTime(
                       EncodeDate(2006, 12, 31));
                 }),
            "Дата выдачи сертификата должна быть в промежутке 01.01.2007 - 01.06.2008.");
}

TEST_F(FramesTest, FieldRulesAndDefaults) {
  TFrmT1* f = Make<TFrmT1>("f.001");
  TDataSet& ds = *f->Document()->Table();
  EXPECT_EQ(ds.FieldByName("NCERTIF")->DisplayText(), "");
  ds.Append();
  EXPECT_EQ(ds.FieldByName("SCERTIF")->AsString(), "Б");
  EXPECT_EQ(ds.FieldByName("TDOC")->AsInteger(), 14);
  EXPECT_EQ(ds.FieldByName("NCERTIF")->DisplayText(), "0000000");
  ds.FieldByName("LNAME")->SetText("  иванова-  петрова ");
  EXPECT_EQ(ds.FieldByName("LNAME")->AsString(), "Иванова-Петрова");
  ds.FieldByName("FNAME")->SetText("   ");
  EXPECT_EQ(ds.FieldByName("FNAME")->AsString(), "");
  ds.FieldByName("NLEAF")->SetText("-12");
  EXPECT_EQ(ds.FieldByName("NLEAF")->AsInteger(), 12);
  EXPECT_EQ(ds.FieldByName("NLEAF")->DisplayText(), "0000012");
  ds.FieldByName("DLEAF")->SetText("03.04.2007");
  EXPECT_EQ(ds.FieldByName("DLEAF")->DisplayText(), "03.04.2007");
  ds.FieldByName("DLEAF")->SetText("  .  .    ");
  EXPECT_TRUE(ds.FieldByName("DLEAF")->IsNull());
  ds.FieldByName("SNILS")->SetText("   -   -   __");
  EXPECT_EQ(ds.FieldByName("SNILS")->AsString(), "");
  EXPECT_EQ(ds.FieldByName("SNILS")->DisplayText(), "000-000-000 00");
  ds.Cancel();
  EXPECT_EQ(NormalizeName("анна"), "Анна");
  EXPECT_EQ(FileTypeOfName("x/A.032"), 32);
  EXPECT_EQ(FileTypeOfName("x/a"), 0);
}

TEST_F(FramesTest, SortingDeletionCopyAndPack) {
  TFrmT1* f = Make<TFrmT1>("s.001");
  for (int n : {3, 1, 2}) {
    EXPECT_EQ(Post(*f,
                   [n](TCustFrame& fr) {
                     fr.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(n);
                   }),
              "");
  }
  TColumnEh* number = f->grdMain->Columns()->Items(0);
  auto order = [&] {
    std::string s;
    for (f->Document()->Table()->First(); !f->Document()->Table()->Eof();
         f->Document()->Table()->Next())
      s += IntToStr(f->Document()->Table()->FieldByName("NCERTIF")->AsInteger());
    return s;
  };
  f->TitleBtnClick(number);
  EXPECT_EQ(number->Title()->SortMarker(), smUpEh);
  EXPECT_EQ(order(), "123");
  f->TitleBtnClick(number);
  EXPECT_EQ(number->Title()->SortMarker(), smDownEh);
  EXPECT_EQ(order(), "321");
  f->TitleBtnClick(number);
  EXPECT_EQ(number->Title()->SortMarker(), smNoneEh);
  EXPECT_EQ(order(), "312");

  // Ctrl+Delete in the grid asks first.
  answer = IDNO;
  unsigned key = VK_DELETE;
  f->grdMain->OnKeyDown(f->grdMain, key, TShiftState{ssCtrl});
  EXPECT_EQ(messages.back(), "Удалить запись?");
  EXPECT_EQ(f->Document()->Table()->RecordCount(), 3);
  answer = IDYES;
  f->DeleteRecord();
  EXPECT_EQ(f->Document()->Table()->RecordCount(), 2);

  f->ExportDbf(dir.File("copy.dbf"));
  EXPECT_TRUE(f->Document()->Table()->Active());
  EXPECT_EQ(FileSize(dir.File("copy.dbf")), FileSize(dir.File("s.001")));
  EXPECT_THROW(f->ExportDbf(dir.File("missing/copy.dbf")), EInOutError);
  EXPECT_TRUE(f->Document()->Table()->Active());

  const auto before = FileSize(dir.File("s.001"));
  f->PackRegister();
  EXPECT_EQ(FileSize(dir.File("s.001")), before - 479);
  EXPECT_EQ(f->SB->Panels()->Items(0)->Text(), "1:2");
  f->ShowProgress(3, 10);
  EXPECT_EQ(f->SB->Panels()->Items(1)->Text(), "Обработано записей 3 из 10");
}

TEST_F(FramesTest, AskSaveChangesKeepsARefusedRecord) {
  TFrmT1* f = Make<TFrmT1>("k.001");
  f->InsertRecord();
  EXPECT_TRUE(f->CardShown());
  answer = IDYES;
  EXPECT_FALSE(f->AskSaveChanges());
  EXPECT_EQ(messages.back(), "Не указан номер сертификата. ");
  answer = IDNO;
  EXPECT_TRUE(f->AskSaveChanges());
  EXPECT_EQ(f->Document()->Table()->State(), dsBrowse);
}

TEST(FrameRegistry, FreedEntriesAreReused) {
  RegisterCouponFrames();
  ASSERT_NE(FindFrameClass(2), nullptr);
  EXPECT_EQ(FindFrameClass(7), nullptr);
  UnregisterFrameClass(2);
  EXPECT_EQ(FindFrameClass(2), nullptr);
  RegisterFrameClass(FrameClassOf<TFrmT2>(2));
  RegisterFrameClass(FrameClassOf<TFrmT1>(2));  // the id is taken
  TCustFrame* frame = FindFrameClass(2)->Make(nullptr);
  EXPECT_EQ(frame->FrameID(), 2);
  frame->Free();
}

}  // namespace

namespace {

// An older register: version 1, a few of today's columns and one that is
// gone.
void WriteOldRegister(const std::string& name, int records) {
  auto old = CreateUnique<TmDbfTable>();
  old->SetTableName(name);
  old->SetVers(1);
  auto add = [&](auto* field, const char* fieldName, int size, const char* origin) {
    field->SetFieldName(fieldName);
    if (size > 0) field->SetSize(size);
    field->SetOrigin(origin);
    field->SetDataSet(old.get());
  };
  add(Create<TStringField>(old.get()), "SCERTIF", 1, "");
  add(Create<TIntegerField>(old.get()), "NCERTIF", 0, "7.0");
  add(Create<TStringField>(old.get()), "LNAME", 40, "");
  add(Create<TDateField>(old.get()), "DLEAF", 0, "");
  add(Create<TDateField>(old.get()), "DCARD", 0, "");
  add(Create<TSmallintField>(old.get()), "CQNT", 0, "1.0");
  add(Create<TStringField>(old.get()), "OLDX", 5, "");
  old->CreateTable();
  old->Open();
  const TDateTime leaves[] = {EncodeDate(2004, 12, 31), EncodeDate(2005, 1, 1), 0};
  for (int i = 0; i < records; ++i) {
    old->Append();
    old->FieldByName("SCERTIF")->SetAsString("А");
    old->FieldByName("NCERTIF")->SetAsInteger(i + 1);
    old->FieldByName("LNAME")->SetAsString("Петрова");
    if (leaves[i % 3] > 0) old->FieldByName("DLEAF")->SetAsDateTime(leaves[i % 3]);
    old->FieldByName("DCARD")->SetAsDateTime(EncodeDate(2003, 1, 1));
    old->FieldByName("CQNT")->SetAsInteger(2);
    old->FieldByName("OLDX")->SetAsString("x");
    old->Post();
  }
  old->Close();
}

TEST_F(FramesTest, OlderStructuresAreCopiedIn) {
  for (const char* name : {"old.001", "old.002"}) {
    WriteOldRegister(dir.File(name), 3);
    TCustFrame* f = nullptr;
    if (name[6] == '1') {
      f = Create<TFrmT1>(nullptr);
    } else {
      f = Create<TFrmT2>(nullptr);
    }
    frames.push_back(f);
    f->OpenRegister(dir.File(name));
    TDataSet& ds = *f->Document()->Table();
    EXPECT_EQ(f->Document()->Table()->FileVers(), 2);
    EXPECT_EQ(ds.RecordCount(), 3);
    ds.First();
    EXPECT_TRUE(ds.FieldByName("DLEAF")->IsNull());
    EXPECT_TRUE(ds.FieldByName("DCARD")->IsNull());
    EXPECT_EQ(ds.FieldByName("LNAME")->AsString(), "Петрова");
    ds.Next();
    EXPECT_EQ(ds.FieldByName("DLEAF")->AsDateTime(), EncodeDate(2005, 1, 1));
    ds.Next();
    EXPECT_TRUE(ds.FieldByName("DLEAF")->IsNull());
    EXPECT_EQ(ds.FieldByName("NCERTIF")->AsInteger(), 3);
    if (f->FrameID() == 2) {
      EXPECT_EQ(ds.FieldByName("BQNT")->AsInteger(), 2);
      EXPECT_EQ(ds.FieldByName("CQNT")->AsInteger(), 2);
    } else {
      EXPECT_EQ(ds.FieldByName("QTW2")->AsInteger(), 0);
    }
  }
}

// Columns copied by their bytes give the file the fields' way gives: an
// OnValidate handler on every field of the new structure takes the
// upgrade that way.
TEST_F(FramesTest, AnUpgradeByTheColumnsBytesWritesTheFieldsFile) {
  for (const char* kind : {"001", "002"}) {
    std::string files[2];
    for (int way = 0; way < 2; ++way) {
      const std::string name = dir.File(Format("w%d.%s", way, kind));
      WriteOldRegister(name, 300);
      TCustFrame* f = nullptr;
      if (kind[2] == '1') {
        f = Create<TFrmT1>(nullptr);
      } else {
        f = Create<TFrmT2>(nullptr);
      }
      frames.push_back(f);
      TDataSet& ds = *f->Document()->Table();
      if (way == 1)
        for (int i = 0; i < ds.FieldCount(); ++i) ds.Fields()[i]->OnValidate = [](TField*) {};
      f->OpenRegister(name);
      ASSERT_EQ(ds.RecordCount(), 300);
      f->Document()->Table()->Close();
      std::ifstream in(name, std::ios::binary);
      files[way].assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(files[0].size(), files[1].size()) << kind;
    EXPECT_TRUE(files[0] == files[1]) << kind;
  }
}

// The footer's text and the amounts added up record by record, read
// without moving the window's table.
std::pair<std::string, Currency> FooterAndAmounts(TCustFrame& f) {
  const std::string footer = f.grdMain->GetFooterValue(0, f.grdMain->Columns()->Items(15));
  auto copy = CreateUnique<TmDbfTable>();
  copy->SetTableName(f.FileName());
  copy->SetExclusive(false);
  copy->Open();
  Currency total;
  const int rate = f.FrameID() == 1 ? 3000 : f.FrameID() == 2 ? 6000 : 1000;
  const char* factor = f.FrameID() == 3 ? "CQNT" : "CHK";
  for (copy->First(); !copy->Eof(); copy->Next())
    total += Currency(copy->FieldByName(factor)->AsInteger() * rate);
  return {footer, total};
}

TEST_F(FramesTest, FooterSumFollowsOpeningRefreshAndPack) {
  auto* f = Make<TFrmT1>("sum.001");
  for (int i = 1; i <= 4; ++i)
    Post(*f,
         [i](TCustFrame& g) { g.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(i); });
  auto* other = Create<TFrmT1>(nullptr);
  frames.push_back(other);
  other->OpenRegister(f->FileName());
  struct {
    const char* step;
    std::function<void()> run;
  } steps[] = {
      {"first open", [] {}},
      {"sorted by name, opened again",
       [&] {
         other->TitleBtnClick(other->grdMain->Columns()->Items(3));
         other->OpenRegister(f->FileName());
       }},
      {"another user's records, refreshed",
       [&] {
         Post(*f, [](TCustFrame& g) {
           g.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(5);
         });
         Post(*f, [](TCustFrame& g) {
           g.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(6);
           g.Document()->Table()->FieldByName("QTW2")->SetAsInteger(10);  // not payable
         });
         other->RefreshRegister();
       }},
      {"the data as a whole changed: the amounts' own pass",
       [&] {
         other->Document()->Table()->Last();
         other->grdMain->SumList()->RecalcAll();
       }},
      {"a record deleted and packed",
       [&] {
         other->Document()->Table()->First();
         other->Document()->Table()->Delete();
         f->Document()->Table()->Close();  // packing needs the file alone
         other->PackRegister();
       }},
      {"a post",
       [&] {
         other->Document()->Table()->Edit();
         other->Document()->Table()->FieldByName("QTW2")->SetAsInteger(10);
         other->Document()->Table()->Post();
       }},
  };
  for (auto& step : steps) {
    SCOPED_TRACE(step.step);
    step.run();
    const auto [footer, total] = FooterAndAmounts(*other);
    EXPECT_EQ(footer, FormatCurr("0.00", total));
    // The records shown keep every calculated field.
    EXPECT_FALSE(other->Document()->Table()->FieldByName("FIO")->AsString().empty());
    EXPECT_EQ(Copy(other->Document()->Table()->FieldByName("cCERTIF")->AsString(), 1, 2), "Б ");
  }
  // The duplicate check sees the keys the open worked out.
  EXPECT_EQ(
      Post(*other,
           [](TCustFrame& g) { g.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(5); }),
      "Указанный номер сертификата уже существует в текущем реестре.");
}

// Two windows on one register, as two users have it: each sees the
// other's records after a refresh, the duplicate check spans both, and a
// record another user is writing is refused with the lock message and
// stays in edit, losing nothing.
TEST_F(FramesTest, PackWhileAnotherUserHasTheRegisterOpen) {
  auto* a = Make<TFrmT1>("busy.001");
  for (int n : {1, 2}) {
    EXPECT_EQ(Post(*a,
                   [n](TCustFrame& g) {
                     g.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(n);
                   }),
              "");
  }
  auto* b = Create<TFrmT1>(nullptr);
  frames.push_back(b);
  b->OpenRegister(a->FileName());
  try {
    a->PackRegister();
    ADD_FAILURE() << "packed a register another user has open";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Упаковка таблицы невозможна: реестр " + a->FileName() +
                               " открыт другим пользователем.");
  }
  // The window shows the register as before.
  EXPECT_TRUE(a->Document()->Table()->Active());
  EXPECT_EQ(a->Document()->Table()->RecordCount(), 2);
  EXPECT_EQ(a->SB->Panels()->Items(0)->Text(), "1:2");
  b->Document()->Table()->Close();
  a->PackRegister();
  EXPECT_EQ(a->Document()->Table()->RecordCount(), 2);
}

TEST_F(FramesTest, TwoUsersShareOneRegister) {
  auto* a = Make<TFrmT1>("shared.001");
  auto* b = Create<TFrmT1>(nullptr);
  frames.push_back(b);
  std::vector<int> waits;
  for (TCustFrame* f : {a, b}) {
    f->Document()->Table()->LockWait = [&](int ms) { waits.push_back(ms); };
    f->OpenRegister(a->FileName());
  }
  EXPECT_EQ(
      Post(*a,
           [](TCustFrame& g) { g.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(1); }),
      "");
  EXPECT_EQ(
      Post(*b,
           [](TCustFrame& g) { g.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(2); }),
      "");
  a->RefreshRegister();
  b->RefreshRegister();
  EXPECT_EQ(a->Document()->Table()->RecordCount(), 2);
  EXPECT_EQ(b->Document()->Table()->RecordCount(), 2);
  EXPECT_EQ(a->SB->Panels()->Items(0)->Text(), "1:2");
  EXPECT_EQ(
      Post(*b,
           [](TCustFrame& g) { g.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(1); }),
      "Указанный номер сертификата уже существует в текущем реестре.");

  // b writes record 1 while a posts its change of it.
  const std::string header = [&] {
    TFileStream file(a->FileName(), fmOpenRead | fmShareDenyNone);
    std::string bytes(12, '\0');
    file.Read(bytes.data(), 12);
    return bytes;
  }();
  const int headerLength =
      static_cast<unsigned char>(header[8]) | static_cast<unsigned char>(header[9]) << 8;
  const int recordLength =
      static_cast<unsigned char>(header[10]) | static_cast<unsigned char>(header[11]) << 8;
  TFileStream writer(a->FileName(), fmOpenReadWrite | fmShareDenyNone);
  ASSERT_TRUE(writer.LockRange(headerLength, recordLength));
  a->Document()->Table()->Locate("NCERTIF", Variant(1), {});
  a->Document()->Table()->Edit();
  a->Document()->Table()->FieldByName("LNAME")->SetAsString("Петрова");
  try {
    a->PostRecord();
    ADD_FAILURE() << "posted over a locked record";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("Запись заблокирована другим пользователем."), std::string::npos)
        << e.Message();
  }
  EXPECT_EQ(waits, std::vector<int>{200});
  EXPECT_TRUE(a->IsEditing());
  EXPECT_EQ(a->Document()->Table()->FieldByName("LNAME")->AsString(), "Петрова");
  writer.UnlockRange(headerLength, recordLength);
  a->PostRecord();
  EXPECT_FALSE(a->IsEditing());
  b->RefreshRegister();
  ASSERT_TRUE(b->Document()->Table()->Locate("NCERTIF", Variant(1), {}));
  EXPECT_EQ(b->Document()->Table()->FieldByName("LNAME")->AsString(), "Петрова");
  EXPECT_EQ(b->Document()->Table()->FieldByName("FIO")->AsString(), "Петрова Анна ");
}

}  // namespace
