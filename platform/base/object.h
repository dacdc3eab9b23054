// TObject and TPersistent: the roots of the object model.
//
// Every class of the framework derives from TObject and names itself with
// MEBRATH_CLASS, which gives it its classic class name and the chain of
// parent names (ClassName, ClassParentName, InheritsFrom). TPersistent adds
// the classic Assign/AssignTo protocol. Components (component.h) build on
// both. GUI thread only.
//
// Objects are made in one of three ways:
//   - components: Create<T>(owner, args...) (component.h); the owner frees;
//   - any TObject with a single owner: CreateUnique<T>(args...), which
//     returns a TObjectPtr<T> that frees it through Free();
//   - plain value classes (string lists, collections) by value.
// There is no naked delete outside this machinery.
#pragma once

#include <concepts>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

// The name of a class and its parent's, as MEBRATH_CLASS records them.
// Plain record; one constant per class, so its address identifies the class.
struct TClassInfo {
  std::string_view Name;
  const TClassInfo* Parent;
};

// Constructs framework objects. Classes that declare MEBRATH_CLASS make it
// their friend, so their constructors can be protected and still be reached
// by Create, CreateUnique and the item factories of collections.
struct TObjectFactory {
  template <class T, class... A>
  static T* New(A&&... args) {
    return new T(std::forward<A>(args)...);
  }
};

// Declares a class's name and parent. Put it first in the class body: it
// leaves the access at private, as a class body starts.
//   class TTable : public TDataSet {
//     MEBRATH_CLASS(TTable, TDataSet)
//    public: ...
#define MEBRATH_CLASS(Name, Parent)                                           \
 public:                                                                      \
  static constexpr TClassInfo kClassInfo{#Name, &Parent::kClassInfo};         \
  const TClassInfo& ClassInfo() const override {                              \
    static_assert(std::is_base_of_v<Parent, Name>, #Parent " is not a base"); \
    return kClassInfo;                                                        \
  }                                                                           \
  friend struct ::TObjectFactory;                                             \
                                                                              \
 private:

class TObject {
 public:
  static constexpr TClassInfo kClassInfo{"TObject", nullptr};

  TObject() = default;
  virtual ~TObject() = default;

  // The class's record; MEBRATH_CLASS overrides it in every class.
  virtual const TClassInfo& ClassInfo() const { return kClassInfo; }
  // The classic class name of the object's most derived class.
  std::string ClassName() const { return std::string(ClassInfo().Name); }
  // The parent class's name; empty for TObject.
  std::string ClassParentName() const;
  // True when the object's class or one of its ancestors is named
  // `className` (ASCII case-insensitive).
  bool InheritsFrom(std::string_view className) const;

  // Runs after the most derived constructor, when the object is created by
  // Create or CreateUnique: the place for steps that need virtual dispatch
  // to the derived class.
  virtual void AfterConstruction() {}
  // Runs before the destructors, while the object is still fully derived,
  // when it is destroyed through Free (and, for components, in any case).
  // Must not throw.
  virtual void BeforeDestruction() {}

  // Destroys the object: BeforeDestruction, then the destructors.
  // REQUIRES: the object was made with new (Create, CreateUnique) and nobody
  // else frees it (a component's owner is told; a TObjectPtr is not).
  // A component already being destroyed ignores a second Free.
  void Free();

 private:
  // The steps that run before `delete this`; returns false when the object
  // is already being destroyed and must not be deleted again.
  virtual bool BeginDestroy() {
    BeforeDestruction();
    return true;
  }
};

// Frees `object` when it is not null and sets the pointer to null first.
template <std::derived_from<TObject> T>
void FreeAndNil(T*& object) {
  T* doomed = object;
  object = nullptr;
  if (doomed != nullptr) doomed->Free();
}

// Deleter for unique_ptr: destroys through Free so BeforeDestruction runs.
struct TObjectDeleter {
  void operator()(TObject* object) const {
    if (object != nullptr) object->Free();
  }
};
template <class T>
using TObjectPtr = std::unique_ptr<T, TObjectDeleter>;

class TComponent;

// Makes a T owned by the returned pointer and calls its AfterConstruction.
// A component made this way has no owner: the constructor receives nullptr
// as its owner, followed by `args`.
template <std::derived_from<TObject> T, class... A>
TObjectPtr<T> CreateUnique(A&&... args) {
  T* object;
  if constexpr (std::derived_from<T, TComponent>) {
    object = TObjectFactory::New<T>(static_cast<TComponent*>(nullptr), std::forward<A>(args)...);
  } else {
    object = TObjectFactory::New<T>(std::forward<A>(args)...);
  }
  TObjectPtr<T> holder(object);
  static_cast<TObject*>(object)->AfterConstruction();  // overrides may be protected
  return holder;
}

using TNotifyEvent = std::function<void(TObject* sender)>;

// An object that can copy its state from another (Assign), with the classic
// double dispatch: a class that knows how to copy from another overrides
// Assign; a class that knows how to copy itself into another overrides
// AssignTo.
class TPersistent : public TObject {
  MEBRATH_CLASS(TPersistent, TObject)
 public:
  // Copies `source` into this object. The default asks the source
  // (source->AssignTo(this)). Raises EConvertError "Cannot assign a %s to a
  // %s" when neither side knows how (source class or "nil", then this
  // class).
  virtual void Assign(const TPersistent* source);
  // The object that owns this one for naming purposes; none by default.
  virtual TPersistent* GetOwner() const { return nullptr; }
  // A dotted name that locates the object from its top owner, e.g.
  // "Form1.Table1". The default is the owner's path (if any) plus the class
  // name; components answer their Name.
  virtual std::string GetNamePath() const;

 protected:
  // Copies this object into `dest`; raises EConvertError by default.
  virtual void AssignTo(TPersistent* dest) const;
  // Raises the EConvertError of a failed Assign from `source` to this.
  [[noreturn]] void AssignError(const TPersistent* source) const;
};
