// Property storage interceptors: proxies whose properties a settings store
// would write and read in place of a target's, so what is stored is a
// resolution-independent view of it (a form's normal bounds at a known
// pixel density, a grid column's width and order).
//
// A process-wide registry maps target classes to interceptor classes. The
// program registers the form interceptor and the grid's column
// interceptors; it has no settings store that reads them, so the registry
// is only filled. GUI thread only.
#pragma once

#include <functional>
#include <vector>

#include "platform/base/object.h"
#include "platform/gui/forms.h"

class TStoragePropertyInterceptor : public TPersistent {
  MEBRATH_CLASS(TStoragePropertyInterceptor, TPersistent)
 public:
  explicit TStoragePropertyInterceptor(TPersistent* target) : FTarget(target) {}
  TPersistent* Target() const { return FTarget; }
  // Whether the store may write the interceptor's properties.
  virtual bool NeedStoreProperties() const { return true; }
  // Applies what the store read to the target.
  virtual void PropertiesReaded() {}

 private:
  TPersistent* FTarget;
};

// The view of a form: its normal bounds and the pixel density they were
// stored at, its window state and its active control.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
  MEBRATH_CLASS(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)
 public:
  // Takes the form's normal bounds, density, state and active control.
  explicit TFormStoragePropertyInterceptor(TPersistent* target);

  // The live normal bounds of the target (0 when it is not a form).
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  // Writing Left or Top marks the position assigned.
  void SetLeft(int value);
  void SetTop(int value);
  void SetWidth(int value) { FWidth = value; }
  void SetHeight(int value) { FHeight = value; }
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int value) { FPixelsPerInch = value; }
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState value) { FWindowState = value; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* value) { FActiveControl = value; }

  // Scales the stored bounds to the screen's density (a stored density of
  // 0 or less counts as the screen's), sets state, active control and
  // bounds, and keeps a centred form from re-centring over an assigned
  // position.
  void PropertiesReaded() override;

 private:
  TCustomForm* Form() const;
  TRect NormalBounds() const;

  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  int FPixelsPerInch = 96;
  TWindowState FWindowState = wsNormal;
  TWinControl* FActiveControl = nullptr;
  bool FPositionAssigned = false;
};

// An interceptor class: its name and how to make one for a target.
struct TPropertyInterceptorClass {
  const TClassInfo* Info = nullptr;
  std::function<TObjectPtr<TStoragePropertyInterceptor>(TPersistent* target)> Create;
};

struct TPropertyInterceptorRegistration {
  const TClassInfo* Target = nullptr;
  TPropertyInterceptorClass Interceptor;
};

// Replaces any registration for `target`, then appends this one.
void RegisterPropertyInterceptor(const TClassInfo* target, TPropertyInterceptorClass interceptor);
// Removes the registrations of exactly this pair.
void UnregisterPropertyInterceptor(const TClassInfo* target, const TClassInfo* interceptor);
const std::vector<TPropertyInterceptorRegistration>& PropertyInterceptorRegistrations();
// The form interceptor for TCustomForm; run once at start-up.
void RegisterFormPropertyInterceptor();
