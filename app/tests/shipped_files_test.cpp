// The help document and the change history sit beside the program the
// build makes, and the help menu opens them or says why it cannot.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/file_utils.h"
#include "platform/gui/services.h"
#include "register/data_module.h"
#include "register/main_window.h"

namespace {

TEST(ShippedFiles, HelpAndHistoryOpenBesideTheProgram) {
  TScopedClock clock(EncodeDate(2026, 12, 6));
  ApplyStartupFormatSettings();
  SetIniFileName((std::filesystem::temp_directory_path() / "mebrath-shipped-files.ini").string());
  std::vector<std::string> boxes;
  SetMessageBoxHandler([&](const std::string& text, const std::string&, unsigned) {
    boxes.push_back(text);
    return IDOK;
  });
  std::vector<std::string> opened;
  bool viewer = true;
  SetOpenDocumentHandler([&](const std::string& path) {
    opened.push_back(path);
    return viewer;
  });
  TfmMain* main = Create<TfmMain>(nullptr);
  const std::string help = ExecutableDir() + "doc/Kelm.doc";
  const std::string history = ExecutableDir() + "history.txt";
  EXPECT_TRUE(FileExists(help));
  EXPECT_TRUE(FileExists(history));

  main->acHelp->Execute();
  main->acHist->Execute();
  EXPECT_EQ(opened, (std::vector<std::string>{help, history}));
  EXPECT_TRUE(boxes.empty()) << boxes.front();

  // A desktop without a viewer: the message names the file.
  viewer = false;
  main->acHist->Execute();
  EXPECT_EQ(boxes, std::vector<std::string>{"Не удалось открыть файл '" + history +
                                            "': не найдена программа для его просмотра."});
  main->Free();
  SetOpenDocumentHandler(nullptr);
  SetMessageBoxHandler(nullptr);
  SetIniFileName("");
}

}  // namespace
