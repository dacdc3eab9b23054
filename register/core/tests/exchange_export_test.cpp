#include "register/core/exchange_export.h"

#include <random>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "register/core/tests/exchange_test_support.h"
#include "register/core/xml_out.h"
#include "storage/dbf_table.h"

namespace {

const std::string kCommonChildren =
    "<CERTIF SCERTIF=\"А\" NCERTIF=\"42\" DCERTIF=\"2007.04.03\" />"
    "<PERSON SNILS=\"112-233-445 95\" LNAME=\"Иванова\" FNAME=\"Анна\" MNAME=\"Петровна\" "
    "BDATE=\"1980.05.06\" ADDRESS=\"ул. Лесная, 5\" />";
const std::string kEmptyHeader =
    "<HEADER FROM=\"\" TO=\"\" DATE=\"2007.05.01\" INN=\"\" REG_NUM=\"\" KPP=\"\" OGRN=\"\" "
    "ADRES=\"\" TYPE=\"\" GDOCTER=\"\" GBUH=\"\" ACC=\"\" BNAME=\"\" BIC=\"\" KACC=\"\" NDOC=\"\" "
    "DDOC=\"\"/>";

std::string Prolog(const std::string& target) {
  return "<?xml version=\"1.0\" encoding=\"windows-1251\"?><?" + target +
         " version=\"0.1\" povers=\"10\"?><BIRTH_SERTIF>" + kEmptyHeader;
}

class ExchangeExportTest : public ExchangeTest {
 protected:
  // The exported file as UTF-8 (it must be Windows-1251 on disk: the
  // conversion back would garble UTF-8 bytes).
  std::string Export(TDataSet& ds, int frameId, int fileType) {
    const std::string name = FDir.File("out.xml");
    ExportRegisterXml(ds, name, frameId, fileType, FLpu.Access(), EncodeDate(2007, 5, 1));
    return Win1251ToUtf8(FileBytes(name));
  }
};

TEST_F(ExchangeExportTest, EmptyRegisterOfEachKindIsPrologAndRootOnly) {
  const struct {
    int frameId, fileType;
    const char* target;
  } cases[] = {{1, 1, "BSERTIF1"},
               {2, 2, "BSERTIF2"},
               {3, 31, "BSERTIF3_1"},
               {3, 32, "BSERTIF3_2"},
               {3, 0, "BSERTIF3_2"}};
  for (const auto& c : cases) {
    auto ds = MakeRegister(c.frameId);
    EXPECT_EQ(Export(*ds, c.frameId, c.fileType), Prolog(c.target) + "</BIRTH_SERTIF>") << c.target;
  }
}

TEST_F(ExchangeExportTest, HeaderTakesTheInstitutionValuesEscapedAndInFull) {
  auto ds = MakeRegister(1);
  FLpu.Values = {{"NAME", "ЖК \"Мать & дитя\""},
                 {"FNAME", "ФСС"},
                 {"INN", "7701"},
                 {"DDOC", "01.02.2007"},
                 {"TYPE", "<Гос>"}};
  // Far longer than the writer's buffer: it must come out whole.
  FLpu.Values["ADRES"] = std::string(3000, 'x') + "ё";
  const std::string file = Export(*ds, 1, 1);
  EXPECT_NE(file.find("<HEADER FROM=\"ЖК 'Мать &amp; дитя'\" TO=\"ФСС\" DATE=\"2007.05.01\" "
                      "INN=\"7701\" REG_NUM=\"\" KPP=\"\" OGRN=\"\" ADRES=\"" +
                      std::string(3000, 'x') + "ё\" TYPE=\"&lt;Гос&gt;\" "),
            std::string::npos)
      << file;
  EXPECT_NE(file.find("NDOC=\"\" DDOC=\"01.02.2007\"/></BIRTH_SERTIF>"), std::string::npos);
}

TEST_F(ExchangeExportTest, CouponOneRecordBytes) {
  auto ds = MakeRegister(1);
  AddRecord(*ds, 42, [](TDataSet& d) {
    d.FieldByName("QTW2")->SetAsInteger(30);
    d.FieldByName("PREM")->SetAsInteger(1);
    d.FieldByName("LNAME")->SetAsString("Д\"Артаньян");
  });
  std::string children = kCommonChildren;
  children.replace(children.find("Иванова"), std::string("Иванова").size(), "Д'Артаньян");
  EXPECT_EQ(Export(*ds, 1, 1),
            Prolog("BSERTIF1") +
                "<BTAL1 DREG=\"2007.01.10\" QTW2=\"30\" MULP=\"0\" PREM=\"1\" CHK=\"1\" >" +
                children +
                "<PASSPORT TDOC=\"14\" NDOC=\"123456\" SDOC=\"45 01\" DDOC=\"\" ODOC=\"ОВД\" />"
                "<POLICY SPOLICY=\"\" NPOLICY=\"77\" /><EXCCARD NCARD=\"5\" DCARD=\"\" />"
                "<SICKLIST SLEAF=\"\" NLEAF=\"0\" DLEAF=\"\" /></BTAL1></BIRTH_SERTIF>");
}

TEST_F(ExchangeExportTest, CouponTwoWritesBqntGroupsAndBlanksThoseNotHeld) {
  auto ds = MakeRegister(2);
  AddRecord(*ds, 42, [](TDataSet& d) {
    d.FieldByName("BQNT")->SetAsInteger(8);
    d.FieldByName("CQNT")->SetAsInteger(2);
    d.FieldByName("SEX1")->SetAsString("М");
    d.FieldByName("WEIGHT1")->SetAsFloat(3.45);
    d.FieldByName("GROWTH1")->SetAsInteger(52);
    d.FieldByName("SEX2")->SetAsString("Ж");
    d.FieldByName("WEIGHT2")->SetAsFloat(2.9);
    d.FieldByName("GROWTH2")->SetAsInteger(48);
    d.FieldByName("DIAG2")->SetAsString("P07");
    // Left over in a group that is not held: never written.
    d.FieldByName("SEX3")->SetAsString("Ж");
    d.FieldByName("WEIGHT3")->SetAsFloat(4);
    d.FieldByName("DIAG3")->SetAsString("Q00");
  });
  std::string blank = "<CHILD SEX=\"\" WEIGHT=\"0.000\" GROWTH=\"0\" DIAG=\"\"/>";
  EXPECT_EQ(Export(*ds, 2, 2),
            Prolog("BSERTIF2") + "<BTAL2 DREG=\"2007.01.10\" DIAG=\"\" BQNT=\"8\" CHK=\"1\" >" +
                kCommonChildren +
                "<PASSPORT TDOC=\"14\" SDOC=\"45 01\" NDOC=\"123456\" DDOC=\"\" ODOC=\"ОВД\" />"
                "<POLICY SPOLICY=\"\" NPOLICY=\"77\" />"
                "<SICKLIST SLEAF=\"\" NLEAF=\"0\" DLEAF=\"\" /><EXCCARD NCARD=\"5\" DCARD=\"\" />"
                "<CHILD SEX=\"М\" WEIGHT=\"3.450\" GROWTH=\"52\" DIAG=\"\"/>"
                "<CHILD SEX=\"Ж\" WEIGHT=\"2.900\" GROWTH=\"48\" DIAG=\"P07\"/>" +
                blank + blank + blank + blank + "</BTAL2></BIRTH_SERTIF>");
}

TEST_F(ExchangeExportTest, CouponThreeChildrenWithNestedPolicyAndEmptyDates) {
  auto ds = MakeRegister(3);
  AddRecord(*ds, 42, [](TDataSet& d) {
    d.FieldByName("CQNT")->SetAsInteger(2);
    d.FieldByName("LNAME1")->SetAsString("Иванов");
    d.FieldByName("FNAME1")->SetAsString("Пётр");
    d.FieldByName("BDATE1")->SetAsDateTime(EncodeDate(2007, 3, 15));
    d.FieldByName("DATEBOBS1")->SetAsDateTime(EncodeDate(2007, 3, 15));
    d.FieldByName("DATEEOBS1")->SetAsDateTime(EncodeDate(2007, 9, 15));
    d.FieldByName("SPOLICY1")->SetAsString("ЯМ");
    d.FieldByName("NPOLICY1")->SetAsString("1<2");
    d.FieldByName("LNAME2")->SetAsString("О\"Нил");
    d.FieldByName("LNAME3")->SetAsString("Лишний");  // past CQNT
  });
  EXPECT_EQ(Export(*ds, 3, 31),
            Prolog("BSERTIF3_1") + "<BTAL3 DREG=\"2007.01.10\" CHK=\"1\" >" + kCommonChildren +
                "<PASSPORT TDOC=\"14\" SDOC=\"45 01\" NDOC=\"123456\" DDOC=\"\" ODOC=\"ОВД\" />"
                "<POLICY SPOLICY=\"\" NPOLICY=\"77\" /><EXCCARD NCARD=\"5\" DCARD=\"\" />"
                "<CHILD LNAME=\"Иванов\" FNAME=\"Пётр\" MNAME=\"\" BDATE=\"2007.03.15\" "
                "DATEBOBS=\"2007.03.15\" DATEEOBS=\"2007.09.15\">"
                "<POLICY SPOLICY=\"ЯМ\" NPOLICY=\"1&lt;2\"/></CHILD>"
                "<CHILD LNAME=\"О'Нил\" FNAME=\"\" MNAME=\"\" BDATE=\"\" DATEBOBS=\"\" "
                "DATEEOBS=\"\"><POLICY SPOLICY=\"\" NPOLICY=\"\"/></CHILD>"
                "</BTAL3></BIRTH_SERTIF>");
}

TEST_F(ExchangeExportTest, ChildGroupsAreCappedAtSix) {
  for (int frameId : {2, 3}) {
    auto ds = MakeRegister(frameId);
    AddRecord(*ds, 1, [frameId](TDataSet& d) {
      d.FieldByName("CQNT")->SetAsInteger(9);
      if (frameId == 2) d.FieldByName("BQNT")->SetAsInteger(8);
    });
    const std::string file = Export(*ds, frameId, frameId == 2 ? 2 : 32);
    std::size_t count = 0;
    for (std::size_t at = file.find("<CHILD "); at != std::string::npos;
         at = file.find("<CHILD ", at + 1))
      ++count;
    EXPECT_EQ(count, 6u) << frameId;
  }
}

TEST_F(ExchangeExportTest, AMissingFieldFailsAndControlsComeBack) {
  auto ds = CreateUnique<TmemDs>();
  register_fields::AddCommon(*ds);  // no QTW2 ...
  ds->Open();
  EXPECT_THROW(Export(*ds, 1, 1), EDatabaseError);
  EXPECT_FALSE(ds->ControlsDisabled());
  EXPECT_THROW(ExchangeKindTarget(4, 0), EInvalidOperation);
}

TEST_F(ExchangeExportTest, FieldTextsByKind) {
  auto ds = MakeRegister(2);
  AddRecord(*ds, 7, [](TDataSet& d) {
    d.FieldByName("WEIGHT1")->SetAsFloat(3.4567);
    d.FieldByName("ADDRESS")->SetAsString("a\"b&c<d>e 'f'\r\n\tg\x01");
  });
  const struct {
    const char* field;
    const char* text;
  } cases[] = {
      {"NCERTIF", "7"},                             // no seven-digit padding
      {"WEIGHT1", "3.457"},                         // display format
      {"WEIGHT2", "0.000"},                         // empty float
      {"GROWTH1", "0"},                             // empty integer
      {"ADDRESS", "a'b&amp;c&lt;d&gt;e 'f'   g "},  // escaping
      {"DLEAF", ""},                                // empty date
      {"SNILS", "112-233-445 95"},                  // as stored, mask literals too
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExchangeFieldText(*ds->FieldByName(c.field)), c.text) << c.field;
}

// The writer's buffer: texts around its size come out whole and in order,
// Cyrillic as Windows-1251.
TEST_F(ExchangeExportTest, WriterBufferBoundaries) {
  const std::string name = FDir.File("buf.xml");
  for (std::size_t size : {1u, 1023u, 1024u, 1025u, 5000u, 65535u, 65537u, 200000u}) {
    std::string expected;
    {
      TxmlOut out(name, 1024);
      for (int i = 0; i < 3; ++i) {
        const std::string text(size, static_cast<char>('a' + i));
        out.Write(text);
        expected += text;
      }
      out.Write("я");
      expected += "я";
      out.Close();
    }
    EXPECT_EQ(FileBytes(name), Utf8ToWin1251(expected)) << size;
  }
}

TEST_F(ExchangeExportTest, WriterFlushesOnDestructionAndWritesRecordByList) {
  auto ds = MakeRegister(1);
  AddRecord(*ds, 5, [](TDataSet&) {});
  const std::string name = FDir.File("rec.xml");
  {
    TxmlOut out(name, 1024);
    out.WriteRecord(*ds, "CERTIF", true, " SCERTIF , NCERTIF");
    out.WriteFmt("<%s>", "X");
  }
  EXPECT_EQ(Win1251ToUtf8(FileBytes(name)), "<CERTIF SCERTIF=\"А\" NCERTIF=\"5\" /><X>");
  TxmlOut out(name, 1024);
  EXPECT_THROW(out.WriteRecord(*ds, "X", true, "SCERTIF,NOPE"), EDatabaseError);
}

// A register file is written from its record bytes, not through the
// fields' text: the same records give the same file as in memory, for OEM
// and ANSI tables, with every character the writer treats specially.
TEST_F(ExchangeExportTest, ARegisterFileGivesTheBytesOfTheSameRecordsInMemory) {
  auto fill = [](int frameId) {
    return [frameId](TDataSet& d) {
      d.FieldByName("LNAME")->SetAsString("Д\"Арт & <Ко> ёЁ №5\tх");
      d.FieldByName("ADDRESS")->SetAsString("  с отступом, ў ъ -");
      d.FieldByName("DCERTIF")->Clear();
      d.FieldByName("DDOC")->SetAsDateTime(EncodeDate(1899, 12, 31));
      if (frameId == 2) {
        d.FieldByName("BQNT")->SetAsInteger(2);
        d.FieldByName("CQNT")->SetAsInteger(1);
        d.FieldByName("SEX1")->SetAsString("Ж");
        d.FieldByName("DIAG1")->SetAsString("<P07>");
      }
      if (frameId == 3) {
        d.FieldByName("CQNT")->SetAsInteger(1);
        d.FieldByName("LNAME1")->SetAsString("Пётр");
        d.FieldByName("BDATE1")->SetAsDateTime(EncodeDate(2007, 2, 28));
      }
    };
  };
  for (int frameId : {1, 2, 3}) {
    for (bool ansi : {false, true}) {
      auto table = CreateUnique<TmDbfTable>();
      table->SetTableName(FDir.File(Format("reg%d%d.dbf", frameId, ansi ? 1 : 0)));
      register_fields::AddRegisterFields(*table, frameId);
      table->SetAnsiTable(ansi);
      table->CreateTable();
      table->Open();
      auto memory = MakeRegister(frameId);
      for (TDataSet* ds :
           {static_cast<TDataSet*>(table.get()), static_cast<TDataSet*>(memory.get())}) {
        AddRecord(*ds, 1, [](TDataSet&) {});
        AddRecord(*ds, 2, fill(frameId));
      }
      const std::string expected = Export(*memory, frameId, frameId == 3 ? 31 : frameId);
      EXPECT_EQ(Export(*table, frameId, frameId == 3 ? 31 : frameId), expected)
          << frameId << " " << ansi;
      EXPECT_NE(expected.find("LNAME=\"Д'Арт &amp; &lt;Ко&gt; ёЁ №5 х\""), std::string::npos);
    }
  }
}

TEST_F(ExchangeExportTest, AFileThatCannotBeCreatedFails) {
  auto ds = MakeRegister(1);
  EXPECT_THROW(ExportRegisterXml(*ds, FDir.File("no/such/dir.xml"), 1, 1, FLpu.Access(),
                                 EncodeDate(2007, 5, 1)),
               EFCreateError);
}

}  // namespace

