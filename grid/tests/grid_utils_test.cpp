#include "grid/grid_utils.h"

#include <gtest/gtest.h>

#include "grid/property_interceptors.h"
#include "grid_test_support.h"
#include "platform/base/number_format.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/grids.h"

namespace {

class GridUtilsTest : public GuiTest {};

TEST_F(GridUtilsTest, KillMessageTakesOneMessageAndKeepsAQuitRequest) {
  TForm* form = Create<TForm>(Application);
  HWND wnd = form->Handle();
  PostMessage(wnd, WM_USER + 1);
  PostMessage(wnd, WM_USER + 1);
  KillMessage(wnd, WM_USER + 1);
  TMsg msg;
  EXPECT_TRUE(PeekMessage(msg, wnd, WM_USER + 1, WM_USER + 1, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(msg, wnd, WM_USER + 1, WM_USER + 1, PM_REMOVE));
  PostQuitMessage(7);
  KillMessage(nullptr, WM_QUIT);
  ASSERT_TRUE(PeekMessage(msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  form->Free();
}

TEST_F(GridUtilsTest, SmallHelpers) {
  EXPECT_THROW(RaiseGridError("x"), EInvalidGridOperation);
  const TRect r{1, 2, 3, 4};
  EXPECT_TRUE(PointInRectEh(1, 2, r));
  EXPECT_TRUE(PointInRectEh(3, 4, r));
  EXPECT_FALSE(PointInRectEh(4, 4, r));
  EXPECT_EQ(IfThenInt(true, 1, 2) + Max(3, 4) + Min(3, 4), 1 + 4 + 3);
}

TEST_F(GridUtilsTest, FieldValuesForSums) {
  TTestTable t;
  t.ds->Open();
  t.Add("a", 7, 0.0001);
  EXPECT_EQ(GetFieldValueAsVariant(t.num).VType(), varInteger);
  EXPECT_EQ(GetFieldValueAsVariant(t.num).AsInteger(), 7);
  EXPECT_EQ(CurrToStr(SumValueOf(Variant(0.00005))), "0") << "half to even";
  EXPECT_EQ(CurrToStr(SumValueOf(Variant(0.00015))), "0.0002");
  EXPECT_EQ(CurrToStr(SumValueOf(Variant::Null())), "0");
  EXPECT_EQ(CurrToStr(SumValueOf(t.amt)), "0.0001") << "stored as currency already";
  t.ds->Edit();
  t.num->SetAsInteger(0);
  EXPECT_TRUE(VarIsNull(GetFieldValueAsVariant(t.val)));
  EXPECT_EQ(CurrToStr(SumValueOf(t.val)), "0");
  t.ds->Cancel();
  EXPECT_TRUE(AllFieldsCanModify({}));
  EXPECT_TRUE(AllFieldsCanModify({t.num, t.name}));
  EXPECT_FALSE(AllFieldsCanModify({t.num, t.val}));
}

TEST_F(GridUtilsTest, InterceptorRegistryReplacesByTarget) {
  auto count = [](const TClassInfo* target) {
    int n = 0;
    for (const auto& r : PropertyInterceptorRegistrations()) n += r.Target == target;
    return n;
  };
  RegisterFormPropertyInterceptor();
  RegisterFormPropertyInterceptor();
  EXPECT_EQ(count(&TCustomForm::kClassInfo), 1);
  UnregisterPropertyInterceptor(&TCustomForm::kClassInfo, &TStoragePropertyInterceptor::kClassInfo);
  EXPECT_EQ(count(&TCustomForm::kClassInfo), 1) << "only the exact pair goes";
  UnregisterPropertyInterceptor(&TCustomForm::kClassInfo,
                                &TFormStoragePropertyInterceptor::kClassInfo);
  EXPECT_EQ(count(&TCustomForm::kClassInfo), 0);
}

TEST_F(GridUtilsTest, FormInterceptorScalesStoredBoundsToTheScreen) {
  TForm* form = Create<TForm>(Application);
  form->SetBounds(10, 20, 300, 200);
  form->SetPosition(poScreenCenter);
  TFormStoragePropertyInterceptor view(form);
  EXPECT_EQ(view.Width(), 300);
  EXPECT_EQ(view.PixelsPerInch(), 96);
  struct Case {
    int ppi;
    TRect expected;
  };
  // Stored at 120 pixels per inch, shown at 96: scaled by 96/120. A
  // stored density of 0 counts as the screen's.
  const std::vector<Case> cases = {{120, {80, 96, 80 + 400, 96 + 240}},
                                   {0, {100, 120, 100 + 500, 120 + 300}}};
  for (const Case& c : cases) {
    view.SetLeft(100);
    view.SetTop(120);
    view.SetWidth(500);
    view.SetHeight(300);
    view.SetPixelsPerInch(c.ppi);
    view.SetWindowState(wsNormal);
    view.PropertiesReaded();
    EXPECT_EQ(form->Left(), c.expected.Left) << c.ppi;
    EXPECT_EQ(form->Top(), c.expected.Top) << c.ppi;
    EXPECT_EQ(form->Width(), c.expected.Right - c.expected.Left) << c.ppi;
    EXPECT_EQ(form->Height(), c.expected.Bottom - c.expected.Top) << c.ppi;
  }
  EXPECT_EQ(form->Position(), poDesigned) << "an assigned position stops the centring";
  form->Free();
}

TEST_F(GridUtilsTest, FormInterceptorKeepsAMaximisedFormsNormalBounds) {
  TForm* form = Create<TForm>(Application);
  form->SetBounds(10, 20, 300, 200);
  form->Show();
  form->SetWindowState(wsMaximized);
  // The window manager makes it fill the screen.
  HostResize(form->Handle(), Rect(0, 0, 1024, 740));
  ASSERT_NE(form->Width(), 300);
  TFormStoragePropertyInterceptor view(form);
  EXPECT_EQ(view.Left(), 10);
  EXPECT_EQ(view.Top(), 20);
  EXPECT_EQ(view.Width(), 300);
  EXPECT_EQ(view.Height(), 200);
  EXPECT_EQ(view.WindowState(), wsMaximized);
  // Stored maximised, it comes back maximised with its own normal bounds:
  // they wait for the restore.
  view.SetLeft(40);
  view.SetTop(50);
  view.SetWidth(400);
  view.SetHeight(250);
  view.PropertiesReaded();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_NE(form->Width(), 400);
  EXPECT_EQ(view.Width(), 400);
  form->SetWindowState(wsNormal);
  EXPECT_EQ(form->BoundsRect(), Bounds(40, 50, 400, 250));
  // Restored by the window manager, it goes there as well.
  form->SetWindowState(wsMaximized);
  HostResize(form->Handle(), Rect(0, 0, 1024, 740));
  view.PropertiesReaded();
  HostWindowState(form->Handle(), SIZE_RESTORED);
  EXPECT_EQ(form->BoundsRect(), Bounds(40, 50, 400, 250));
  form->Free();
}
}  // namespace
