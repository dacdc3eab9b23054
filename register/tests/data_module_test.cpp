#include "register/data_module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/base/clock.h"
#include "platform/base/codepage.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/halt.h"
#include "register/message_boxes.h"

namespace {

struct HaltCalled {
  int code;
};

class DataModuleTest : public GuiTest {
 protected:
  DataModuleTest()
      : FDir(std::filesystem::temp_directory_path() /
             ("mebrath-dm-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        FClock(EncodeDate(2026, 12, 6)) {
    std::filesystem::create_directories(FDir);
    SetIniFileName((FDir / "mebrath.ini").string());
    SetHaltHandler([](int code) { throw HaltCalled{code}; });
  }
  ~DataModuleTest() override {
    SetHaltHandler(nullptr);
    SetIniFileName("");
    std::filesystem::remove_all(FDir);
  }
  // Writes the INI file as Windows-1251 bytes.
  void WriteIni(const std::string& utf8) {
    std::ofstream(FDir / "mebrath.ini", std::ios::binary) << Utf8ToWin1251(utf8);
  }
  std::string ReadIni() {
    std::ifstream in(FDir / "mebrath.ini", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return Win1251ToUtf8(s.str());
  }
  TDM* MakeDM() { return Create<TDM>(nullptr); }

  std::filesystem::path FDir;
  TScopedClock FClock;
};

}  // namespace

TEST_F(DataModuleTest, DateGuardRefusesTheStartOf2006AndEarlier) {
  for (TDateTime now : {EncodeDate(2006, 1, 1), EncodeDate(2005, 6, 1)}) {
    TScopedClock clock(now);
    Boxes.clear();
    try {
      MakeDM();
      FAIL() << "started with a wrong clock";
    } catch (const HaltCalled& halt) {
      EXPECT_EQ(halt.code, 0);
    }
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0],
              "Test: Не верно установлена системная дата на компьютере!\r\n"
              "Дальнейшая работа невозможна!");
  }
  // One second later is accepted.
  TScopedClock clock(EncodeDate(2006, 1, 1) + 1.0 / SecsPerDay);
  Boxes.clear();
  TDM* dm = MakeDM();
  EXPECT_TRUE(Boxes.empty());
  dm->Free();
}

TEST_F(DataModuleTest, LoadLpuTrimsCutsAndFoldsKeys) {
  const std::string longValue(300, 'x');
  WriteIni(
      "[Other]\r\nINN=1\r\n[lpu]\r\n inn = 7701 \r\nName=Роддом №1\r\nno equals sign\r\n"
      "LONG=" +
      longValue + "\r\nKpp=123\r\n");
  TDM* dm = MakeDM();
  EXPECT_EQ(dm->GetValue("INN"), "7701");
  EXPECT_EQ(dm->GetValue("inn"), "7701");
  EXPECT_EQ(dm->GetValue("name"), "Роддом №1");
  EXPECT_EQ(dm->GetValue("LONG"), std::string(250, 'x'));
  EXPECT_EQ(dm->GetValue("KPP"), "123");
  EXPECT_EQ(dm->GetValue("OGRN"), "");
  // A line without "=" is skipped.
  EXPECT_EQ(dm->LpuValues().size(), 4u);
  dm->Free();
}

TEST_F(DataModuleTest, SaveLpuReplacesKeysInPlaceAndKeepsForeignOnes) {
  WriteIni("; institution\r\n[LPU]\r\nName=Old\r\nFOREIGN=keep\r\n[FileHist]\r\n1=/a.001\r\n");
  TDM* dm = MakeDM();
  dm->SetValue("name", "Новое имя");
  dm->SetValue("Inn", "7701");
  EXPECT_EQ(dm->GetValue("NAME"), "Новое имя");
  EXPECT_EQ(ReadIni().find("Новое"), std::string::npos);  // nothing written yet
  dm->SaveLpu();
  EXPECT_EQ(ReadIni(),
            "; institution\r\n[LPU]\r\nNAME=Новое имя\r\nFOREIGN=keep\r\nINN=7701\r\n"
            "[FileHist]\r\n1=/a.001\r\n");
  dm->Free();
}

TEST_F(DataModuleTest, MissingIniGivesEmptyValues) {
  TDM* dm = MakeDM();
  EXPECT_EQ(dm->GetValue("INN"), "");
  EXPECT_TRUE(dm->LpuValues().empty());
  dm->Free();
}

TEST_F(DataModuleTest, MessageRoutines) {
  int answer = IDNO;
  SetMessageBoxHandler([&](const std::string& text, const std::string& caption, unsigned flags) {
    Boxes.push_back(caption + "|" + text + "|" + std::to_string(flags));
    return answer;
  });
  EXPECT_FALSE(AskYes("Завершить работу?"));
  answer = IDYES;
  EXPECT_TRUE(AskYesCaption("Вопрос", "Да?"));
  EXPECT_THROW(ErrorAbort("Плохо"), EAbort);
  ShowErrorFmt("Запись %d из %s", 3, "5");
  EXPECT_EQ(Boxes, (std::vector<std::string>{"Test|Завершить работу?|36", "Вопрос|Да?|36",
                                             "Test|Плохо|16", "Test|Запись 3 из 5|16"}));
}
