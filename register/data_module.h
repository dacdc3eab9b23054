// TDM: the program's data module, made first at start-up. It refuses to
// run on a machine whose clock is plainly wrong and holds the institution's
// details (INI section "LPU") as one list of upper-cased keys with their
// values. Nothing reaches the file until SaveLpu. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/draw/image_list.h"
#include "platform/gui/forms.h"
#include "register/core/exchange_export.h"
#include "register/core/institution.h"
#include "register/core/register_formats.h"

// The INI file: the program's own path with the extension ".ini", unless
// SetIniFileName chose another (tests and tools do). When the program's
// folder cannot be written (an installed program), the file lives in
// $XDG_CONFIG_HOME/mebrath (~/.config/mebrath) instead.
std::string IniFileName();
// The folder the register dialogs start in: "OUT" beside the program, or
// $XDG_DATA_HOME/mebrath/OUT (~/.local/share/mebrath/OUT) when the
// program's folder cannot be written. Created when missing.
std::string OutFolder();
void SetIniFileName(std::string path);

class TDM : public TDataModule {
  MEBRATH_CLASS(TDM, TDataModule)
 public:
  // Rereads section "LPU": each "key=value" line gives the trimmed,
  // upper-cased key and at most 250 characters of the value, trimmed. A
  // line without "=" is skipped.
  void LoadLpu();
  // Writes every key (upper-cased, as held) with its value to section
  // "LPU"; other keys of the file stay as they are.
  void SaveLpu();
  // The value of `key` (compared upper-cased), or "" when absent.
  std::string GetValue(const std::string& key) const;
  // Replaces the value of `key`, or appends the upper-cased key and the
  // value.
  void SetValue(const std::string& key, const std::string& value);

  struct TLpuValue {
    std::string Key;  // upper-cased
    std::string Value;
  };
  // In the order of the file, then of SetValue.
  const std::vector<TLpuValue>& LpuValues() const { return FLpu; }
  // The details as the document takes them, in the same order.
  TInstitution Institution() const;
  // SetValue for each of `institution`'s values, then SaveLpu.
  void SaveInstitution(const TInstitution& institution);

  // The marks of the register grid's first column: the record sign in
  // imgTools and the "payable" tick laid over it from OvlTree.
  static constexpr int kRecordImage = 65;
  static constexpr int kPayableOverlay = 5;
  TImageList* imgTools = nullptr;
  TImageList* OvlTree = nullptr;

 protected:
  explicit TDM(TComponent* owner);
  // The date guard, then LoadLpu.
  void AfterConstruction() override;
  // The data module made at start-up forgets itself as DM.
  void BeforeDestruction() override;

 private:
  int IndexOfKey(const std::string& key) const;
  void BuildImages();

  std::vector<TLpuValue> FLpu;
};

// The data module made at start-up.
extern TDM* DM;

// The data module's details (none without it), for a document.
TInstitution ProgramInstitution();
// TDM::SaveInstitution; nothing without the data module.
void SaveProgramInstitution(const TInstitution& institution);

// The data module's GetValue, SetValue and SaveLpu for the exchange
// routines. `dm` must outlive the result.
TLpuAccess LpuOf(TDM& dm);
