#include "grid/property_interceptors.h"

#include "platform/base/math_utils.h"

namespace {

std::vector<TPropertyInterceptorRegistration>& Registry() {
  static std::vector<TPropertyInterceptorRegistration> registry;
  return registry;
}

int ScreenPixelsPerInch() {
  return Screen != nullptr ? Screen->PixelsPerInch() : kScreenPixelsPerInch;
}

}  // namespace

void RegisterPropertyInterceptor(const TClassInfo* target, TPropertyInterceptorClass interceptor) {
  auto& registry = Registry();
  for (auto i = registry.size(); i-- > 0;)
    if (registry[i].Target == target) registry.erase(registry.begin() + static_cast<long>(i));
  registry.push_back({target, std::move(interceptor)});
}

void UnregisterPropertyInterceptor(const TClassInfo* target, const TClassInfo* interceptor) {
  std::erase_if(Registry(), [&](const TPropertyInterceptorRegistration& r) {
    return r.Target == target && r.Interceptor.Info == interceptor;
  });
}

const std::vector<TPropertyInterceptorRegistration>& PropertyInterceptorRegistrations() {
  return Registry();
}

void RegisterFormPropertyInterceptor() {
  RegisterPropertyInterceptor(
      &TCustomForm::kClassInfo,
      {&TFormStoragePropertyInterceptor::kClassInfo, [](TPersistent* target) {
         return TObjectPtr<TStoragePropertyInterceptor>(
             CreateUnique<TFormStoragePropertyInterceptor>(target).release());
       }});
}

// ---- TFormStoragePropertyInterceptor

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(TPersistent* target)
    : TStoragePropertyInterceptor(target) {
  if (TCustomForm* form = Form()) {
    const TRect r = NormalBounds();
    FLeft = r.Left;
    FTop = r.Top;
    FWidth = r.Right - r.Left;
    FHeight = r.Bottom - r.Top;
    FPixelsPerInch = ScreenPixelsPerInch();
    FWindowState = form->WindowState();
    FActiveControl = form->ActiveControl();
  }
}

TCustomForm* TFormStoragePropertyInterceptor::Form() const {
  return dynamic_cast<TCustomForm*>(Target());
}

TRect TFormStoragePropertyInterceptor::NormalBounds() const {
  TCustomForm* form = Form();
  if (form == nullptr) return {};
  if (form->WindowState() != wsNormal && form->HandleAllocated())
    return GetWindowNormalBounds(form->Handle());
  return {form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()};
}

int TFormStoragePropertyInterceptor::Left() const { return NormalBounds().Left; }
int TFormStoragePropertyInterceptor::Top() const { return NormalBounds().Top; }
int TFormStoragePropertyInterceptor::Width() const {
  const TRect r = NormalBounds();
  return r.Right - r.Left;
}
int TFormStoragePropertyInterceptor::Height() const {
  const TRect r = NormalBounds();
  return r.Bottom - r.Top;
}

void TFormStoragePropertyInterceptor::SetLeft(int value) {
  FLeft = value;
  FPositionAssigned = true;
}

void TFormStoragePropertyInterceptor::SetTop(int value) {
  FTop = value;
  FPositionAssigned = true;
}

void TFormStoragePropertyInterceptor::PropertiesReaded() {
  TCustomForm* form = Form();
  if (form == nullptr) return;
  const int screenPpi = ScreenPixelsPerInch();
  const int storedPpi = FPixelsPerInch > 0 ? FPixelsPerInch : screenPpi;
  const int left = MulDiv(FLeft, screenPpi, storedPpi);
  const int top = MulDiv(FTop, screenPpi, storedPpi);
  const int width = MulDiv(FWidth, screenPpi, storedPpi);
  const int height = MulDiv(FHeight, screenPpi, storedPpi);
  form->SetWindowState(FWindowState);
  if (FActiveControl != nullptr) form->SetActiveControl(FActiveControl);
  if (FWindowState != wsNormal && form->HandleAllocated()) {
    SetWindowNormalBounds(form->Handle(), Bounds(left, top, width, height));
  } else {
    form->SetBounds(left, top, width, height);
  }
  const TPosition position = form->Position();
  if ((position == poScreenCenter || position == poDesktopCenter) &&
      !form->ComponentState().Contains(csDesigning) && FPositionAssigned)
    form->SetPosition(poDesigned);
}
