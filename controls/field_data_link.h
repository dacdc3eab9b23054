// TFieldDataLinkEh binds one edit control to one field (or, in multi-field
// mode, to a ';' list of fields) of a dataset; with neither a data source
// nor a field name it is in own-value mode and keeps the edited value
// itself, so the same control works without any dataset.
// TEditImageEh is the image an edit box may show at its left edge.
//
// A half-bound link (a field name without a data source, or a data source
// without a usable field) writes nothing: SetText and SetValue ignore the
// value instead of reaching for a field that is not there. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/variant.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"
#include "platform/draw/image_list.h"
#include "platform/gui/controls.h"

class TFieldDataLinkEh;
using TFieldDataLinkEventEh = std::function<void(TFieldDataLinkEh* link)>;

class TFieldDataLinkEh : public TDataLink {
 public:
  explicit TFieldDataLinkEh(TComponent* control = nullptr);

  // The resolved fields; Field() is the first, or null.
  const std::vector<TField*>& Fields() const { return FFields; }
  TField* Field() const { return FFields.empty() ? nullptr : FFields.front(); }
  const std::string& FieldName() const { return FFieldName; }
  // Re-resolves the fields; raises the field-not-found error (naming the
  // control) when the link is active and the dataset lacks one.
  void SetFieldName(const std::string& value);
  // The TDataLink setter, then the own-value check.
  void SetDataSource(TDataSource* value);
  TComponent* Control() const { return FControl; }
  bool MultiFields() const { return FMultiFields; }
  void SetMultiFields(bool value);

  // No data source and no field name: the link keeps the value.
  bool DataIndependent() const { return FDataIndependent; }
  const Variant& DataIndependentValue() const { return FDataIndependentValue; }
  // Own-value mode, or active with a field.
  bool HasData() const;
  // Own-value mode, or every field exists and can be modified.
  bool CanModify() const;
  // Own-value mode: the link's editing flag; else the dataset is editing
  // and the link can modify.
  bool Editing() const { return FEditing; }
  // Starts editing (the dataset's edit state when bound); returns Editing.
  bool Edit();
  bool IsModified() const { return FModified; }
  void Modified() { FModified = true; }
  // Own value: stored and the control re-reads it. Bound: a memo takes the
  // text as its string, any other field as its edit text (its conversion
  // and validation). Half-bound: nothing.
  void SetText(const std::string& text);
  // Own value: stored. Several fields: Null clears them all, an array gives
  // field i element i (an array too short raises EVariantError). One
  // field: its Value. Half-bound: nothing.
  void SetValue(const Variant& value);
  // The control re-reads the field.
  void Reset() override;

  TFieldDataLinkEventEh OnDataChange;
  TFieldDataLinkEventEh OnEditingChange;
  TFieldDataLinkEventEh OnUpdateData;
  TFieldDataLinkEventEh OnActiveChange;

  // TDataLink
  void DataEvent(TDataEvent event, std::intptr_t info) override;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField*& field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  bool IsOurField(const TField* field) const;
  void UpdateField();
  void ClearFields();
  void SetEditingValue(bool value);
  void UpdateDataIndependent();

  std::vector<TField*> FFields;
  std::string FFieldName;
  TComponent* FControl;
  bool FMultiFields = false;
  bool FDataIndependent = true;
  bool FEditing = false;
  bool FModified = false;
  Variant FDataIndependentValue;
};

// Sent to the owning control when the image's layout changes (LParam: the
// TEditImageEh), so that it lays its text area out again.
inline constexpr unsigned CM_EDITIMAGECHANGEDEH = WM_USER + 101;

class TEditImageEh : public TPersistent {
  MEBRATH_CLASS(TEditImageEh, TPersistent)
 public:
  explicit TEditImageEh(TWinControl* owner);
  TWinControl* Owner() const { return FOwner; }
  // The owner clears it in its Notification when the list is destroyed.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  int ImageIndex() const { return FImageIndex; }
  // Only repaints the owner.
  void SetImageIndex(int value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  bool UseImageHeight() const { return FUseImageHeight; }
  void SetUseImageHeight(bool value);
  // Copies Images, ImageIndex, Visible and Width.
  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  void Changed();

  TWinControl* FOwner;
  TCustomImageList* FImages = nullptr;
  int FImageIndex = -1;
  bool FVisible = false;
  int FWidth = 0;
  bool FUseImageHeight = true;
};
