#include "platform/base/component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using TLog = std::vector<std::string>;

// Records its life in a shared log and its notifications in Notes; keeps a
// weak reference in Ref, cleared on removal as real components do.
class TProbe : public TComponent {
  MEBRATH_CLASS(TProbe, TComponent)
 public:
  ~TProbe() override { Record("~" + Name()); }

  TLog Notes;
  TComponent* Ref = nullptr;
  bool FreeRemovedAgain = false;  // misbehaving handler: frees what is going
  bool LoadedCalled = false;

 protected:
  explicit TProbe(TComponent* owner, TLog* log = nullptr) : TComponent(owner), FLog(log) {}

  void AfterConstruction() override { Record("after " + ClassName()); }
  void BeforeDestruction() override { Record("before " + ClassName() + " " + Name()); }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opInsert) {
      Notes.push_back("+" + component->ClassName());
      return;
    }
    Notes.push_back("-" + component->Name());
    if (component == Ref) Ref = nullptr;
    if (FreeRemovedAgain) component->Free();
  }
  void Loaded() override {
    TComponent::Loaded();
    LoadedCalled = true;
  }

  void Record(const std::string& entry) {
    if (FLog != nullptr) FLog->push_back(entry);
  }

 private:
  TLog* FLog;
};

class TDerivedProbe : public TProbe {
  MEBRATH_CLASS(TDerivedProbe, TProbe)
 protected:
  using TProbe::TProbe;
};

class TFailingProbe : public TProbe {
  MEBRATH_CLASS(TFailingProbe, TProbe)
 protected:
  using TProbe::TProbe;
  void AfterConstruction() override { throw EAbort("no"); }
};

TProbe* Named(TComponent* owner, const std::string& name, TLog* log = nullptr) {
  TProbe* probe = Create<TProbe>(owner, log);
  probe->SetName(name);
  return probe;
}

template <class E, class F>
std::string ErrorOf(F action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace

TEST(Component, VirtualHooksSeeTheDerivedClass) {
  TLog log;
  TDerivedProbe* probe = Create<TDerivedProbe>(nullptr, &log);
  probe->SetName("P");
  probe->Free();
  EXPECT_EQ(log, (TLog{"after TDerivedProbe", "before TDerivedProbe P", "~P"}));

  log.clear();
  TProbe* owner = Named(nullptr, "Owner");
  EXPECT_THROW(Create<TFailingProbe>(owner, &log), EAbort);
  EXPECT_EQ(owner->ComponentCount(), 0);
  EXPECT_EQ(log, (TLog{"before TFailingProbe ", "~"}));
  owner->Free();
}

TEST(Component, OwnerFreesItsComponentsLastFirst) {
  TLog log;
  TProbe* owner = Named(nullptr, "Owner", &log);
  for (const char* name : {"A", "B", "C"}) Named(owner, name, &log);
  ASSERT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(1)->Name(), "B");
  EXPECT_EQ(owner->Notes, (TLog{"+TProbe", "+TProbe", "+TProbe"}));
  EXPECT_EQ(ErrorOf<EListError>([&] { owner->Components(3); }), "List index out of bounds (3)");

  log.clear();
  owner->Free();
  EXPECT_EQ(log, (TLog{"before TProbe Owner", "before TProbe C", "~C", "before TProbe B", "~B",
                       "before TProbe A", "~A", "~Owner"}));
}

TEST(Component, FreedComponentLeavesItsOwnerAndSiblingsHear) {
  TProbe* owner = Named(nullptr, "Owner");
  TProbe* a = Named(owner, "A");
  TProbe* b = Named(owner, "B");
  a->Ref = b;
  owner->Notes.clear();
  a->Notes.clear();

  b->Free();
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(owner->Notes, TLog{"-B"});
  EXPECT_EQ(a->Ref, nullptr);

  // Taken out, it belongs to the caller.
  owner->RemoveComponent(a);
  EXPECT_EQ(a->Owner(), nullptr);
  EXPECT_EQ(owner->ComponentCount(), 0);
  owner->Free();
  a->Free();
}

