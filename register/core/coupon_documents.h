// The three coupon registers as documents: coupon No. 1 (pregnancy terms,
// payability), No. 2 (newborn rows) and No. 3 (children and their
// observation periods, parts 3-1 and 3-2). The child rows of No. 2 and
// No. 3 are edited in an in-memory table and stored in six numbered field
// groups of the record. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/data/data_source.h"
#include "register/core/document_notification.h"
#include "register/core/register_document.h"
#include "storage/mem_ds.h"

class TCoupon1Document : public TRegisterDocument {
  MEBRATH_CLASS(TCoupon1Document, TRegisterDocument)
 public:
  int Kind() const override { return 1; }

 protected:
  explicit TCoupon1Document(TComponent* owner) : TRegisterDocument(owner) {}
  // Structure version 2, older files copied in.
  void AfterConstruction() override;
  void AddCouponFields() override;
  void ValidateCoupon() override;
  Currency CouponSum() override;
  void CalcCouponFields() override;

 private:
  // The fields of the term and the amount, found once.
  void BindCalcFields();
  TField *FDReg = nullptr, *FDCertif = nullptr, *FQtw2 = nullptr, *FCQtw1 = nullptr,
         *FChk = nullptr;
};

// The child rows of coupons No. 2 and No. 3.
class TChildDocument : public TRegisterDocument {
  MEBRATH_CLASS(TChildDocument, TRegisterDocument)
 public:
  static constexpr int kMaxChildren = 6;
  // Editing the record or its rows.
  bool IsEditing() const override;
  // TRegisterDocument, then the row being edited is dropped and the rows
  // read again.
  void Cancel() override;
  // The rows from the record's groups 1..min(CQNT, 6); the flag cleared.
  // Tells ChildrenLoaded.
  void LoadChildren();
  // The rows were read from the record afresh: a new record, a cancel,
  // the card shown, another register.
  TDocumentNotification<> ChildrenLoaded;
  // The rows into the groups (the main record in edit or insert; else
  // Exception "dsMain.State not in Edit or Insert mode"); no row:
  // RuleBroken(`noRowsMessage`). Returns the number of rows held.
  int StoreChildren(const std::string& noRowsMessage);
  bool ChildrenModified() const { return FChildrenModified; }
  // Deletes the current row (nothing without rows), the record in edit.
  void DeleteChildRow();

  TmemDs* Children() const { return FChildren; }
  TDataSource* ChildSource() const { return FChildSource; }

 protected:
  explicit TChildDocument(TComponent* owner) : TRegisterDocument(owner) {}
  void AfterConstruction() override;
  void NewCouponRecord() override;
  virtual void AddChildFields() = 0;
  // The child fields as they are named in the record's groups, in order.
  virtual std::vector<std::string> ChildGroupFields() const = 0;
  // The rules of the row being stored (RuleBroken on failure).
  virtual void ValidateChildRow() = 0;
  virtual void ChildRowDeleted() {}
  // A group's fields take the child field's label and the child's number.
  void LabelFields() override;

  TmemDs* FChildren = nullptr;

  template <class T>
  T* AddChildField(const std::string& name, int size = 0) {
    T* field = Create<T>(FChildren);
    field->SetFieldName(name);
    if (size > 0) field->SetSize(size);
    field->SetDataSet(FChildren);
    return field;
  }

 private:
  void ChildStateChanged();

  TDataSource* FChildSource = nullptr;
  bool FChildrenModified = false;
  // A child row is starting the record it belongs to.
  bool FStartingRow = false;
};

class TCoupon2Document : public TChildDocument {
  MEBRATH_CLASS(TCoupon2Document, TChildDocument)
 public:
  int Kind() const override { return 2; }

 protected:
  explicit TCoupon2Document(TComponent* owner) : TChildDocument(owner) {}
  // Structure version 2, older files copied in with their newborn count.
  void AfterConstruction() override;
  void AddCouponFields() override;
  void ValidateCoupon() override;
  Currency CouponSum() override;
  void CalcCouponFields() override;
  void AddChildFields() override;
  std::vector<std::string> ChildGroupFields() const override;
  void ValidateChildRow() override;
  void ChildRowDeleted() override;
};

class TCoupon3Document : public TChildDocument {
  MEBRATH_CLASS(TCoupon3Document, TChildDocument)
 public:
  int Kind() const override { return 3; }

 protected:
  explicit TCoupon3Document(TComponent* owner) : TChildDocument(owner) {}
  void AddCouponFields() override;
  void ValidateCoupon() override;
  Currency CouponSum() override;
  void AddChildFields() override;
  std::vector<std::string> ChildGroupFields() const override;
  void ValidateChildRow() override;
};

// The document of coupon kind 1, 2 or 3 owned by `owner`; null for
// another kind.
TRegisterDocument* MakeRegisterDocument(int kind, TComponent* owner);
