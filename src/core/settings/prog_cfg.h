#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The program's user settings and the file that keeps them ("delvacfg.bin",
// 1564 bytes, little-endian):
//   0   16  "DELVACFG", a zero byte, reserved bytes
//   16   4  version 1
//   20 512  ResamplePath, zero-terminated
//   532 512 HGTFolder, zero-terminated
//   1044 512 BGLFolder, zero-terminated
//   1556  4 MaxMemUndo (megabytes; 0 turns undo off)
//   1560  1 WarnNoUndo (0 or 1)
//   1561  3 reserved
// Strings are UTF-8; a field holds at most 511 bytes and never a cut
// multi-byte sequence. Unused and reserved bytes are written as zeros.
struct TTProgCfg {
  std::string ResamplePath{};
  std::string HGTFolder{};
  std::string BGLFolder{};
  uint32_t MaxMemUndo = 0;
  bool WarnNoUndo = false;
};

// The one record the editor works with.
extern TTProgCfg ProgCfg;

inline constexpr const char* kProgCfgFileName = "delvacfg.bin";
inline constexpr size_t kProgCfgFileSize = 1564;
inline constexpr size_t kProgCfgStringField = 512;

// The file image of a record, and the record of a file image. Decoding fails
// (and leaves `cfg` unchanged) for a short image, another magic, a version
// other than 1, or a string field without its zero byte.
std::vector<unsigned char> EncodeProgCfg(const TTProgCfg& cfg);
bool DecodeProgCfg(const unsigned char* data, size_t size, TTProgCfg& cfg);

// `folder` is where the file lives (see ChooseSettingsFolder).
bool LoadProgCfg(TTProgCfg& cfg, const std::string& folder);
bool SaveProgCfg(const TTProgCfg& cfg, const std::string& folder);

// At start-up: load the file; when that fails, propose the BGL folder from
// the registry and the undo memory (DefaultUndoLimitMB) and write a fresh
// file (a failed write is not reported). A file that loads keeps its value.
// Returns true when a valid file was read.
bool StartUpProgCfg(TTProgCfg& cfg, const std::string& folder);

// Undo memory for a new settings file: 512 MB, or an eighth of
// `physicalBytes` when that is less (512 MB when the size is unknown, 0).
uint32_t DefaultUndoLimitMB(uint64_t physicalBytes);

// Proposes BGLFolder from Flight Simulator 9.0's (else 8.0's) "EXE Path" +
// "\Addon Scenery\scenery" when that folder exists. BGLFolder starts as
// "C:\" on Windows and the user's home folder elsewhere, where the key is
// read from the Wine prefix's system.reg ($WINEPREFIX, else ~/.wine) and
// the path mapped back to the host. False when no key or no value is found.
bool DefaultBGLFolderFromRegistry(TTProgCfg& cfg);
// The same over a given Wine prefix and home folder (used by tests).
bool DefaultBGLFolderFromWinePrefix(TTProgCfg& cfg, const std::string& winePrefix,
                                    const std::string& home);

// The longest prefix of `s` of at most maxBytes bytes that ends neither
// inside a UTF-8 sequence nor past a zero byte.
std::string CutUtf8(const std::string& s, size_t maxBytes);

// Where the settings file lives: `programFolder` when files can be created
// there (a portable install), otherwise `userFolder` (created if needed).
std::string ChooseSettingsFolder(const std::string& programFolder, const std::string& userFolder);
