// The three coupon windows on the base register window: coupon No. 1
// (pregnancy terms, payability), No. 2 (newborn rows) and No. 3 (children
// and their observation periods, parts 3-1 and 3-2). The child rows of
// No. 2 and No. 3 are edited in an in-memory table and stored in six
// numbered field groups of the record. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "register/cust_frame.h"
#include "storage/mem_ds.h"

class TFrmT1 : public TCustFrame {
  MEBRATH_CLASS(TFrmT1, TCustFrame)
 public:
  int FrameID() const override { return 1; }
  void ExportXml(const std::string& fileName) override;
  // Application No. 2: the register ordered by the certificate key,
  // through its template.
  void PrintApplication2();

 protected:
  explicit TFrmT1(TComponent* owner);
  void AfterConstruction() override;
  void AddCouponFields() override;
  void AddCouponCard(int top) override;
  void ValidateCoupon() override;
  Currency CouponSum() override;
  void CalcCouponFields() override;

 private:
  // The fields of the term and the amount, found once.
  void BindCalcFields();
  TField *FDReg = nullptr, *FDCertif = nullptr, *FQtw2 = nullptr, *FCQtw1 = nullptr,
         *FChk = nullptr;
};

// The child-row machinery of coupons No. 2 and No. 3.
class TChildFrame : public TCustFrame {
  MEBRATH_CLASS(TChildFrame, TCustFrame)
 public:
  static constexpr int kMaxChildren = 6;
  bool IsEditing() override;
  void CancelRecord() override;
  // The rows from the record's groups 1..min(CQNT, 6); the flag cleared.
  void LoadChildren();
  // The rows into the groups (the main record in edit or insert; else
  // Exception "dsMain.State not in Edit or Insert mode"); no row:
  // ErrorAbort(`noRowsMessage`). Returns the number of rows held.
  int StoreChildren(const std::string& noRowsMessage);
  bool ChildrenModified() const { return FChildrenModified; }
  // The Delete key of the child grid.
  void DeleteChildRow();

  TmemDs* mtChild = nullptr;
  TDataSource* dsChild = nullptr;
  TDBGridEh* grdChild = nullptr;

 protected:
  explicit TChildFrame(TComponent* owner) : TCustFrame(owner) {}
  void AfterConstruction() override;
  void NewCouponRecord() override;
  void AfterCardShown() override { LoadChildren(); }
  virtual void AddChildFields() = 0;
  // The child fields as they are named in the record's groups, in order.
  virtual std::vector<std::string> ChildGroupFields() const = 0;
  virtual void ValidateChildRow() = 0;
  virtual void ChildRowDeleted() {}
  void MakeChildGrid(int top, int height);
  void ChildStateChanged();
  // TCustFrame: a group's fields take the child field's label and the
  // child's number.
  void LabelFields() override;

  bool FChildrenModified = false;
  // A child row is starting the record it belongs to.
  bool FStartingRow = false;
};

class TFrmT2 : public TChildFrame {
  MEBRATH_CLASS(TFrmT2, TChildFrame)
 public:
  int FrameID() const override { return 2; }
  void ExportXml(const std::string& fileName) override;

 protected:
  explicit TFrmT2(TComponent* owner);
  void AfterConstruction() override;
  void AddCouponFields() override;
  void AddCouponCard(int top) override;
  void ValidateCoupon() override;
  Currency CouponSum() override;
  void CalcCouponFields() override;
  void AddChildFields() override;
  std::vector<std::string> ChildGroupFields() const override;
  void ValidateChildRow() override;
  void ChildRowDeleted() override;
};

class TFrmT3 : public TChildFrame {
  MEBRATH_CLASS(TFrmT3, TChildFrame)
 public:
  int FrameID() const override { return 3; }
  void ExportXml(const std::string& fileName) override;

 protected:
  explicit TFrmT3(TComponent* owner);
  void AddCouponFields() override;
  void AddCouponCard(int top) override;
  void ValidateCoupon() override;
  Currency CouponSum() override;
  void AddChildFields() override;
  std::vector<std::string> ChildGroupFields() const override;
  void ValidateChildRow() override;
};
