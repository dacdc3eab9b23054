// The institution's details travel in the exchange file's header: one
// machine exports with its INI file, another imports into its own.
#include <gtest/gtest.h>

#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/core/exchange_export.h"
#include "register/core/tests/exchange_test_support.h"
#include "register/core/xml_import.h"
#include "register/data_module.h"
#include "storage/dbf_table.h"

namespace {

class LpuExchangeTest : public GuiTest {
 protected:
  LpuExchangeTest() : FClock(EncodeDate(2007, 5, 1)) { ApplyStartupFormatSettings(); }
  ~LpuExchangeTest() override { SetIniFileName(""); }

  // The data module of a machine whose INI file holds `ini` (UTF-8).
  TDM* Machine(const std::string& name, const std::string& ini) {
    SetIniFileName(FDir.File(name + ".ini"));
    WriteFileBytes(FDir.File(name + ".ini"), Utf8ToWin1251(ini));
    return Create<TDM>(nullptr);
  }

  TFormatSettingsOverride FSettings;
  TScopedClock FClock;
  TFileTestDir FDir;
};

TEST_F(LpuExchangeTest, TheHeaderReplacesTheDetailsOfTheReceivingMachine) {
  TDM* sender = Machine("a", "[LPU]\r\nName=Роддом \"Аист\"\r\nFName=ФСС №5\r\nINN=7701\r\n");
  auto ds = CreateUnique<TmemDs>();
  register_fields::AddRegisterFields(*ds, 1);
  ds->Open();
  const std::string xml = FDir.File("x.xml");
  ExportRegisterXml(*ds, xml, 1, 1, LpuOf(*sender), Date());
  sender->Free();

  TDM* receiver = Machine("b", "[LPU]\r\nNAME=Своё\r\nKPP=1\r\n");
  auto table = CreateUnique<TmDbfTable>();
  table->SetTableName(FDir.File("x.001"));
  register_fields::AddRegisterFields(*table, 1);
  table->CreateTable();
  table->Open();
  TImpXml(xml).Execute(*table, LpuOf(*receiver));
  receiver->Free();

  const std::string ini = Win1251ToUtf8(FileBytes(FDir.File("b.ini")));
  for (const char* line : {"NAME=Роддом 'Аист'\r\n", "TO=ФСС №5\r\n", "DATE=2007.05.01\r\n",
                           "INN=7701\r\n", "KPP=\r\n"}) {
    EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;
  }
  EXPECT_EQ(ini.find("FROM="), std::string::npos);
}

}  // namespace
