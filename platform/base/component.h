// TComponent: named objects that own other components and hear when the
// components they refer to go away.
//
// Ownership: a component is made with Create<T>(owner, args...) and belongs
// to its owner, which destroys its components in reverse order of insertion
// when it is destroyed itself. A component freed on its own leaves its
// owner. Create<T>(nullptr, ...) leaves ownership with the caller, who frees
// it with Free()/FreeAndNil, or use CreateUnique<T>() (object.h).
//
// Weak references: a component that keeps a pointer to another one either
// shares its owner (the owner forwards every insert/remove notification to
// all its components) or calls FreeNotification on it; in both cases it
// receives Notification(other, opRemove) before `other` goes, and must drop
// the pointer there. A handler may see the same removal more than once.
//
// Destruction (whichever way it starts: Free, the owner, a TObjectPtr, or a
// plain destructor call), exactly once:
//   1. Destroying(): csDestroying on the component and everything it owns;
//      it leaves the global registry;
//   2. BeforeDestruction() (fully derived unless destruction started from a
//      destructor);
//   3. every component on its free-notification list gets
//      Notification(this, opRemove) and forgets it;
//   4. its owned components are destroyed, last inserted first;
//   5. it leaves its owner, which gets Notification(this, opRemove) and
//      forwards it to its other components;
//   6. the C++ destructors run.
// BeforeDestruction and Notification handlers must not throw.
//
// GUI thread only.
#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/object.h"
#include "platform/base/sets.h"

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag { csLoading, csReading, csDesigning, csDestroying };
using TComponentState = TSet<TComponentStateFlag>;

class TComponent;
template <std::derived_from<TComponent> T, class... A>
T* Create(TComponent* owner, A&&... args);

class TComponent : public TPersistent {
  MEBRATH_CLASS(TComponent, TPersistent)
 public:
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  ~TComponent() override;

