#include "register/core/xml_import.h"

#include "platform/base/codepage.h"
#include "platform/base/exceptions.h"
#include "platform/data/data_source.h"
#include "register/core/tests/exchange_test_support.h"
#include "register/core/xml_out.h"
#include "storage/dbf_table.h"

namespace {

class XmlImportTest : public ExchangeTest {
 protected:
  // A new, open register file of the kind.
  std::unique_ptr<TmDbfTable, TObjectDeleter> MakeTable(int frameId) {
    auto t = CreateUnique<TmDbfTable>();
    t->SetName("dbMain");
    t->SetTableName(FDir.File(Format("reg%d.dbf", ++FTables)));
    register_fields::AddRegisterFields(*t, frameId);
    t->CreateTable();
    t->Open();
    return t;
  }
  std::string WriteXml(const std::string& utf8) {
    const std::string name = FDir.File("in.xml");
    WriteFileBytes(name, Utf8ToWin1251(utf8));
    return name;
  }
  // The exchange text of every field of every record, one line each.
  static std::string Texts(TDataSet& ds) {
    std::string out;
    for (ds.First(); !ds.Eof(); ds.Next()) {
      for (int i = 0; i < ds.FieldCount(); ++i)
        out += ds.Fields()[i]->FieldName() + "=" + ExchangeFieldText(*ds.Fields()[i]) + " ";
      out += "\n";
    }
    return out;
  }

