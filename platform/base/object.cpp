#include "platform/base/object.h"

#include "platform/base/exceptions.h"

namespace {

bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
    if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string TObject::ClassParentName() const {
  const TClassInfo* parent = ClassInfo().Parent;
  return parent != nullptr ? std::string(parent->Name) : std::string();
}

bool TObject::InheritsFrom(std::string_view className) const {
  for (const TClassInfo* info = &ClassInfo(); info != nullptr; info = info->Parent) {
    if (SameAsciiText(info->Name, className)) return true;
  }
  return false;
}

void TObject::Free() {
  if (BeginDestroy()) delete this;
}

void TPersistent::Assign(const TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  std::string sourceName = source != nullptr ? source->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() const {
  std::string result = ClassName();
  if (const TPersistent* owner = GetOwner()) {
    std::string path = owner->GetNamePath();
    if (!path.empty()) result = path + "." + result;
  }
  return result;
}
