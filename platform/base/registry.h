// TRegistry: the settings store, kept where the classic program used the
// registry.
//
// All keys live under HKEY_CURRENT_USER in one INI-format file,
// $XDG_CONFIG_HOME/mebrath/registry.ini (~/.config/mebrath/registry.ini
// when XDG_CONFIG_HOME is unset or empty), written through TIniFile, so it
// is Windows-1251 with CR LF and every write is atomic. A key path such as
// "Software\Ordvik\Form\TfrPreviewForm" is a section of that name; key
// paths compare case-insensitively.
//
// Each value is "Name=kind:data" with kind "int" (WriteInteger, WriteBool
// as 1/0) or "str" (WriteString), so a value keeps its type as a registry
// value does. A value without a known kind reads as a string.
//
// A key exists once a value has been written under it or under one of its
// subkeys: OpenKey with CanCreate succeeds but writes nothing by itself.
// GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/base/exceptions.h"

class TIniFile;

// Only the current user's root exists; the value is the classic one.
enum HKEY : std::uint32_t { HKEY_CURRENT_USER = 0x80000001u };

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// Points every TRegistry created afterwards at another file ("" restores
// the default). For tests and for a portable set-up.
void SetSettingsStorePath(std::string Path);
// The file in use.
std::string SettingsStorePath();

class TRegistry {
 public:
  // Uses the store file SettingsStorePath() names now; the file is read on
  // first use.
  TRegistry();
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY Value) { FRootKey = Value; }

  // Opens Key: relative to the current key, or from the root when it starts
  // with "\". Returns false when the key does not exist and CanCreate is
  // false (the current key is then unchanged).
  bool OpenKey(std::string_view Key, bool CanCreate);
  // Back to the root.
  void CloseKey();
  // The open key's path without a leading "\"; "" at the root.
  const std::string& CurrentPath() const { return FCurrentPath; }

  // Reads a value of the current key. ReadInteger and ReadBool throw
  // ERegistryException "Не удалось прочитать значение 'Name' из настроек" when the value does
  // not exist and "Неверный тип значения 'Name' в настройках" when it is a string.
  // ReadString returns "" when the value does not exist and throws
  // "Неверный тип значения 'Name' в настройках" when it is an integer.
  int ReadInteger(std::string_view Name) const;
  bool ReadBool(std::string_view Name) const;
  std::string ReadString(std::string_view Name) const;

  // Writes a value of the current key, creating the store's folder and file
  // when missing. Throws EFCreateError or EInOutError as TIniFile does.
  void WriteInteger(std::string_view Name, int Value);
  void WriteBool(std::string_view Name, bool Value);
  void WriteString(std::string_view Name, std::string_view Value);

  bool ValueExists(std::string_view Name) const;
  // Key: relative or absolute as for OpenKey.
  bool KeyExists(std::string_view Key) const;
  // Deletes Key with its values and subkeys; false when it did not exist.
  bool DeleteKey(std::string_view Key);

 private:
  // The absolute path of Key, without leading or trailing "\".
  std::string Resolve(std::string_view Key) const;
  void Write(std::string_view Name, std::string_view Kind, std::string_view Data);
  TIniFile& Store() const;

  HKEY FRootKey = HKEY_CURRENT_USER;
  std::string FStorePath;
  std::string FCurrentPath;
  mutable std::unique_ptr<TIniFile> FStore;
};
