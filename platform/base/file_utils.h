// File and path helpers with the classic names and rules.
//
// Separators: the program's paths may be written with "\" (classic
// literals such as "template\\rsrt1.frf"); every helper that takes a path
// reads "\" as "/" and returns paths with "/". The name helpers only cut
// strings; the others ask the file system.
//
// Helpers that return bool leave the reason of a failure in LastFileError().
// Nothing here throws except on allocation failure.
#pragma once

#include <cstdint>
#include <string>

// `path` with every "\" replaced by "/".
std::string NormalizePathSeparators(std::string path);

// The text of the last failure of a bool helper below (a system message or
// a short sentence of ours). Empty after a success. Per thread.
const std::string& LastFileError();
// The user's words for a system error number (errno): Russian, one
// sentence ending with a full stop.
std::string SystemErrorText(int error);

// --- names ------------------------------------------------------------------

// Replaces the extension (from the last "." of the name part) with `ext`,
// or appends `ext` when the name has none: ChangeFileExt("a.b/c", ".001")
// is "a.b/c.001".
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// The part after the last separator.
std::string ExtractFileName(const std::string& path);
// The part up to and including the last separator ("" when none).
std::string ExtractFilePath(const std::string& path);
// The extension with its dot ("" when the name has none).
std::string ExtractFileExt(const std::string& path);
// The directory without its trailing separator, except the root "/" itself.
std::string ExtractFileDir(const std::string& path);
// `path` with a "/" added unless it ends in one ("" gives "/").
std::string IncludeTrailingPathDelimiter(const std::string& path);
// `path` without one trailing "/".
std::string ExcludeTrailingPathDelimiter(const std::string& path);
// The absolute, normalised form ("." and ".." resolved as text), relative to
// the current directory. Links are not followed. "" stays "".
std::string ExpandFileName(const std::string& path);

// --- the file system ----------------------------------------------------------

// True for an existing file that is not a directory (links are followed).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the directory and any missing parents. True when it exists
// afterwards.
bool ForceDirectories(const std::string& path);
// Removes a file (not a directory).
bool DeleteFile(const std::string& path);
// Renames; refuses when `newName` already exists, as the classic call did.
bool RenameFile(const std::string& oldName, const std::string& newName);
// Copies a file's bytes, permissions and modification time. With
// failIfExists an existing `dest` is left alone and the call fails; without
// it, `dest` is replaced. A copy that fails half-way is removed.
bool CopyFile(const std::string& source, const std::string& dest, bool failIfExists);

// The current directory, without a trailing separator.
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& dir);

// The modification time as a TDateTime (days since 30.12.1899, local time,
// fractions for the time of day), or -1 when the file does not exist or is
// a directory.
double FileAge(const std::string& path);
// The size in bytes, or -1 when the file does not exist or is a directory.
std::int64_t FileSize(const std::string& path);

// The running program's file (ParamStr(0)) and its directory with a
// trailing "/".
std::string ExecutablePath();
std::string ExecutableDir();

// The command line, read from /proc/self/cmdline so that no code has to
// pass argv around: ParamCount() arguments after the program's name;
// ParamStr(0) is ExecutablePath(), ParamStr(1..ParamCount()) the arguments
// as given, any other index "".
int ParamCount();
std::string ParamStr(int index);
