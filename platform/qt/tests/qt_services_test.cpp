#include "platform/qt/qt_services.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/gui/services.h"
#include "platform/widgets/message_dialog.h"
#include "qt_test_app.h"

namespace {

// Runs a command and returns what it printed; -1 exit when it failed.
std::string RunCommand(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return out;
  }
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  status = ::pclose(pipe);
  return out;
}

class QtServicesTest : public ::testing::Test {
 protected:
  QtServicesTest() { TestHost(); }
  ~QtServicesTest() override {
    SetClipboardBackend(nullptr);
    SetClipboardTextHandler({});
    SetPrinterBackend(nullptr);
  }
};

TEST_F(QtServicesTest, ClipboardRoundTripThroughQClipboard) {
  SetClipboardBackend(MakeQtClipboardBackend());
  InstallQtClipboardText();
  unsigned rows = RegisterClipboardFormat("Grid Rows 1");
  EXPECT_EQ(ClipboardMimeType(rows), "application/x-mebrath-grid_20rows_201");
  EXPECT_EQ(ClipboardMimeType(RegisterClipboardFormat("text/csv")), "text/csv");

  std::string bytes("\x00\x01\xFFдва", 7);
  Clipboard().Open();
  Clipboard().SetAsText("текст");
  Clipboard().SetBuffer(rows, bytes);
  Clipboard().Close();

  // What another program would see: one content with both types.
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->text().toStdString(), "текст");
  EXPECT_TRUE(data->hasFormat(QString::fromStdString(ClipboardMimeType(rows))));

  EXPECT_TRUE(Clipboard().HasFormat(rows));
  EXPECT_EQ(Clipboard().GetBuffer(rows), bytes);
  EXPECT_EQ(Clipboard().AsText(), "текст");
  EXPECT_EQ(GetClipboardText(), "текст");

  SetClipboardText("другое");  // an edit's copy replaces the whole content
  EXPECT_FALSE(Clipboard().HasFormat(rows));
  EXPECT_EQ(Clipboard().AsText(), "другое");
}

TEST_F(QtServicesTest, DocumentsBecomeFileUrlsAndLinksStay) {
  EXPECT_EQ(DocumentUrl("https://example.org/a?b=1").toString().toStdString(),
            "https://example.org/a?b=1");
  EXPECT_EQ(DocumentUrl("mailto:x@example.org").scheme().toStdString(), "mailto");
  QUrl file = DocumentUrl("doc/справка.pdf");
  EXPECT_TRUE(file.isLocalFile());
  EXPECT_EQ(file.toLocalFile().toStdString(),
            (std::filesystem::current_path() / "doc/справка.pdf").string());
  EXPECT_TRUE(DocumentUrl("/tmp/a b.txt").isLocalFile());
}

TEST_F(QtServicesTest, NameFiltersInQtForm) {
  const struct {
    TFileFilter Filter;
    const char* Qt;
  } cases[] = {
      {{"Таблицы", "*.dbf;*.DBF"}, "Таблицы (*.dbf *.DBF)"},
      // The patterns already in the description are shown once.
      {{"PDF (*.pdf)", "*.pdf"}, "PDF (*.pdf)"},
      {{"Таблицы (*.dbf;*.DBF)", "*.dbf;*.DBF"}, "Таблицы (*.dbf *.DBF)"},
      {{"Таблицы (*.dbf *.DBF)", "*.dbf;*.DBF"}, "Таблицы (*.dbf *.DBF)"},
      // Other parentheses are the description's own.
      {{"Отчёт (старый)", "*.frp"}, "Отчёт (старый) (*.frp)"},
  };
  for (const auto& c : cases) EXPECT_EQ(QtNameFilter(c.Filter), c.Qt) << c.Filter.Description;
}

TEST_F(QtServicesTest, AMessageBoxIsAsWideAsItsCaptionInTheTitleBarsFont) {
  QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  title.setBold(true);
  const QFontMetrics metrics(title);
  for (const char* caption : {"Талон не подлежит оплате.", "Создание нового реестра"}) {
    TCustomForm* box = CreateMessageDialog("Да.", caption, MB_YESNO | MB_ICONQUESTION);
    // Beside the caption: the window manager's icon and three buttons.
    EXPECT_GE(box->ClientWidth(), metrics.horizontalAdvance(QString::fromUtf8(caption)) + 80)
        << caption;
    box->Free();
  }
}

TEST_F(QtServicesTest, PrintsTwoPagesToPdf) {
  int status = 0;
  RunCommand("command -v pdftotext", status);
  ASSERT_EQ(status, 0) << "pdftotext (poppler-utils) is needed to check printed PDF files";

  SetPrinterBackend(MakeQtPrinterBackend());
  TPrinter* p = Printer();
  ASSERT_FALSE(p->Printers().empty());
  EXPECT_EQ(p->Printers().back(), kVirtualPrinterName);
  p->SetPrinterIndex(static_cast<int>(p->Printers().size()) - 1);
  p->SetOrientation(poPortrait);
  std::filesystem::path file = std::filesystem::temp_directory_path() /
                               ("qt_services_" + std::to_string(::getpid()) + ".pdf");
  p->SetOutputFileName(file.string());
  p->SetTitle("Проба");
  p->BeginDoc();
  TCanvas* canvas = p->Canvas();
  canvas->Font()->SetName("Arial");
  canvas->Font()->SetHeight(-100);  // 100 dots at 600 dpi: 12 points
  canvas->TextOut(600, 600, "Первая страница");
  p->NewPage();
  canvas = p->Canvas();
  canvas->Font()->SetName("Arial");
  canvas->Font()->SetHeight(-100);
  canvas->TextOut(600, 600, "Вторая страница");
  canvas->Rectangle(500, 500, 4000, 1000);
  p->EndDoc();
  p->SetOutputFileName("");

  ASSERT_TRUE(std::filesystem::exists(file));
  std::string info = RunCommand("pdfinfo '" + file.string() + "' 2>&1", status);
  std::string text = RunCommand("pdftotext -layout '" + file.string() + "' - 2>&1", status);
  ASSERT_EQ(status, 0) << text;
  std::size_t first = text.find("Первая страница");
  std::size_t feed = text.find('\f');
  std::size_t second = text.find("Вторая страница");
  ASSERT_NE(first, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_LT(first, feed);
  EXPECT_LT(feed, second) << "the second text is on the second page";
  if (info.find("Pages:") != std::string::npos) {
    EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  }
  std::filesystem::remove(file);
}

}  // namespace