TEST(Component, FreeNotificationWorksBothWaysAndLeavesNoDanglingEntry) {
  TProbe* x = Named(nullptr, "X");
  TProbe* y = Named(nullptr, "Y");
  x->Ref = y;
  x->FreeNotification(y);
  y->Free();
  EXPECT_EQ(x->Ref, nullptr);
  EXPECT_EQ(x->Notes, TLog{"-Y"});

  TProbe* z = Named(nullptr, "Z");
  x->FreeNotification(z);  // the other direction: x goes first
  x->Free();
  EXPECT_EQ(z->Notes, TLog{"-X"});
  z->Free();

  // A component freed first is gone from every list it was on; the sanitizer
  // catches any later call into it.
  TProbe* u = Named(nullptr, "U");
  TProbe* v = Named(nullptr, "V");
  TProbe* w = Named(nullptr, "W");
  w->FreeNotification(u);
  v->FreeNotification(w);
  w->FreeNotification(u);  // a repeat adds nothing
  w->Free();
  EXPECT_EQ(u->Notes, TLog{"-W"});
  EXPECT_EQ(v->Notes, TLog{"-W"});
  u->Free();
  v->Free();

  TProbe* p = Named(nullptr, "P");
  TProbe* q = Named(nullptr, "Q");
  p->FreeNotification(q);
  q->RemoveFreeNotification(p);
  q->Free();
  EXPECT_TRUE(p->Notes.empty());
  p->Free();
}

TEST(Component, FreeingAComponentThatIsGoingIsHarmless) {
  TProbe* x = Named(nullptr, "X");
  TProbe* owner = Named(nullptr, "Owner");
  TProbe* child = Named(owner, "Child");
  x->FreeNotification(child);
  x->FreeRemovedAgain = true;
  owner->Free();  // x frees the child again from its handler
  EXPECT_EQ(x->Notes, TLog{"-Child"});
  x->Free();
}

TEST(Component, DestructionWithoutFreeStillReleasesReferences) {
  TLog log;
  TProbe* watcher = Named(nullptr, "Watcher");
  {
    TObjectPtr<TProbe> held = CreateUnique<TProbe>(&log);
    held->SetName("Held");
    Named(held.get(), "Inner", &log);
    watcher->FreeNotification(held.get());
  }
  EXPECT_EQ(log, (TLog{"after TProbe", "after TProbe", "before TProbe Held", "before TProbe Inner",
                       "~Inner", "~Held"}));
  EXPECT_EQ(watcher->Notes, TLog{"-Held"});

  // A plain delete skips Free: the derived parts are gone before the
  // notifications, but nobody is left pointing at the object.
  {
    std::unique_ptr<TProbe> plain(Create<TProbe>(nullptr));
    plain->SetName("Plain");
    watcher->FreeNotification(plain.get());
  }
  EXPECT_EQ(watcher->Notes, (TLog{"-Held", "-Plain"}));
  watcher->Free();
}

TEST(Component, Names) {
  TProbe* owner = Named(nullptr, "Owner");
  TProbe* table = Named(owner, "Table1");
  for (const char* good : {"", "A", "_x1", "Table_2"}) {
    TProbe* probe = Create<TProbe>(owner);
    EXPECT_NO_THROW(probe->SetName(good)) << good;
    probe->Free();
  }
  for (const char* bad : {"1abc", "a b", "a-b", "a.b", "Жук"}) {
    EXPECT_EQ(ErrorOf<EComponentError>([&] { table->SetName(bad); }),
              "'" + std::string(bad) + "' is not a valid component name");
  }
  EXPECT_EQ(table->Name(), "Table1");

  TProbe* other = Named(owner, "Other");
  EXPECT_EQ(ErrorOf<EComponentError>([&] { other->SetName("TABLE1"); }),
            "A component named TABLE1 already exists");
  EXPECT_NO_THROW(table->SetName("TABLE1"));  // its own name in another case
  EXPECT_EQ(owner->FindComponent("table1"), table);
  EXPECT_EQ(owner->FindComponent("Nope"), nullptr);
  EXPECT_EQ(owner->FindComponent(""), nullptr);

  // Unowned components may share a name; a new owner refuses a taken one.
  TProbe* stray = Named(nullptr, "Table1");
  EXPECT_EQ(ErrorOf<EComponentError>([&] { owner->InsertComponent(stray); }),
            "A component named Table1 already exists");
  EXPECT_EQ(stray->Owner(), nullptr);

  // Moving between owners tells both.
  TProbe* second = Named(nullptr, "Second");
  second->InsertComponent(other);
  EXPECT_EQ(other->Owner(), second);
  EXPECT_EQ(owner->FindComponent("Other"), nullptr);
  EXPECT_EQ(owner->Notes.back(), "-Other");
  EXPECT_EQ(second->Notes.back(), "+TProbe");
  EXPECT_THROW(other->InsertComponent(second), EComponentError);  // would own its owner

  stray->Free();
  second->Free();
  owner->Free();
}

