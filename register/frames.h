// The three coupon windows on the base register window: coupon No. 1
// (pregnancy terms, payability), No. 2 (newborn rows) and No. 3 (children
// and their observation periods, parts 3-1 and 3-2). Their fields and rules
// are the coupon documents' (coupon_documents.h); the windows add the card
// controls and, for No. 2 and No. 3, the grid of the child rows. GUI
// thread only.
#pragma once

#include <string>
#include <vector>

#include "register/core/coupon_documents.h"
#include "register/cust_frame.h"
#include "storage/mem_ds.h"

class TFrmT1 : public TCustFrame {
  MEBRATH_CLASS(TFrmT1, TCustFrame)
 public:
  int FrameID() const override { return 1; }
  // Application No. 2: the register ordered by the certificate key,
  // through its template.
  void PrintApplication2();

 protected:
  explicit TFrmT1(TComponent* owner);
  void AddCouponCard(int top) override;
};

// The child-row machinery of coupons No. 2 and No. 3.
class TChildFrame : public TCustFrame {
  MEBRATH_CLASS(TChildFrame, TCustFrame)
 public:
  static constexpr int kMaxChildren = TChildDocument::kMaxChildren;
  TChildDocument* ChildDocument() const { return FChildDocument; }
  void LoadChildren() { FChildDocument->LoadChildren(); }
  bool ChildrenModified() const { return FChildDocument->ChildrenModified(); }
  // The Delete key of the child grid.
  void DeleteChildRow() { FChildDocument->DeleteChildRow(); }

  // The document's rows and their source.
  TmemDs* mtChild = nullptr;
  TDataSource* dsChild = nullptr;
  TDBGridEh* grdChild = nullptr;

 protected:
  explicit TChildFrame(TComponent* owner) : TCustFrame(owner) {}
  void BindDocument() override;
  void AfterCardShown() override { LoadChildren(); }
  // The rows of another register's record, not those of the last one.
  void AfterRegisterOpened() override { LoadChildren(); }
  void MakeChildGrid(int top, int height);

 private:
  TChildDocument* FChildDocument = nullptr;
};

class TFrmT2 : public TChildFrame {
  MEBRATH_CLASS(TFrmT2, TChildFrame)
 public:
  int FrameID() const override { return 2; }

 protected:
  explicit TFrmT2(TComponent* owner);
  void AddCouponCard(int top) override;
};

class TFrmT3 : public TChildFrame {
  MEBRATH_CLASS(TFrmT3, TChildFrame)
 public:
  int FrameID() const override { return 3; }

 protected:
  explicit TFrmT3(TComponent* owner);
  void AddCouponCard(int top) override;
};
