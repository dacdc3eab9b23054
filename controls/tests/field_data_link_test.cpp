#include "controls/field_data_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls_test_support.h"

namespace {

class FieldDataLinkTest : public ControlsTest {
 protected:
  FieldDataLinkTest() {
    Control = Create<TKeyTaker>(Form);
    Control->SetName("Edit1");
    Control->SetParent(Form);
    Link = std::make_unique<TFieldDataLinkEh>(Control);
    Link->OnDataChange = [this](TFieldDataLinkEh*) { Log.push_back("data"); };
    Link->OnEditingChange = [this](TFieldDataLinkEh*) { Log.push_back("editing"); };
    Link->OnUpdateData = [this](TFieldDataLinkEh*) { Log.push_back("update"); };
  }
  TKeyTaker* Control = nullptr;
  std::unique_ptr<TFieldDataLinkEh> Link;
  std::vector<std::string> Log;
};

TEST_F(FieldDataLinkTest, OwnValueRoundTripWithoutADataset) {
  EXPECT_TRUE(Link->DataIndependent());
  EXPECT_TRUE(Link->HasData());
  EXPECT_TRUE(Link->CanModify());
  EXPECT_TRUE(Link->Edit());
  EXPECT_EQ(Log, std::vector<std::string>{"editing"});
  Link->SetValue(42);
  EXPECT_EQ(Link->DataIndependentValue().AsInteger(), 42);
  Link->SetText("abc");
  EXPECT_EQ(Link->DataIndependentValue().AsString(), "abc");
  EXPECT_EQ(Log, (std::vector<std::string>{"editing", "data", "data"}));
  // The commit runs the handler only when modified, and ends the editing.
  Link->Modified();
  Link->UpdateRecord();
  EXPECT_EQ(Log.back(), "update");
  EXPECT_FALSE(Link->Editing());
  EXPECT_FALSE(Link->IsModified());
  // A read-only own-value link does not start editing.
  Link->SetReadOnly(true);
  EXPECT_FALSE(Link->Edit());
}

TEST_F(FieldDataLinkTest, BindsAFieldAndRaisesForAMissingOne) {
  AddRow("Иванова");
  Link->SetDataSource(Source);
  EXPECT_FALSE(Link->DataIndependent());
  EXPECT_FALSE(Link->HasData()) << "half-bound: no field";
  Link->SetFieldName("NAME");
  EXPECT_EQ(Link->Field(), Name);
  EXPECT_TRUE(Link->HasData());
  try {
    Link->SetFieldName("NOPE");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Edit1: Field 'NOPE' not found");
  }
  // Without a control the dataset's own error.
  TFieldDataLinkEh bare;
  bare.SetDataSource(Source);
  EXPECT_THROW(bare.SetFieldName("NOPE"), EDatabaseError);
}

TEST_F(FieldDataLinkTest, WritesTextAndValuesAndIgnoresForeignFields) {
  AddRow("A");
  Link->SetDataSource(Source);
  Link->SetFieldName("CNT");
  Log.clear();
  EXPECT_TRUE(Link->Edit());
  EXPECT_EQ(Table->State(), dsEdit);
  Link->SetText("17");
  EXPECT_EQ(Count->AsInteger(), 17);
  int dataChanges = static_cast<int>(std::count(Log.begin(), Log.end(), "data"));
  Name->SetAsString("B");  // not the link's field
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "data"), dataChanges);
  Link->SetValue(5);
  EXPECT_EQ(Count->AsInteger(), 5);
  EXPECT_THROW(Link->SetText("x"), EConvertError);
  EXPECT_EQ(Count->AsInteger(), 5);
}

TEST_F(FieldDataLinkTest, MultiFieldValuesGoToEachField) {
  AddRow("A", "М");
  Link->SetMultiFields(true);
  Link->SetDataSource(Source);
  Link->SetFieldName("NAME;SEX");
  ASSERT_EQ(Link->Fields().size(), 2u);
  Table->Edit();
  Link->SetValue(VarArrayOf({"Петрова", "Ж"}));
  EXPECT_EQ(Name->AsString(), "Петрова");
  EXPECT_EQ(Sex->AsString(), "Ж");
  EXPECT_THROW(Link->SetValue(VarArrayOf({"Одна"})), EVariantError);
  Link->SetValue(Variant::Null());
  EXPECT_EQ(Name->AsString(), "");
  EXPECT_EQ(Sex->AsString(), "");
}

TEST_F(FieldDataLinkTest, HalfBoundLinksWriteNothing) {
  AddRow("A");
  // A field name without a data source.
  Link->SetFieldName("NAME");
  EXPECT_FALSE(Link->DataIndependent());
  EXPECT_NO_THROW(Link->SetText("x"));
  EXPECT_NO_THROW(Link->SetValue(1));
  EXPECT_FALSE(Link->Edit());
  // A data source whose dataset is closed.
  Link->SetDataSource(Source);
  Table->Close();
  EXPECT_EQ(Link->Field(), nullptr);
  EXPECT_NO_THROW(Link->SetText("x"));
}

TEST_F(FieldDataLinkTest, EditingFollowsTheDatasetAndFocusRequestsFocusTheControl) {
  AddRow("A");
  Form->Show();
  Link->SetDataSource(Source);
  Link->SetFieldName("NAME");
  Log.clear();
  Table->Edit();
  EXPECT_TRUE(Link->Editing());
  EXPECT_EQ(Log.at(0), "editing");
  Name->SetAsString("B");
  Link->Modified();
  Table->Post();
  EXPECT_FALSE(Link->Editing());
  EXPECT_NE(std::find(Log.begin(), Log.end(), "update"), Log.end());
  TKeyTaker* other = Create<TKeyTaker>(Form);
  other->SetParent(Form);
  other->SetFocus();
  Name->FocusControl();
  EXPECT_TRUE(Control->Focused());
}

TEST_F(FieldDataLinkTest, EditImageTellsItsOwner) {
  std::vector<unsigned> messages;
  TEditImageEh image(Control);
  Control->WindowProc = [&, old = Control->WindowProc](TMessage& m) {
    if (m.Msg == CM_EDITIMAGECHANGEDEH) messages.push_back(m.Msg);
    old(m);
  };
  image.SetVisible(true);
  image.SetWidth(16);
  image.SetUseImageHeight(false);
  image.SetImageIndex(3);  // repaints only
  EXPECT_EQ(messages.size(), 3u);
  EXPECT_EQ(image.ImageIndex(), 3);
  TEditImageEh copy(nullptr);
  copy.Assign(&image);
  EXPECT_TRUE(copy.Visible());
  EXPECT_EQ(copy.Width(), 16);
  EXPECT_EQ(copy.ImageIndex(), 3);
  EXPECT_TRUE(copy.UseImageHeight()) << "not copied";
}

}  // namespace
