// The certificate directory: a register of the preceding kind opened in
// it, the look-up positioning on the key, confirming and cancelling, and
// the take-over of every same-named field into a coupon record.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/frames.h"

namespace {

class CertificateDirectoryTest : public GuiTest {
 protected:
  CertificateDirectoryTest() : clock(EncodeDateTime(2008, 6, 1, 12, 0, 0, 0)) {
    ApplyStartupFormatSettings();
    SetIniFileName(dir.File("mebrath.ini"));
    RegisterCouponFrames();
    fmDict = Create<TfmDict>(nullptr);
  }
  ~CertificateDirectoryTest() override {
    Application->OnIdle = nullptr;
    fmDict->Free();
    fmDict = nullptr;
    SetIniFileName("");
  }
  // A coupon No. 1 register with certificates 1 and 2.
  std::string MakeFirstRegister() {
    const std::string name = dir.File("a.001");
    TFrmT1* f = Create<TFrmT1>(nullptr);
    f->NewRegister(name);
    for (int n : {1, 2}) {
      TDataSet& t = *f->Document()->Table();
      t.Append();
      t.FieldByName("NCERTIF")->SetAsInteger(n);
      t.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, n));
      t.FieldByName("DREG")->SetAsDateTime(EncodeDate(2006, 12, n));
      t.FieldByName("LNAME")->SetAsString(n == 1 ? "Петрова" : "Иванова");
      t.FieldByName("FNAME")->SetAsString("Анна");
      t.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
      t.FieldByName("SDOC")->SetAsString("45 01");
      t.FieldByName("NDOC")->SetAsString("12345" + std::to_string(n));
      t.FieldByName("DDOC")->SetAsDateTime(EncodeDate(2000, 1, 1));
      t.FieldByName("ODOC")->SetAsString("ОВД");
      t.FieldByName("QTW2")->SetAsInteger(30);
      t.Post();
      EXPECT_TRUE(Boxes.empty()) << Boxes.back();
    }
    f->Free();
    return name;
  }
  void RunModal(std::deque<std::function<void()>> steps, const std::function<void()>& run) {
    RunModalSteps(std::move(steps), run);
  }

  TScopedClock clock;
  TFileTestDir dir;
};

TEST_F(CertificateDirectoryTest, ConfirmTakesEverySameNamedFieldOverAndCancelKeepsTheRecord) {
  const std::string first = MakeFirstRegister();
  TFrmT2* coupon = Create<TFrmT2>(nullptr);
  coupon->NewRegister(dir.File("b.002"));
  struct {
    unsigned key;  // pressed in the directory's grid
    bool taken;
  } cases[] = {{VK_ESCAPE, false}, {VK_RETURN, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    TDataSet& t = *coupon->Document()->Table();
    t.Append();
    t.FieldByName("NCERTIF")->SetAsInteger(2);
    t.FieldByName("LNAME")->SetAsString("Сидорова");
    const std::string dregBefore = t.FieldByName("DREG")->AsString();
    int positionedOn = 0;
    RunModal({[&] {
               if (fmDict->Frame() == nullptr) fmDict->OpenRegister(first);
               positionedOn = fmDict->Table()->FieldByName("NCERTIF")->AsInteger();
               unsigned key = c.key;
               fmDict->Frame()->grdMain->OnKeyDown(fmDict->Frame()->grdMain, key, {});
             }},
             [&] { coupon->TakeOverCertificate(); });
    EXPECT_EQ(fmDict->Kind(), 2);
    EXPECT_EQ(fmDict->Key(), "Б 0000002");
    EXPECT_EQ(positionedOn, 2);
    EXPECT_EQ(fmDict->Caption(), "Test-" + first);
    if (c.taken) {
      EXPECT_EQ(t.FieldByName("LNAME")->AsString(), "Иванова");
      EXPECT_EQ(t.FieldByName("NDOC")->AsString(), "123452");
      EXPECT_EQ(t.FieldByName("DCERTIF")->AsDateTime(), EncodeDate(2007, 4, 2));
      // Same-named fields are copied whatever they mean in each kind.
      EXPECT_EQ(t.FieldByName("DREG")->AsDateTime(), EncodeDate(2006, 12, 2));
      EXPECT_EQ(t.FieldByName("CHK")->AsString(), fmDict->Table()->FieldByName("CHK")->AsString());
    } else {
      EXPECT_EQ(t.FieldByName("LNAME")->AsString(), "Сидорова");
      EXPECT_EQ(t.FieldByName("DREG")->AsString(), dregBefore);
    }
    t.Cancel();
  }
  // A register window chosen by the main window is never the directory's.
  fmDict->ReleaseFrame();
  EXPECT_EQ(fmDict->Frame(), nullptr);
  coupon->Free();
}

TEST_F(CertificateDirectoryTest, AKindWithoutARegisterWindowIsReported) {
  RunModal({[&] {
             try {
               fmDict->OpenRegister(dir.File("x.001"));
               ADD_FAILURE() << "opened";
             } catch (const Exception& e) {
               EXPECT_STREQ(e.what(), "Не найден TCustFrame с ID=0");
             }
             fmDict->SetModalResult(mrCancel);
           }},
           [&] { EXPECT_FALSE(fmDict->LookUp(1, "Б 0000001")); });
}

}  // namespace
