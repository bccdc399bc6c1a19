#pragma once

#include <cstdint>
#include <string>

// The file version of an executable: the four numbers of the fixed file
// information in its version resource.
struct TFileVersion {
  uint16_t Major = 0, Minor = 0, Release = 0, Build = 0;
  friend bool operator==(const TFileVersion&, const TFileVersion&) = default;
};

// Reads the version resource of a PE file (32- or 64-bit Windows executable
// or DLL) with our own reader, on every host: the first RT_VERSION resource,
// its "VS_VERSION_INFO" block and the VS_FIXEDFILEINFO inside it. False when
// the file cannot be read, is not a PE file, or has no readable version.
bool GetFileVersion(const std::string& path, TFileVersion& version);
// The same over a PE image held in memory.
bool GetFileVersionFromImage(const uint8_t* data, size_t size, TFileVersion& version);