  int FTables = 0;
};

const std::string kProlog1 =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?><?BSERTIF1 version=\"0.1\" "
    "povers=\"10\"?><BIRTH_SERTIF>";

TEST_F(XmlImportTest, EveryKindComesBackFieldForField) {
  for (int fileType : {1, 2, 31, 32}) {
    const int frameId = fileType > 30 ? 3 : fileType;
    auto source = MakeRegister(frameId);
    for (int n = 1; n <= 3; ++n) {
      AddRecord(*source, n, [&](TDataSet& d) {
        d.FieldByName("ADDRESS")->SetAsString(Format("ул. <Лесная> & %d, кв. 'Ё'", n));
        d.FieldByName("DDOC")->SetAsDateTime(EncodeDate(2000, n, 28));
        // Coupon No. 3 has no sick list in the file.
        if (frameId != 3) d.FieldByName("NLEAF")->SetAsInteger(n * 1000);
        if (frameId == 1) d.FieldByName("QTW2")->SetAsInteger(28 + n);
        if (frameId == 2) {
          d.FieldByName("CQNT")->SetAsInteger(n);
          d.FieldByName("BQNT")->SetAsInteger(n);
          for (int i = 1; i <= n; ++i) {
            d.FieldByName(Format("SEX%d", i))->SetAsString(i == 2 ? "Ж" : "М");
            d.FieldByName(Format("WEIGHT%d", i))->SetAsFloat(2.5 + i / 8.0);
            d.FieldByName(Format("GROWTH%d", i))->SetAsInteger(45 + i);
            d.FieldByName(Format("DIAG%d", i))->SetAsString(i == 3 ? "P07.1" : "");
          }
        }
        if (frameId == 3) {
          d.FieldByName("CQNT")->SetAsInteger(n);
          for (int i = 1; i <= n; ++i) {
            d.FieldByName(Format("LNAME%d", i))->SetAsString(Format("Ребёнок%d", i));
            d.FieldByName(Format("BDATE%d", i))->SetAsDateTime(EncodeDate(2007, i, 15));
            d.FieldByName(Format("DATEBOBS%d", i))->SetAsDateTime(EncodeDate(2007, i + 1, 15));
            d.FieldByName(Format("SPOLICY%d", i))->SetAsString(Format("С%d", i));
            d.FieldByName(Format("NPOLICY%d", i))->SetAsString(Format("N%d", i));
          }
        }
      });
    }
    FLpu.Values = {{"NAME", "Роддом & <№1>"}, {"FNAME", "ФСС"}, {"INN", "77"}};
    const std::string file = FDir.File("out.xml");
    ExportRegisterXml(*source, file, frameId, fileType, FLpu.Access(), EncodeDate(2007, 5, 1));

    TLpuMap received;
    TImpXml importer(file);
    EXPECT_EQ(importer.Kind(), fileType);
    auto table = MakeTable(frameId);
    EXPECT_EQ(importer.Execute(*table, received.Access()), 3);
    EXPECT_EQ(Texts(*table), Texts(*source)) << fileType;
    EXPECT_EQ(received.Values["NAME"], "Роддом & <№1>");
    EXPECT_EQ(received.Values["TO"], "ФСС");
    EXPECT_EQ(received.Values["DATE"], "2007.05.01");
    EXPECT_EQ(received.Values["INN"], "77");
    EXPECT_EQ(received.Values.count("FROM"), 0u);
    EXPECT_EQ(received.Values.size(), 17u);
    EXPECT_EQ(received.Saves, 1);
    EXPECT_FALSE(table->EventsOff());
    EXPECT_FALSE(table->ControlsDisabled());
  }
}

TEST_F(XmlImportTest, DatesTakeEitherSeparatorAndOtherTextsClear) {
  const std::string name = WriteXml(
      kProlog1 +
      "<BTAL1 DREG=\"\" CHK=\"1\"><CERTIF NCERTIF=\"1\" DCERTIF=\"2007/03/15\"/>"
      "<PERSON BDATE=\"2007.3.15\"/><UNKNOWN X=\"1\" DDOC=\"2001-02-03\"/></BTAL1>"
      "<BTAL1 DREG=\"2007.01.10\"><CERTIF NCERTIF=\"2\" DCERTIF=\"2007.03.15\" NOFIELD=\"x\"/>"
      "</BTAL1></BIRTH_SERTIF>");
  TImpXml importer(name);
  auto table = MakeTable(1);
  importer.Execute(*table, FLpu.Access());
  table->First();
  EXPECT_TRUE(table->FieldByName("DREG")->IsNull());
  EXPECT_EQ(ExchangeFieldText(*table->FieldByName("DCERTIF")), "2007.03.15");
  EXPECT_TRUE(table->FieldByName("BDATE")->IsNull());
  EXPECT_EQ(ExchangeFieldText(*table->FieldByName("DDOC")), "2001.02.03");
  table->Next();
  EXPECT_EQ(ExchangeFieldText(*table->FieldByName("DREG")), "2007.01.10");
  EXPECT_EQ(ExchangeFieldText(*table->FieldByName("DCERTIF")), "2007.03.15");
}

TEST_F(XmlImportTest, AttributesFindTheirFieldsInAnyCaseAndUnknownLongNamesAreSkipped) {
  const std::string longName(200, 'x');
  const std::string name =
      WriteXml(kProlog1 + "<BTAL1 dreg=\"2007.01.10\" " + longName + "=\"1\" Qtw2=\"30\"><CERTIF " +
               longName + "=\"2\" ncertif=\"7\"/></BTAL1></BIRTH_SERTIF>");
  auto table = MakeTable(1);
  EXPECT_EQ(TImpXml(name).Execute(*table, FLpu.Access()), 1);
  EXPECT_EQ(ExchangeFieldText(*table->FieldByName("DREG")), "2007.01.10");
  EXPECT_EQ(table->FieldByName("QTW2")->AsInteger(), 30);
  EXPECT_EQ(table->FieldByName("NCERTIF")->AsString(), "7");
}

TEST_F(XmlImportTest, EachRecordFindsItsOwnAttributesInTheirPlaces) {
  // Names of one length that differ in one byte, taking each other's
  // places from record to record, and long unknown names (16 and 17
  // bytes) in front of them.
  const std::string name =
      WriteXml(kProlog1 +
               "<BTAL1><PERSON LNAME=\"L1\" FNAME=\"F1\" MNAME=\"M1\"/><PASSPORT NDOC=\"1\" "
               "SDOC=\"S1\"/></BTAL1>"
               "<BTAL1><PERSON MNAME=\"M2\" LNAME=\"L2\" FNAME=\"F2\"/><PASSPORT SDOC=\"S2\" "
               "NDOC=\"2\"/></BTAL1>"
               "<BTAL1><PERSON XXXXXXXXXXXXXXXX=\"x\" XXXXXXXXXXXXXXXXX=\"y\" FNAME=\"F3\"/>"
               "<PASSPORT XXXXXXXXXXXXXXXY=\"x\" NDOC=\"3\"/></BTAL1>"
               "<BTAL1><PERSON XXXXXXXXXXXXXXXY=\"x\" XXXXXXXXXXXXXXXXY=\"y\" LNAME=\"L4\"/>"
               "<PASSPORT SDOC=\"S4\"/></BTAL1></BIRTH_SERTIF>");
  auto table = MakeTable(1);
  EXPECT_EQ(TImpXml(name).Execute(*table, FLpu.Access()), 4);
  std::string seen;
  for (table->First(); !table->Eof(); table->Next()) {
    for (const char* field : {"LNAME", "FNAME", "MNAME", "NDOC", "SDOC"})
      seen += table->FieldByName(field)->AsString() + ",";
    seen += " ";
  }
  EXPECT_EQ(seen, "L1,F1,M1,1,S1, L2,F2,M2,2,S2, ,F3,,3,, L4,,,,S4, ");
}

TEST_F(XmlImportTest, ChildElementsNumberTheirFieldsAndSetTheCount) {
  const std::string child2 =
      "<BTAL2 BQNT=\"3\"><CERTIF NCERTIF=\"1\"/><CHILD SEX=\"М\" WEIGHT=\"3.450\" GROWTH=\"52\" "
      "DIAG=\"\"/><CHILD SEX=\"Ж\" WEIGHT=\"2.900\" GROWTH=\"48\" DIAG=\"P07\"/>"
      "<CHILD SEX=\"М\" WEIGHT=\"0.000\" GROWTH=\"0\" DIAG=\"\"/></BTAL2>";
  const std::string name2 =
      WriteXml("<?xml?><?BSERTIF2?><BIRTH_SERTIF>" + child2 + "</BIRTH_SERTIF>");
  auto t2 = MakeTable(2);
  EXPECT_EQ(TImpXml(name2).Execute(*t2, FLpu.Access()), 1);
  EXPECT_EQ(t2->FieldByName("CQNT")->AsInteger(), 3);
  EXPECT_EQ(t2->FieldByName("SEX2")->AsString(), "Ж");
  EXPECT_EQ(ExchangeFieldText(*t2->FieldByName("WEIGHT1")), "3.450");
  EXPECT_EQ(t2->FieldByName("DIAG2")->AsString(), "P07");
  EXPECT_EQ(t2->FieldByName("SEX3")->AsString(), "М");
  EXPECT_TRUE(t2->FieldByName("SEX4")->IsNull() || t2->FieldByName("SEX4")->AsString().empty());

  const std::string name3 = WriteXml(
      "<?xml?><?BSERTIF3_2?><BIRTH_SERTIF><BTAL3><POLICY SPOLICY=\"МАТЬ\" NPOLICY=\"0\"/>"
      "<CHILD LNAME=\"А\"><POLICY SPOLICY=\"ПЕРВ\" NPOLICY=\"1\"/></CHILD>"
      "<CHILD LNAME=\"Б\"><POLICY SPOLICY=\"ВТОР\" NPOLICY=\"2\"/></CHILD></BTAL3>"
      "</BIRTH_SERTIF>");
  TImpXml importer3(name3);
  EXPECT_EQ(importer3.Kind(), 32);
  auto t3 = MakeTable(3);
  importer3.Execute(*t3, FLpu.Access());
  EXPECT_EQ(t3->FieldByName("SPOLICY")->AsString(), "МАТЬ");
  EXPECT_EQ(t3->FieldByName("SPOLICY1")->AsString(), "ПЕРВ");
  EXPECT_EQ(t3->FieldByName("NPOLICY2")->AsString(), "2");
  EXPECT_EQ(t3->FieldByName("LNAME2")->AsString(), "Б");
  EXPECT_EQ(t3->FieldByName("CQNT")->AsInteger(), 2);
}

// True when the column of `field` holds only blanks, as in a new record.
bool BlankColumn(TmDbfTable& table, const char* field) {
  std::string_view bytes;
  char type = 0;
  return table.GetColumnBytes(table.FieldByName(field), bytes, type) &&
         bytes.find_first_not_of(' ') == std::string_view::npos;
}

TEST_F(XmlImportTest, GroupsWithoutANewbornAreNoRows) {
  // One newborn of two children: the file has a blank group for the one
  // born before, which must not come back as a row, export after export.
  auto source = MakeRegister(2);
  AddRecord(*source, 1, [](TDataSet& d) {
    d.FieldByName("BQNT")->SetAsInteger(2);
    d.FieldByName("CQNT")->SetAsInteger(1);
    d.FieldByName("SEX1")->SetAsString("Ж");
    d.FieldByName("WEIGHT1")->SetAsFloat(3.1);
    d.FieldByName("GROWTH1")->SetAsInteger(50);
  });
  TDataSet* from = source.get();
  std::vector<std::unique_ptr<TmDbfTable, TObjectDeleter>> imported;
  for (int trip = 1; trip <= 2; ++trip) {
    SCOPED_TRACE(trip);
    const std::string file = FDir.File(Format("trip%d.xml", trip));
    ExportRegisterXml(*from, file, 2, 2, FLpu.Access(), EncodeDate(2007, 5, 1));
    auto table = MakeTable(2);
    TImpXml(file).Execute(*table, FLpu.Access());
    EXPECT_EQ(table->FieldByName("CQNT")->AsInteger(), 1);
    EXPECT_EQ(table->FieldByName("BQNT")->AsInteger(), 2);
    EXPECT_TRUE(BlankColumn(*table, "WEIGHT2"));
    EXPECT_TRUE(BlankColumn(*table, "GROWTH2"));
    EXPECT_EQ(Texts(*table), Texts(*source));
    from = table.get();
    imported.push_back(std::move(table));
  }

  // A blank group before one with data is a row: the groups are numbered.
  const std::string gap = WriteXml(
      "<?xml?><?BSERTIF2?><BIRTH_SERTIF><BTAL2 BQNT=\"3\"><CERTIF NCERTIF=\"1\"/>"
      "<CHILD SEX=\"\" WEIGHT=\"0.000\" GROWTH=\"0\" DIAG=\"\"/>"
      "<CHILD SEX=\"М\" WEIGHT=\"3.000\" GROWTH=\"50\" DIAG=\"\"/>"
      "<CHILD SEX=\"\" WEIGHT=\"0.000\" GROWTH=\"0\" DIAG=\"\"/></BTAL2></BIRTH_SERTIF>");
  auto t = MakeTable(2);
  TImpXml(gap).Execute(*t, FLpu.Access());
  EXPECT_EQ(t->FieldByName("CQNT")->AsInteger(), 2);
  EXPECT_EQ(t->FieldByName("SEX2")->AsString(), "М");
  EXPECT_TRUE(BlankColumn(*t, "WEIGHT3"));
  EXPECT_FALSE(BlankColumn(*t, "WEIGHT1"));
}

// A BTAL2 inside another posts the outer record when it starts: the
// count returned is of the records written.
TEST_F(XmlImportTest, NestedRecordsAreCountedAsWritten) {
  const std::string name = WriteXml(
      "<?xml?><?BSERTIF2?><BIRTH_SERTIF><BTAL2 BQNT=\"1\"><CERTIF NCERTIF=\"1\"/>"
      "<BTAL2 BQNT=\"2\"><CERTIF NCERTIF=\"2\"/></BTAL2></BTAL2></BIRTH_SERTIF>");
  auto t = MakeTable(2);
  EXPECT_EQ(TImpXml(name).Execute(*t, FLpu.Access()), 2);
  EXPECT_EQ(t->RecordCount(), 2);
}

TEST_F(XmlImportTest, FilesOfNoKnownKindAreRefused) {
  const struct {
    const char* file;
    const char* message;
  } cases[] = {
      {"<BIRTH_SERTIF/>", "Не найдена инструкция ?xml?."},
      {"<?xml?><BIRTH_SERTIF/>", "Не найдена инструкция ?BSERTIF?."},
      {"<?xml?><?BSERTIF4 version=\"0.1\"?><BIRTH_SERTIF/>", "Не распознан формат xml файла."},
      {"<?xml?><?bsertif1?><BIRTH_SERTIF/>", "Не распознан формат xml файла."},
  };
  for (const auto& c : cases) {
    try {
      TImpXml importer(WriteXml(c.file));
      ADD_FAILURE() << c.file;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

// A file cut short, or a value a field refuses: the records before stay,
// the one being read goes, and the table is itself again.
TEST_F(XmlImportTest, AFailureKeepsTheRecordsBeforeAndRestoresTheTable) {
  auto source = MakeRegister(1);
  for (int n = 1; n <= 3; ++n) AddRecord(*source, n, [](TDataSet&) {});
  const std::string exported = FDir.File("out.xml");
  ExportRegisterXml(*source, exported, 1, 1, FLpu.Access(), EncodeDate(2007, 5, 1));
  const std::string bytes = FileBytes(exported);
  const std::string truncated = bytes.substr(0, bytes.rfind("<BTAL1") + 40);
  const std::string bad =
      Utf8ToWin1251(kProlog1 +
                    "<BTAL1><CERTIF NCERTIF=\"1\"/></BTAL1><BTAL1><CERTIF NCERTIF=\"1\"/></BTAL1>"
                    "<BTAL1><CERTIF NCERTIF=\"x1\"/></BTAL1></BIRTH_SERTIF>");
  for (const bool cut : {true, false}) {
    const std::string& file = cut ? truncated : bad;
    const std::string name = FDir.File("in.xml");
    WriteFileBytes(name, file);
    auto table = MakeTable(1);
    TImpXml importer(name);
    try {
      importer.Execute(*table, FLpu.Access());
      ADD_FAILURE() << "imported a damaged file";
    } catch (const Exception& e) {
      EXPECT_TRUE(e.Message().ends_with("\r\nИмпортировано записей: 2.")) << e.Message();
      if (cut) {
        EXPECT_NE(dynamic_cast<const EXmlReader*>(&e), nullptr);
      }
    }
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_FALSE(table->EventsOff());
    EXPECT_FALSE(table->ControlsDisabled());
  }
}

// Text columns take the file's bytes straight into the record; a field
// with an OnValidate handler goes the field's way (through UTF-8). Both
// must leave the same file, whatever the value and the table's page.
TEST_F(XmlImportTest, TextColumnsTakeTheFileBytesAsTheFieldsWould) {
  const std::string longText(150, '\xC6');  // "Ж" * 150, longer than every column
  const std::string cases[] = {
      "",
      " ",
      "Ivanov",
      "\xC8\xE2\xE0\xED\xEE\xE2\xE0",       // Иванова
      "\xA8\xE6\xE8\xEA \xB8\xEB\xEA\xE0",  // Ёжик ёлка
      "\xB9 5",                             // № 5
      "&quot;\xD0\xEE\xE4\xE8\xEB\xFC\xED\xFB\xE9&quot; & 'x'",
      "a &amp; b &lt;c&gt; &apos;d&apos; &bogus; &amp",
      longText,
      "12345678901234567890",  // over the 14 of SNILS
      "\x85",                  // ellipsis: three bytes in OEM
      "x\x85y",
      "\xAB\xE4\xEE\xEC\xBB \x96 \x97",            // guillemets and dashes
      "\x99 \xA9 \xAE \x80 \x98 \x88",             // ™ © ® Ђ, unassigned, €
      "\xA0no-break",                              // no-break space
      "\xA1\xA2\xAA\xBA\xAF\xBF\xB2\xB3\xA5\xB4",  // Ўў Єє Її Іі Ґґ
      "tab\there",
      "  lead and trail  ",
      std::string("nul\0after", 9),
  };
  for (const bool ansi : {false, true}) {
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      SCOPED_TRACE(testing::Message() << "ansi " << ansi << ", case " << i);
      const std::string& v = cases[i];
      const std::string name = FDir.File("in.xml");
      WriteFileBytes(name, Utf8ToWin1251(kProlog1) + "<BTAL1 CHK=\"1\"><CERTIF SCERTIF=\"" + v +
                               "\" NCERTIF=\"7\"/><PERSON SNILS=\"" + v + "\" LNAME=\"" + v +
                               "\" ADDRESS=\"" + v + "\"/><PASSPORT ODOC=\"" + v +
                               "\"/></BTAL1></BIRTH_SERTIF>");
      std::string files[2];
      for (const bool throughFields : {false, true}) {
        auto table = MakeTable(1);
        table->SetAnsiTable(ansi);
        if (throughFields) {
          for (int f = 0; f < table->FieldCount(); ++f)
            table->Fields()[f]->OnValidate = [](TField*) {};
        }
        EXPECT_EQ(TImpXml(name).Execute(*table, FLpu.Access()), 1);
        const std::string path = table->TableName();
        table->Close();
        files[throughFields] = FileBytes(path);
      }
      EXPECT_EQ(files[0], files[1]);
    }
  }
}

TEST_F(XmlImportTest, TheTableTakesTextBytesOnlyWhereEachIsOneCharacterOfItsPage) {
  auto table = MakeTable(1);
  table->Append();
  TField* lname = table->FieldByName("LNAME");
  struct TCase {
    bool Ansi;
    std::string Bytes;
    bool Taken;
  } cases[] = {
      {false, "\xC8\xE2\xE0\xED", true},  // Иван
      {false, "\xB9", true},              // № is in OEM 866
      {false, "\x85", false},             // … becomes "..."
      {false, "\x99", true},              // ™ is not: "?" either way
      {true, "\x85", true},
      {true, "\x99", true},
      {true, std::string("a\0b", 3), false},
      {true, std::string("abcdefghij\0k", 12), false},
      {false, std::string("abcdefgh\0", 9), false},
      {false, "abcdefghijklmnopq", true},
      {true, "abcdefghijklmnop\x85", true},
      {false, "abcdefghijklmnop\x85", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "ansi " << c.Ansi << ", bytes " << c.Bytes);
    table->SetAnsiTable(c.Ansi);
    EXPECT_EQ(table->SetColumnText(lname, c.Bytes), c.Taken);
  }
  table->Cancel();
  EXPECT_FALSE(table->SetColumnText(lname, "x"));  // browse state: not written
}

// Every byte value, alone and in texts on both sides of the column's width
// and of eight-byte steps, in either page: the table's write leaves the
// column as the field's does, or refuses, changing nothing.
TEST_F(XmlImportTest, TheTablesTextWriteMatchesTheFieldsForEveryByte) {
  auto table = MakeTable(1);
  table->Append();
  TField* lname = table->FieldByName("LNAME");
  TmDbfTable::TDirectColumn column;
  ASSERT_TRUE(table->PrepareDirectColumn(lname, column));
  const auto columnBytes = [&] {
    std::string_view bytes;
    char type = 0;
    EXPECT_TRUE(table->GetColumnBytes(lname, bytes, type));
    return std::string(bytes);
  };
  std::vector<std::string> texts;
  for (int b = 1; b < 256; ++b) {
    const char c = static_cast<char>(b);
    texts.push_back(std::string(1, c));
    for (const std::size_t n : {7U, 8U, 9U, 12U, 16U, 17U})
      texts.push_back(std::string(n - 1, '\xC0') + c);  // А...А then the byte
  }
  for (std::size_t n = 0; n <= column.Length + 3; ++n) {
    texts.push_back(std::string(n, '\xE9'));
    texts.push_back(std::string(n, 'q'));
  }
  for (const bool ansi : {false, true}) {
    table->SetAnsiTable(ansi);
    for (const std::string& text : texts) {
      SCOPED_TRACE(testing::Message() << "ansi " << ansi << ", text " << text);
      lname->SetAsString("old");
      const std::string before = columnBytes();
      if (table->SetColumnText(column, text)) {
        const std::string direct = columnBytes();
        lname->SetAsString(Win1251ToUtf8(text));
        EXPECT_EQ(direct, columnBytes());
      } else {
        EXPECT_EQ(columnBytes(), before);
      }
    }
  }
  table->Cancel();
}

// A value written straight into the record is heard as a field's: the
// record is modified, OnChange runs, and a source hears it once controls
// are enabled.
TEST_F(XmlImportTest, AValueWrittenStraightIsHeardAsTheFieldsChange) {
  auto table = MakeTable(1);
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(table.get());
  std::vector<TField*> heard;
  source->OnDataChange = [&](TObject*, TField* field) { heard.push_back(field); };
  TField* lname = table->FieldByName("LNAME");
  TField* number = table->FieldByName("NCERTIF");
  TmDbfTable::TDirectColumn text, integer;
  ASSERT_TRUE(table->PrepareDirectColumn(lname, text));
  ASSERT_TRUE(table->PrepareDirectColumn(number, integer));
  table->DisableControls();
  table->Append();
  EXPECT_FALSE(table->Modified());
  EXPECT_TRUE(table->SetColumnText(text, "A"));
  EXPECT_TRUE(table->Modified());
  int changes = 0;
  number->OnChange = [&](TField*) { ++changes; };
  EXPECT_TRUE(table->SetColumnInteger(integer, "5"));
  EXPECT_TRUE(table->SetColumnNull(integer));
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(heard.empty());
  table->EnableControls();
  heard.clear();
  EXPECT_TRUE(table->SetColumnText(text, "B"));
  EXPECT_EQ(heard, std::vector<TField*>{lname});
  table->Cancel();
}

// The value of attribute `name` in `record` (Windows-1251 bytes) becomes
// `value`; a record without that attribute stays as it is.
std::string WithValue(std::string record, const std::string& name, const std::string& value) {
  const std::string head = " " + name + "=\"";
  const std::size_t at = record.find(head);
  if (at == std::string::npos) return record;
  const std::size_t from = at + head.size();
  return record.replace(from, record.find('"', from) - from, value);
}

// Every value goes the table's direct way where it can and through its
// field otherwise; with the direct way off, every value goes through its
// field. Both must leave the same file, the same count and the same error
// (a value the field refuses ends the import either way).
TEST_F(XmlImportTest, APreparedColumnChecksAgainWhatMayChangeBetweenWrites) {
  auto table = MakeTable(1);
  TField* lname = table->FieldByName("LNAME");
  TmDbfTable::TDirectColumn text, number, date;
  ASSERT_TRUE(table->PrepareDirectColumn(lname, text));
  ASSERT_TRUE(table->PrepareDirectColumn(table->FieldByName("NCERTIF"), number));
  ASSERT_TRUE(table->PrepareDirectColumn(table->FieldByName("DREG"), date));
  EXPECT_FALSE(table->SetColumnText(text, "A"));  // browse state
  table->Append();
  EXPECT_TRUE(table->SetColumnText(text, "A"));
  EXPECT_FALSE(table->SetColumnInteger(text, "1"));  // another kind's write
  EXPECT_FALSE(table->SetColumnDate(number, 2007, 1, 2));
  EXPECT_TRUE(table->SetColumnInteger(number, "12"));
  EXPECT_TRUE(table->SetColumnDate(date, 2007, 1, 2));
  lname->SetTransliterate(true);
  EXPECT_FALSE(table->SetColumnText(text, "B"));
  lname->SetTransliterate(false);
  lname->OnValidate = [](TField*) {};
  EXPECT_FALSE(table->SetColumnText(text, "C"));
  EXPECT_TRUE(table->SetColumnNull(number));
  EXPECT_EQ(lname->AsString() + "," + table->FieldByName("DREG")->AsString(), "A,02.01.2007");
  table->Cancel();
}

TEST_F(XmlImportTest, DirectColumnsWriteWhatTheFieldsWrite) {
  const auto win = [](const std::string& utf8) { return Utf8ToWin1251(utf8); };
  const std::string prolog[] = {win("<?xml version=\"1.0\"?><?BSERTIF1?><BIRTH_SERTIF>"),
                                win("<?xml version=\"1.0\"?><?BSERTIF2?><BIRTH_SERTIF>"),
                                win("<?xml version=\"1.0\"?><?BSERTIF3_1?><BIRTH_SERTIF>")};
  const std::string common = win(
      "<CERTIF SCERTIF=\"А\" NCERTIF=\"15\" DCERTIF=\"2007.04.03\"/><PERSON SNILS=\"112-233-445 "
      "95\" LNAME=\"Иванова\" FNAME=\"Анна\" BDATE=\"1980/05/06\" ADDRESS=\"ул. Лесная, 5\"/>"
      "<PASSPORT TDOC=\"14\" NDOC=\"123456\" SDOC=\"45 01\" DDOC=\"\" ODOC=\"ОВД\"/><POLICY "
      "SPOLICY=\"\" NPOLICY=\"77\"/><EXCCARD NCARD=\"5\" DCARD=\"\"/>");
  const std::string records[] = {
      win("<BTAL1 DREG=\"2007.01.10\" QTW2=\"30\" MULP=\"0\" PREM=\"1\" CHK=\"1\">") + common +
          "<SICKLIST SLEAF=\"\" NLEAF=\"0\" DLEAF=\"\"/></BTAL1>",
      win("<BTAL2 DREG=\"2007.01.10\" DIAG=\"O80\" BQNT=\"2\" CHK=\"1\">") + common +
          win("<CHILD SEX=\"М\" WEIGHT=\"3.450\" GROWTH=\"52\" DIAG=\"\"/><CHILD SEX=\"Ж\" "
              "WEIGHT=\"2.900\" GROWTH=\"48\" DIAG=\"P07\"/></BTAL2>"),
      win("<BTAL3 DREG=\"2007.01.10\" CHK=\"1\">") + common +
          win("<CHILD LNAME=\"Пётр\" FNAME=\"\" MNAME=\"\" BDATE=\"2007.03.15\" "
              "DATEBOBS=\"2007.03.16\" DATEEOBS=\"\"><POLICY SPOLICY=\"\" NPOLICY=\"1\"/></CHILD>"
              "</BTAL3>")};
  const std::vector<std::string> dates = {
      "2007.03.15",  "2007/03/15",      "2007-03-15",      "",
      "2007.3.15",   "2007.02.30",      "2007.13.01",      "0000.00.00",
      "1899.12.30",  "0001.01.01",      "9999.12.31",      "20070315",
      "2007.03.15 ", win("абвг.де.жз"), win("2007.03.1Ж"), "2007&amp;03.15",
      "2008.02.29",  "2007.02.29"};
  const std::vector<std::string> integers = {"0",
                                             "7",
                                             "-5",
                                             "+5",
                                             " 5",
                                             "5 ",
                                             "007",
                                             "",
                                             "99",
                                             "1234567",
                                             "12345678",
                                             "-123456",
                                             "-1234567",
                                             "x1",
                                             "1.5",
                                             "$1F",
                                             "0x10",
                                             "32768",
                                             "-32769",
                                             "12345678901234567890",
                                             "&#49;",
                                             "-0",
                                             "00000000000000000000001",
                                             "-"};
  const std::vector<std::string> floats = {"3.45", "3.450",     "3.4567", "-0.000", "-0.5",  ".5",
                                           "5.",   "5",         "1e2",    "12.345", "9.999", "",
                                           "abc",  "0.0005",    " 3.45",  "3,45",   "-",     ".",
                                           "-.5",  "00003.100", "0.000"};
  const std::vector<std::string> texts = {
      "", win("Константинопольская-Дорогомиловская Александра"), "a &amp; b &lt;c&gt; &quot;",
      std::string(150, '\xC6'), "line\r\nbreak", "tab\there", win("№ 5 «ёлка» — …"),
      // ASCII alone, around eight-byte words
      "1234567", "12345678", "Lesnaya 5, apt 17", std::string(150, 'a'), "\x01\x7F ctrl \x1F",
      "abcdefgh\xC6", "abcdefghijklmnop\x85", std::string("abcdefghij\0k", 12)};
  struct TCase {
    int Kind;  // 0, 1, 2: coupon No. 1, 2, 3
    std::vector<std::string> Names;
    const std::vector<std::string>* Values;
  } cases[] = {
      {0, {"DREG", "DCERTIF", "BDATE", "DDOC", "DCARD", "DLEAF"}, &dates},
      {2, {"BDATE", "DATEEOBS"}, &dates},
      {0, {"NCERTIF", "TDOC", "CHK", "QTW2", "NLEAF"}, &integers},
      {1, {"GROWTH", "BQNT"}, &integers},
      {1, {"WEIGHT"}, &floats},
      {0, {"LNAME", "ADDRESS", "SNILS", "SCERTIF", "NPOLICY"}, &texts},
      {1, {"SEX", "DIAG"}, &texts},
      {2, {"LNAME", "NPOLICY"}, &texts},
  };
  const std::string name = FDir.File("in.xml");
  // One table a kind, page and way, each import appending to it: the files
  // compared hold every record imported so far.
  std::unique_ptr<TmDbfTable, TObjectDeleter> tables[3][2][2];
  const auto import = [&](bool direct, bool ansi, int kind, std::string& error) {
    auto& table = tables[kind][ansi][direct];
    if (!table) {
      table = MakeTable(kind + 1);
      table->SetAnsiTable(ansi);
    }
    TImpXml importer(name);
    importer.SetDirect(direct);
    try {
      error = std::to_string(importer.Execute(*table, FLpu.Access()));
    } catch (const Exception& e) {
      error = e.Message();
    }
    return FileBytes(table->TableName());
  };
  int refused = 0;  // imports a value ended
  const auto compare = [&](int kind, const std::string& file, const std::string& what) {
    WriteFileBytes(name, file);
    for (const bool ansi : {false, true}) {
      std::string errors[2];
      const std::string general = import(false, ansi, kind, errors[0]);
      const std::string direct = import(true, ansi, kind, errors[1]);
      EXPECT_EQ(direct, general) << what << (ansi ? " (ANSI)" : "");
      EXPECT_EQ(errors[1], errors[0]) << what;
      refused += errors[0].find(' ') != std::string::npos;
    }
  };
  for (const TCase& c : cases) {
    for (const std::string& field : c.Names) {
      for (const std::string& value : *c.Values) {
        const std::string record = WithValue(records[c.Kind], field, value);
        const std::string what = field + "=[" + Win1251ToUtf8(value) + "]";
        // The record alone; for the first field also after a whole one
        // and with line breaks.
        compare(c.Kind, prolog[c.Kind] + record + "</BIRTH_SERTIF>", what);
        if (field != c.Names.front()) continue;
        std::string spaced = prolog[c.Kind] + "\r\n" + records[c.Kind] + "\n" + record;
        for (std::size_t at = spaced.find("><"); at != std::string::npos; at = spaced.find("><"))
          spaced.replace(at, 2, ">\r\n  <");
        compare(c.Kind, spaced + "\r\n</BIRTH_SERTIF>\r\n", what + " spaced");
      }
    }
  }
  // Missing elements, and the files the exporter writes of each kind.
  compare(0, prolog[0] + win("<BTAL1><CERTIF NCERTIF=\"1\"/></BTAL1><BTAL1/></BIRTH_SERTIF>"),
          "missing");
  for (int fileType : {1, 2, 31, 32}) {
    const int frameId = fileType > 30 ? 3 : fileType;
    auto source = MakeRegister(frameId);
    for (int n = 1; n <= 3; ++n) {
      AddRecord(*source, n, [&](TDataSet& d) {
        d.FieldByName("ADDRESS")->SetAsString(Format("ул. \"Лесная\" & <%d>, кв. 'Ё'", n));
        if (frameId == 2) d.FieldByName("WEIGHT1")->SetAsFloat(n * 1.125);
        if (frameId == 3) d.FieldByName("BDATE1")->SetAsDateTime(EncodeDate(2007, n, 15));
      });
    }
    const std::string file = FDir.File("out.xml");
    ExportRegisterXml(*source, file, frameId, fileType, FLpu.Access(), EncodeDate(2007, 5, 1));
    compare(frameId - 1, FileBytes(file), "exported " + std::to_string(fileType));
  }
  EXPECT_GT(refused, 50);
}

}  // namespace
