// Helpers for the Windows tests of the control: where the built programs lie, registry
// values that undo themselves, and waiting for a stub program's record.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace tabulon::control::testing {

// The folder of the running test program (bin/ of the build).
std::filesystem::path BinDir();
// A stub program (Levyrun.exe, Tabulon.exe) of bin/control_stubs.
std::filesystem::path StubProgram(const std::wstring& name);
// Copies the stub `name` into `dir`; the path of the copy.
std::filesystem::path InstallStub(const std::filesystem::path& dir, const std::wstring& name);
// The record a stub writes when it starts ("<name without .exe>.started.txt" beside it):
// full command line, arguments, working directory. Waits up to `timeout_ms`; empty when none.
std::string WaitForStubRecord(const std::filesystem::path& program, int timeout_ms = 10000);

// Sets a REG_SZ value in the 64-bit view for the life of the object, creating the key when
// needed; the value (not the key) is removed again afterwards.
class ScopedRegistryString {
 public:
  ScopedRegistryString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& data);
  ~ScopedRegistryString();
  ScopedRegistryString(const ScopedRegistryString&) = delete;
  ScopedRegistryString& operator=(const ScopedRegistryString&) = delete;
  bool ok() const { return ok_; }

 private:
  HKEY root_;
  std::wstring key_;
  std::wstring name_;
  bool ok_ = false;
};

}  // namespace tabulon::control::testing