TEST(Component, GlobalComponentsAndPaths) {
  TProbe* form = Named(nullptr, "Form1");
  TProbe* table = Named(form, "Table1");
  TProbe* field = Named(table, "Field1");
  RegisterGlobalComponent(form);
  RegisterGlobalComponent(form);

  EXPECT_EQ(FindGlobalComponent("FORM1"), form);
  EXPECT_EQ(FindComponentByPath("form1.table1.FIELD1"), field);
  EXPECT_EQ(FindComponentByPath("Form1"), form);
  for (const char* missing : {"", "Form2", "Form1.Nope", "Form1..Table1", "Form1.", ".Table1"}) {
    EXPECT_EQ(FindComponentByPath(missing), nullptr) << missing;
  }

  form->Free();
  EXPECT_EQ(FindGlobalComponent("Form1"), nullptr);
}

TEST(Component, ClassRegistry) {
  RegisterClass<TProbe>();
  RegisterClass<TProbe>();  // the same class again: ignored
  EXPECT_EQ(ErrorOf<EFilerError>([] { RegisterClass("TPROBE", nullptr); }),
            "A class named TPROBE already exists");

  TProbe* owner = Named(nullptr, "Owner");
  TComponent* made = FindClass("tprobe").CreateInstance(owner);
  EXPECT_EQ(made->ClassName(), "TProbe");
  EXPECT_EQ(made->Owner(), owner);
  EXPECT_EQ(owner->Notes, TLog{"+TProbe"});

  EXPECT_EQ(GetClass("TNope"), nullptr);
  EXPECT_EQ(ErrorOf<EClassNotFound>([] { FindClass("TNope"); }), "Class TNope not found");
  UnRegisterClass("TProbe");
  EXPECT_EQ(GetClass("TProbe"), nullptr);
  owner->Free();
}

namespace {

// Knows how to copy itself into a TTarget, which knows nothing of it.
class TSource : public TPersistent {
  MEBRATH_CLASS(TSource, TPersistent)
 public:
  int Value = 7;

 protected:
  void AssignTo(TPersistent* dest) const override;
};

class TTarget : public TPersistent {
  MEBRATH_CLASS(TTarget, TPersistent)
 public:
  int Value = 0;
};

void TSource::AssignTo(TPersistent* dest) const {
  if (auto* target = dynamic_cast<TTarget*>(dest)) {
    target->Value = Value;
    return;
  }
  TPersistent::AssignTo(dest);
}

}  // namespace

TEST(Component, ClassNamesAndAssign) {
  TObjectPtr<TDerivedProbe> probe = CreateUnique<TDerivedProbe>();
  EXPECT_EQ(probe->ClassName(), "TDerivedProbe");
  EXPECT_EQ(probe->ClassParentName(), "TProbe");
  EXPECT_EQ(TObject().ClassParentName(), "");
  for (const char* ancestor : {"TDerivedProbe", "tprobe", "TComponent", "TPersistent", "TObject"}) {
    EXPECT_TRUE(probe->InheritsFrom(ancestor)) << ancestor;
  }
  EXPECT_FALSE(probe->InheritsFrom("TCollection"));

  TSource source;
  TTarget target;
  target.Assign(&source);
  EXPECT_EQ(target.Value, 7);
  EXPECT_EQ(ErrorOf<EConvertError>([&] { source.Assign(&target); }),
            "Cannot assign a TTarget to a TSource");
  EXPECT_EQ(ErrorOf<EConvertError>([&] { target.Assign(nullptr); }),
            "Cannot assign a nil to a TTarget");
}

TEST(Component, StateFlags) {
  TProbe* owner = Named(nullptr, "Owner");
  TProbe* child = Named(owner, "Child");
  owner->BeginLoading();
  EXPECT_EQ(owner->ComponentState(), (TComponentState{csLoading, csReading}));
  owner->EndLoading();
  EXPECT_TRUE(owner->LoadedCalled);
  EXPECT_TRUE(owner->ComponentState().Empty());

  owner->SetDesigning(true);
  EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
  owner->SetDesigning(false);
  EXPECT_TRUE(child->ComponentState().Empty());

  EXPECT_EQ(owner->GetNamePath(), "Owner");
  EXPECT_EQ(child->GetOwner(), owner);
  owner->Free();
}
