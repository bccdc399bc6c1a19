#ifdef _WIN32

#include <windows.h>

#include "core/platform/native_file.h"
#include "core/platform/registry.h"

bool MachineRegistryString(const std::string& key, const std::string& name, std::string& value) {
  value.clear();
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WideFromUtf8(key).c_str(), 0, KEY_QUERY_VALUE, &h) !=
      ERROR_SUCCESS)
    return false;
  const std::wstring valueName = WideFromUtf8(name);
  // REG_EXPAND_SZ values come back expanded, as REG_SZ.
  const DWORD flags = RRF_RT_REG_SZ;
  DWORD bytes = 0;
  if (RegGetValueW(h, nullptr, valueName.c_str(), flags, nullptr, nullptr, &bytes) ==
          ERROR_SUCCESS &&
      bytes >= sizeof(wchar_t)) {
    std::wstring w(bytes / sizeof(wchar_t), L'\0');
    if (RegGetValueW(h, nullptr, valueName.c_str(), flags, nullptr, w.data(), &bytes) ==
        ERROR_SUCCESS) {
      w.resize(bytes / sizeof(wchar_t));
      while (!w.empty() && w.back() == L'\0') w.pop_back();
      value = Utf8FromWide(w);
    }
  }
  RegCloseKey(h);
  return true;
}

#else

#include "core/platform/registry.h"

bool MachineRegistryString(const std::string&, const std::string&, std::string& value) {
  value.clear();
  return false;
}

#endif