namespace {

// The short way to the float texts agrees with FormatFloat everywhere,
// ties and near ties included, and leaves other patterns to it.
TEST(ExchangeFloatTextTest, AgreesWithFormatFloat) {
  TFormatSettingsOverride settings;
  FormatSettings.DecimalSeparator = '.';
  const char* const formats[] = {"0.000", "0", "0.0", "0.00", "0.000000", "#,##0.00", "0.###"};
  std::vector<double> values = {0,     3.45,     2.0005,        1.0005, 0.0005,      2.5,  0.5,
                                1.5,   999.9995, 12.345,        1e8,    123456789.1, 4.35, 1e9,
                                -3.45, -0.0004,  0.00049999999, 2.675,  1.005,       7.0};
  std::mt19937 random(11);
  std::uniform_real_distribution<double> any(0, 20000);
  for (int i = 0; i < 20000; ++i) values.push_back(any(random));
  for (int i = 0; i < 2000; ++i)  // exact halves of the last place
    values.push_back(static_cast<double>(random() % 100000) / 1000 + 0.0005);
  for (const char* format : formats) {
    for (double value : values) {
      std::string text = "x";
      AppendFloatText(text, format, value);
      ASSERT_EQ(text, "x" + FormatFloat(format, value)) << format << " " << value;
    }
  }
}

TEST(ExchangeDateTextTest, EmptyAndRealDates) {
  EXPECT_EQ(ExchangeDateText(0), "");
  EXPECT_EQ(ExchangeDateText(-3), "");
  EXPECT_EQ(ExchangeDateText(EncodeDate(2007, 3, 15)), "2007.03.15");
  EXPECT_EQ(ExchangeDateText(EncodeDate(2007, 12, 31) + 0.75), "2007.12.31");
  EXPECT_EQ(ExchangeDateText(1), "1899.12.31");
}

}  // namespace