  // --- ownership
  TComponent* Owner() const { return FOwner; }
  TPersistent* GetOwner() const override { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // The index-th owned component in order of insertion. Raises EListError
  // "List index out of bounds (%d)" on a bad index.
  TComponent* Components(int index) const;
  // Makes this component the owner of `component`, taking it from its
  // previous owner, and sends Notification(component, opInsert). Raises
  // EComponentError when its name is taken here ("A component named %s
  // already exists") or when it is this component or one of its owners;
  // nothing changes then.
  void InsertComponent(TComponent* component);
  // Gives up ownership of `component` (the caller owns it afterwards) and
  // sends Notification(component, opRemove). Ignored when this component
  // is not its owner.
  void RemoveComponent(TComponent* component);
  // The owned component named `name` (ASCII case-insensitive); nullptr when
  // none or when `name` is empty.
  TComponent* FindComponent(std::string_view name) const;

  // --- name and tag
  const std::string& Name() const { return FName; }
  // Raises EComponentError "'%s' is not a valid component name" unless
  // `name` is empty or an identifier (ASCII letter or underscore, then
  // letters, digits, underscores), and "A component named %s already
  // exists" when another component of the same owner has it (case
  // ignored).
  void SetName(const std::string& name);
  std::intptr_t Tag() const { return FTag; }
  void SetTag(std::intptr_t tag) { FTag = tag; }
  // The component's Name.
  std::string GetNamePath() const override { return FName; }

  // --- state
  TComponentState ComponentState() const { return FComponentState; }
  // Sets or clears csDesigning here and on every owned component.
  void SetDesigning(bool designing);
  // Marks the component as being loaded (csLoading, csReading) while its
  // properties are set in bulk. EndLoading clears csReading and calls
  // Loaded(), which clears csLoading.
  void BeginLoading();
  void EndLoading();

  // --- notifications
  // Makes this component and `component` tell each other when one of them
  // is destroyed (Notification(..., opRemove)). Ignored for nullptr, for
  // this component itself.
  void FreeNotification(TComponent* component);
  // Undoes FreeNotification in both directions.
  void RemoveFreeNotification(TComponent* component);

 protected:
  // REQUIRES: made through Create (or CreateUnique), so that the owner can
  // free it. The owner lists the component at once; its opInsert
  // notification is sent by Create when the object is complete.
  explicit TComponent(TComponent* owner);

  // Called when `component` is inserted into or removed from this
  // component's owned list, when a sibling is (the owner forwards), and for
  // free notifications. The base drops `component` from the
  // free-notification list on opRemove and forwards the notification to
  // every owned component: overrides must call it.
  virtual void Notification(TComponent* component, TOperation operation);
  // Called by EndLoading; clears csLoading. Overrides call the base.
  virtual void Loaded();
  // Sets csDestroying here and on every owned component.
  void Destroying();

 private:
  template <std::derived_from<TComponent> T, class... A>
  friend T* Create(TComponent* owner, A&&... args);

  bool BeginDestroy() override;
  // Steps 3 to 5 of the destruction.
  void ReleaseReferences();
  // Adds to the owned list without notification.
  void Insert(TComponent* component);
  // Checks that `newName` may be given to `component`, an owned component.
  void ValidateRename(const TComponent* component, std::string_view newName) const;

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  std::string FName;
  std::intptr_t FTag = 0;
  TComponentState FComponentState;
  bool FDestroyStarted = false;
  bool FGlobal = false;

  friend void RegisterGlobalComponent(TComponent* component);
  friend void UnregisterGlobalComponent(TComponent* component);
};

// Makes a T with `owner` (which may be null: then the caller owns it),
// announces it to the owner (opInsert), and calls AfterConstruction. If
// AfterConstruction throws, the object is freed and the exception goes on.
// T's constructor takes the owner first: T(TComponent* owner, args...).
template <std::derived_from<TComponent> T, class... A>
T* Create(TComponent* owner, A&&... args) {
  T* component = TObjectFactory::New<T>(owner, std::forward<A>(args)...);
  TObjectPtr<T> holder(component);
  if (TComponent* o = component->FOwner) o->Notification(component, opInsert);
  static_cast<TObject*>(component)->AfterConstruction();  // overrides may be protected
  return holder.release();
}

// --- class registry: making components from their class name.

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

// A registered class.
struct TComponentClass {
  std::string Name;
  const TClassInfo* Info = nullptr;  // set when registered by RegisterClass<T>
  TComponentFactory Factory;

  // Makes an instance owned by `owner` (null: the caller owns it).
  TComponent* CreateInstance(TComponent* owner) const { return Factory(owner); }
};

// Registers `factory` under `name` (case-insensitive). Raises EFilerError
// "A class named %s already exists" when the name is taken.
void RegisterClass(std::string name, TComponentFactory factory);
// Registers T under its class name; registering the same T again is
// ignored.
void RegisterClass(const TClassInfo& info, TComponentFactory factory);
template <std::derived_from<TComponent> T>
void RegisterClass() {
  RegisterClass(T::kClassInfo, [](TComponent* owner) -> TComponent* { return Create<T>(owner); });
}
void UnRegisterClass(std::string_view name);
// The class registered as `name`; raises EClassNotFound "Class %s not
// found". The reference stays valid until the class is unregistered.
const TComponentClass& FindClass(std::string_view name);
// The class registered as `name`, or nullptr.
const TComponentClass* GetClass(std::string_view name);

// --- global components: the forms and data modules that paths start from.

// Adds `component` to the registry (once; not while it is being
// destroyed); it leaves it by itself when destroyed.
void RegisterGlobalComponent(TComponent* component);
void UnregisterGlobalComponent(TComponent* component);
// The first registered component named `name` (case-insensitive), or
// nullptr.
TComponent* FindGlobalComponent(std::string_view name);
// Walks "Form1.Table1.Field1": a global component, then FindComponent for
// each further name. nullptr when any step is missing or a name is empty.
TComponent* FindComponentByPath(std::string_view path);
