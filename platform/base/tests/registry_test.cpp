#include "platform/base/registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("registry_test_" + std::to_string(::getpid()));
    fs::remove_all(FDir);
    FPath = (FDir / "mebrath" / "registry.ini").string();
    SetSettingsStorePath(FPath);
  }
  void TearDown() override {
    SetSettingsStorePath("");
    fs::remove_all(FDir);
  }
  std::string ReadRaw() const {
    std::ifstream in(FPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string Error(auto op) {
    try {
      op();
    } catch (const ERegistryException& e) {
      return e.Message();
    }
    return "no error";
  }

  fs::path FDir;
  std::string FPath;
};

}  // namespace

TEST_F(RegistryTest, ValuesSurviveAReopen) {
  {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Ordvik\\Form", false));
    EXPECT_EQ(reg.CurrentPath(), "");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Ordvik\\", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Ordvik");
    ASSERT_TRUE(reg.OpenKey("Form\\TfrPreviewForm", true));  // relative
    EXPECT_EQ(reg.CurrentPath(), "Software\\Ordvik\\Form\\TfrPreviewForm");
    reg.WriteInteger("Width", -640);
    reg.WriteBool("Maximized", true);
    reg.WriteString("Caption", " Просмотр ");
    reg.WriteString("Empty", "");
  }
  EXPECT_EQ(ReadRaw(),
            "[Software\\Ordvik\\Form\\TfrPreviewForm]\r\n"
            "Width=int:-640\r\n"
            "Maximized=int:1\r\n"
            "Caption=\"str: \xCF\xF0\xEE\xF1\xEC\xEE\xF2\xF0 \"\r\n"
            "Empty=str:\r\n");

  TRegistry reg;
  EXPECT_TRUE(reg.KeyExists("software\\ORDVIK"));
  EXPECT_FALSE(reg.KeyExists("Software\\Ord"));
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Ordvik\\Form\\TfrPreviewForm", false));
  EXPECT_EQ(reg.ReadInteger("width"), -640);
  EXPECT_TRUE(reg.ReadBool("Maximized"));
  EXPECT_EQ(reg.ReadString("Caption"), " Просмотр ");
  EXPECT_EQ(reg.ReadString("Empty"), "");
  EXPECT_TRUE(reg.ValueExists("Empty"));
  EXPECT_FALSE(reg.ValueExists("Height"));
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentPath(), "");
}

TEST_F(RegistryTest, MissingValuesAndWrongTypes) {
  TRegistry reg;
  reg.OpenKey("Software\\Test", true);
  reg.WriteInteger("Number", 5);
  reg.WriteString("Text", "5");
  EXPECT_EQ(Error([&] { reg.ReadInteger("Nothing"); }),
            "Не удалось прочитать значение 'Nothing' из настроек");
  EXPECT_EQ(Error([&] { reg.ReadBool("Nothing"); }),
            "Не удалось прочитать значение 'Nothing' из настроек");
  EXPECT_EQ(Error([&] { reg.ReadInteger("Text"); }), "Неверный тип значения 'Text' в настройках");
  EXPECT_EQ(Error([&] { reg.ReadString("Number"); }),
            "Неверный тип значения 'Number' в настройках");
  EXPECT_EQ(reg.ReadString("Nothing"), "");
}

TEST_F(RegistryTest, DeleteKeyTakesSubkeysAlong) {
  TRegistry reg;
  reg.OpenKey("\\A\\B", true);
  reg.WriteInteger("x", 1);
  reg.OpenKey("\\A\\B\\C", true);
  reg.WriteInteger("y", 2);
  reg.OpenKey("\\A\\BB", true);
  reg.WriteInteger("z", 3);

  EXPECT_TRUE(reg.DeleteKey("\\a\\b"));
  EXPECT_FALSE(reg.DeleteKey("\\A\\B"));
  TRegistry other;
  EXPECT_FALSE(other.KeyExists("A\\B"));
  EXPECT_FALSE(other.KeyExists("A\\B\\C"));
  EXPECT_TRUE(other.KeyExists("A\\BB"));
  EXPECT_TRUE(other.KeyExists("A"));
}

TEST_F(RegistryTest, DefaultPathFollowsXdgConfigHome) {
  SetSettingsStorePath("");
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  std::string old = saved ? saved : "";
  ::setenv("XDG_CONFIG_HOME", FDir.c_str(), 1);
  EXPECT_EQ(SettingsStorePath(), FPath);
  {
    TRegistry reg;
    reg.OpenKey("K", true);
    reg.WriteString("v", "1");  // creates the folder
  }
  EXPECT_TRUE(fs::exists(FPath));
  if (saved) {
    ::setenv("XDG_CONFIG_HOME", old.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}
