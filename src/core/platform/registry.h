#pragma once

#include <string>

// A string value of a key under HKEY_LOCAL_MACHINE ("Software\\..."), read
// through RegGetValueW. False when the key does not exist (always, on a host
// without a registry); an absent or non-string value gives an empty string.
bool MachineRegistryString(const std::string& key, const std::string& name, std::string& value);
