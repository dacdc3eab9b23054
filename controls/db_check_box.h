// TCustomDBCheckBoxEh: a check box bound to one field, or keeping a value
// of its own with neither data source nor field (own-value mode). Three
// states; a Boolean field maps directly, any other field through the ';'
// lists ValueChecked and ValueUnchecked (compared ignoring case, the first
// entry written); a null field, or text in neither list, shows grayed.
// A click or Space cycles the state when the field can be edited;
// leaving the box posts it into the record (UpdateRecord), and a failure
// there keeps the focus. TDBCheckBoxEh publishes the properties. GUI
// thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/field_data_link.h"
#include "platform/widgets/std_buttons.h"

// Sender, var Handled.
using TUpdateDataEventEh = std::function<void(TObject* sender, bool& handled)>;

// Whether `text` equals one of the ';' entries of `list`, ignoring case.
bool CheckBoxTextMatchesEh(const std::string& text, const std::string& list);

class TCustomDBCheckBoxEh : public TButtonControl {
  MEBRATH_CLASS(TCustomDBCheckBoxEh, TButtonControl)
 public:
  TDataSource* DataSource() const { return FDataLink->DataSource(); }
  void SetDataSource(TDataSource* value);
  const std::string& DataField() const { return FDataLink->FieldName(); }
  void SetDataField(const std::string& value);
  TField* Field() const { return FDataLink->Field(); }
  TFieldDataLinkEh* DataLink() const { return FDataLink.get(); }
  bool ReadOnly() const { return FDataLink->ReadOnly(); }
  void SetReadOnly(bool value) { FDataLink->SetReadOnly(value); }

  // taRightJustify (the default): the caption right of the box.
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool value) { FAllowGrayed = value; }
  bool AlwaysShowBorder() const { return FAlwaysShowBorder; }
  void SetAlwaysShowBorder(bool value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  const std::string& ValueChecked() const { return FValueChecked; }
  void SetValueChecked(const std::string& value);
  const std::string& ValueUnchecked() const { return FValueUnchecked; }
  void SetValueUnchecked(const std::string& value);

  TCheckBoxState State() const { return FState; }
  // As the user would: starts editing (bound), sets the state, then
  // commits (the update-data event, then UpdateData) unless inside that
  // event. A half-bound box (no usable field) ignores the write.
  void SetStateValue(TCheckBoxState value);
  bool Checked() const { return GetChecked(); }
  void SetCheckedValue(bool value) { SetChecked(value); }

  // Runs before the state is written into the field; Handled skips it.
  TUpdateDataEventEh OnUpdateData;

  void WndProc(TMessage& message) override;

 protected:
  explicit TCustomDBCheckBoxEh(TComponent* owner);
  ~TCustomDBCheckBoxEh() override;

  virtual void PaintControl(TCanvas& canvas);
  virtual bool IsOwnValue() const { return FDataLink->DataIndependent(); }
  virtual void DrawCaption(TCanvas& canvas, const TRect& rect, TAlignment alignment);
  virtual void DrawCheck(TCanvas& canvas, const TRect& rect, TCheckBoxState state, bool pressed,
                         bool hot);
  virtual void DrawState(TCanvas& canvas, TCheckBoxState state, bool pressed, bool hot);
  // Stores the state; on a change repaints, fires OnClick (unless a click
  // is taking the focus) and marks the state changed.
  virtual void SetState(TCheckBoxState value);
  // Writes the state into the field or the own value.
  virtual void UpdateData();
  // Cycles the state when the link can edit.
  virtual void Toggle();
  // The update-data event, then UpdateData unless it was handled.
  virtual void DoUpdateData();

  bool GetChecked() const override { return FState == cbChecked; }
  void SetChecked(bool value) override { SetStateValue(value ? cbChecked : cbUnchecked); }
  void PressCompleted() override;
  void AccelPressed() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void DoExit() override;
  void Paint() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void DataChange();
  TCheckBoxState ReadState() const;

  std::unique_ptr<TFieldDataLinkEh> FDataLink;
  TAlignment FAlignment = taRightJustify;
  bool FAllowGrayed = false;
  bool FAlwaysShowBorder = false;
  bool FFlat = false;
  TCheckBoxState FState = cbUnchecked;
  std::string FValueChecked = "True";
  std::string FValueUnchecked = "False";
  bool FMouseInControl = false;
  bool FStateChanged = false;
  bool FInUpdateDataEvent = false;
};

class TDBCheckBoxEh : public TCustomDBCheckBoxEh {
  MEBRATH_CLASS(TDBCheckBoxEh, TCustomDBCheckBoxEh)
 protected:
  explicit TDBCheckBoxEh(TComponent* owner) : TCustomDBCheckBoxEh(owner) {}
};
