#include "controls/field_data_link.h"

#include <algorithm>

#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "platform/base/text.h"
#include "platform/data/db_consts.h"

// ------------------------------------------------------------ TFieldDataLinkEh

TFieldDataLinkEh::TFieldDataLinkEh(TComponent* control) : FControl(control) {
  SetVisualControl(true);
}

bool TFieldDataLinkEh::IsOurField(const TField* field) const {
  return std::find(FFields.begin(), FFields.end(), field) != FFields.end();
}

bool TFieldDataLinkEh::HasData() const {
  if (FDataIndependent) return true;
  return Active() && Field() != nullptr;
}

bool TFieldDataLinkEh::CanModify() const {
  if (FDataIndependent) return true;
  if (ReadOnly() || FFields.empty()) return false;
  for (TField* f : FFields) {
    if (!f->CanModify()) return false;
  }
  return true;
}

bool TFieldDataLinkEh::Edit() {
  if (FDataIndependent) {
    if (!FEditing && !ReadOnly()) {
      FEditing = true;
      FModified = false;
      if (OnEditingChange) OnEditingChange(this);
    }
    return FEditing;
  }
  if (CanModify()) TDataLink::Edit();
  return FEditing;
}

void TFieldDataLinkEh::SetText(const std::string& text) {
  if (FDataIndependent) {
    FDataIndependentValue = text;
    RecordChanged(nullptr);
    return;
  }
  TField* field = Field();
  if (field == nullptr) return;
  if (dynamic_cast<TMemoField*>(field) != nullptr) {
    field->SetAsString(text);
  } else {
    field->SetEditText(text);
  }
}

void TFieldDataLinkEh::SetValue(const Variant& value) {
  if (FDataIndependent) {
    FDataIndependentValue = value;
    RecordChanged(nullptr);
    return;
  }
  if (FFields.empty()) return;
  if (FMultiFields && FFields.size() >= 2) {
    if (VarIsNull(value) || VarIsEmpty(value)) {
      for (TField* f : FFields) f->Clear();
      return;
    }
    int n = static_cast<int>(FFields.size());
    if (!VarIsArray(value) || VarArrayHighBound(value) - VarArrayLowBound(value) + 1 < n) {
      throw EVariantError(Format("%d values needed for the fields '%s'", n, FFieldName));
    }
    int low = VarArrayLowBound(value);
    for (int i = 0; i < n; ++i)
      FFields[static_cast<std::size_t>(i)]->SetValue(VarArrayGet(value, low + i));
    return;
  }
  Field()->SetValue(value);
}

void TFieldDataLinkEh::Reset() { RecordChanged(nullptr); }

void TFieldDataLinkEh::SetFieldName(const std::string& value) {
  if (FFieldName == value) return;
  FFieldName = value;
  UpdateField();
  UpdateDataIndependent();
}

void TFieldDataLinkEh::SetDataSource(TDataSource* value) {
  if (DataSource() != value) TDataLink::SetDataSource(value);
  UpdateDataIndependent();
}

void TFieldDataLinkEh::SetMultiFields(bool value) {
  if (FMultiFields == value) return;
  FMultiFields = value;
  UpdateField();
}

void TFieldDataLinkEh::UpdateDataIndependent() {
  bool own = DataSource() == nullptr && FFieldName.empty();
  if (own == FDataIndependent) return;
  FDataIndependent = own;
  FDataIndependentValue = Variant();
  FEditing = false;
  FModified = false;
  UpdateField();
  if (own) RecordChanged(nullptr);
}

void TFieldDataLinkEh::ClearFields() { FFields.clear(); }

void TFieldDataLinkEh::UpdateField() {
  std::vector<TField*> fields;
  if (Active() && !FFieldName.empty()) {
    TDataSet* ds = DataSet();
    std::vector<std::string> names;
    if (FMultiFields) {
      std::string rest = FFieldName;
      std::size_t p;
      while ((p = rest.find(';')) != std::string::npos) {
        names.push_back(Trim(rest.substr(0, p)));
        rest.erase(0, p + 1);
      }
      names.push_back(Trim(rest));
      names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
    } else {
      names.push_back(FFieldName);
    }
    for (const std::string& name : names) {
      if (FControl == nullptr) {
        fields.push_back(ds->FieldByName(name));
      } else {
        TField* f = ds->FindField(name);
        if (f == nullptr) DatabaseError(Format(SFieldNotFound, name), FControl);
        fields.push_back(f);
      }
    }
  }
  FFields = std::move(fields);
  SetEditingValue(TDataLink::Editing() && CanModify());
  RecordChanged(nullptr);
}

void TFieldDataLinkEh::SetEditingValue(bool value) {
  if (FDataIndependent) return;
  if (FEditing == value) return;
  FEditing = value;
  FModified = false;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLinkEh::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLinkEh::EditingChanged() { SetEditingValue(TDataLink::Editing() && CanModify()); }

void TFieldDataLinkEh::FocusControl(TField*& field) {
  if (field == nullptr || !IsOurField(field)) return;
  auto* control = dynamic_cast<TWinControl*>(FControl);
  if (control == nullptr || !control->CanFocus()) return;
  field = nullptr;
  control->SetFocus();
}

void TFieldDataLinkEh::LayoutChanged() { UpdateField(); }

void TFieldDataLinkEh::RecordChanged(TField* field) {
  if (field != nullptr && !IsOurField(field)) return;
  if (OnDataChange) OnDataChange(this);
  FModified = false;
}

void TFieldDataLinkEh::UpdateData() {
  if (FDataIndependent) {
    if (FModified && OnUpdateData) OnUpdateData(this);
    FEditing = false;
    FModified = false;
    return;
  }
  if (FModified && Field() != nullptr) {
    if (OnUpdateData) OnUpdateData(this);
    FModified = false;
  }
}

void TFieldDataLinkEh::DataEvent(TDataEvent event, std::intptr_t info) {
  TDataLink::DataEvent(event, info);
  if (event != deDisabledStateChange) return;
  if (info != 0) {
    UpdateField();
  } else {
    ClearFields();
  }
}

// ------------------------------------------------------------ TEditImageEh

TEditImageEh::TEditImageEh(TWinControl* owner) : FOwner(owner) {}

void TEditImageEh::Changed() {
  if (FOwner != nullptr) {
    FOwner->Perform(CM_EDITIMAGECHANGEDEH, 0, reinterpret_cast<LPARAM>(this));
  }
}

void TEditImageEh::SetImages(TCustomImageList* value) {
  if (FImages == value) return;
  FImages = value;
  if (value != nullptr && FOwner != nullptr) value->FreeNotification(FOwner);
  Changed();
}

void TEditImageEh::SetImageIndex(int value) {
  if (FImageIndex == value) return;
  FImageIndex = value;
  if (FOwner != nullptr) FOwner->Invalidate();
}

void TEditImageEh::SetVisible(bool value) {
  if (FVisible == value) return;
  FVisible = value;
  Changed();
}

void TEditImageEh::SetWidth(int value) {
  if (FWidth == value) return;
  FWidth = value;
  Changed();
}

void TEditImageEh::SetUseImageHeight(bool value) {
  if (FUseImageHeight == value) return;
  FUseImageHeight = value;
  Changed();
}

void TEditImageEh::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TEditImageEh*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  SetImages(src->FImages);
  SetImageIndex(src->FImageIndex);
  SetVisible(src->FVisible);
  SetWidth(src->FWidth);
}
