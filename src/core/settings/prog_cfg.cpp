#include "core/settings/prog_cfg.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/base/file_util.h"
#include "core/base/sample_io.h"
#include "core/platform/memory.h"
#include "core/platform/native_file.h"
#include "core/platform/registry.h"

TTProgCfg ProgCfg;

namespace {

constexpr size_t kMagicSize = 16;
constexpr size_t kVersionAt = 16;
constexpr size_t kResampleAt = 20;
constexpr size_t kHGTAt = 532;
constexpr size_t kBGLAt = 1044;
constexpr size_t kMaxMemAt = 1556;
constexpr size_t kWarnAt = 1560;
constexpr uint32_t kVersion = 1;

void PutString(std::vector<unsigned char>& image, size_t at, const std::string& s) {
  std::string cut = CutUtf8(s, kProgCfgStringField - 1);
  std::memcpy(image.data() + at, cut.data(), cut.size());
}

bool GetString(const unsigned char* data, size_t at, std::string& out) {
  const void* zero = std::memchr(data + at, 0, kProgCfgStringField);
  if (!zero) return false;
  out.assign(reinterpret_cast<const char*>(data + at),
             static_cast<const unsigned char*>(zero) - (data + at));
  return true;
}

// The keys Flight Simulator writes, newest first; a 32-bit program's keys
// appear under Wow6432Node on a 64-bit system.
const char* const kFlightSimKeys[] = {
    "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\9.0",
    "Software\\Wow6432Node\\Microsoft\\Microsoft Games\\Flight Simulator\\9.0",
    "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0",
    "Software\\Wow6432Node\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0",
};
constexpr const char* kExePathValue = "EXE Path";
constexpr const char* kSceneryTail = "\\Addon Scenery\\scenery";

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// A quoted string of a .reg file starting at s[i] == '"'; i ends after the
// closing quote. Escapes: \\ \" \n \r \t \0 and \xHHHH (a UTF-16 unit).
bool ParseRegString(const std::string& s, size_t& i, std::string& out) {
  out.clear();
  if (i >= s.size() || s[i] != '"') return false;
  for (++i; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      ++i;
      return true;
    }
    if (c != '\\' || i + 1 >= s.size()) {
      out += c;
      continue;
    }
    char e = s[++i];
    if (e == 'n') {
      out += '\n';
    } else if (e == 'r') {
      out += '\r';
    } else if (e == 't') {
      out += '\t';
    } else if (e == '0') {
      out += '\0';
    } else if (e == 'x') {
      uint32_t cp = 0;
      int n = 0;
      while (n < 4 && i + 1 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1]))) {
        char h = s[++i];
        cp =
            cp * 16 +
            uint32_t(std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : (h | 0x20) - 'a' + 10);
        ++n;
      }
      AppendUtf8(out, cp);
    } else {
      out += e;  // \\ and \" and anything else taken literally
    }
  }
  return false;
}

// The key name of a section line "[Software\\Microsoft\\...] 1234", unescaped.
bool ParseSection(const std::string& line, std::string& key) {
  if (line.empty() || line[0] != '[') return false;
  size_t end = line.rfind(']');
  if (end == std::string::npos || end == 0) return false;
  key.clear();
  for (size_t i = 1; i < end; ++i) {
    if (line[i] == '\\' && i + 1 < end && line[i + 1] == '\\') ++i;
    key += line[i];
  }
  return true;
}

// The string value `name` of `key` in a Wine registry file; false when the
// key is absent. An absent value gives an empty string.
bool ReadWineValue(const std::string& regFile, const std::string& key, const std::string& name,
                   std::string& value) {
  std::ifstream in(NativePath(regFile), std::ios::binary);
  if (!in) return false;
  value.clear();
  bool inKey = false, found = false;
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (ParseSection(line, section)) {
      inKey = EqualsNoCase(section, key);
      found = found || inKey;
      continue;
    }
    if (!inKey || line.empty() || line[0] != '"') continue;
    size_t i = 0;
    std::string valueName;
    if (!ParseRegString(line, i, valueName) || !EqualsNoCase(valueName, name)) continue;
    if (i >= line.size() || line[i] != '=') continue;
    ++i;
    if (line.compare(i, 7, "str(2):") == 0) i += 7;  // REG_EXPAND_SZ
    std::string v;
    if (ParseRegString(line, i, v)) value = v;
  }
  return found;
}

// Maps a Windows path of the prefix ("C:\Program Files\...") to the host.
std::string WineToHost(const std::string& winePrefix, const std::string& windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':' ||
      !std::isalpha(static_cast<unsigned char>(windowsPath[0])))
    return std::string();
  const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
  std::filesystem::path root =
      std::filesystem::path(winePrefix) / "dosdevices" / (std::string(1, drive) + ":");
  std::error_code ec;
  if (!std::filesystem::exists(root, ec)) {
    if (drive == 'c')
      root = std::filesystem::path(winePrefix) / "drive_c";
    else if (drive == 'z')
      root = "/";
    else
      return std::string();
  }
  std::string rest = windowsPath.substr(2);
  for (char& c : rest)
    if (c == '\\') c = '/';
  while (!rest.empty() && rest.front() == '/') rest.erase(rest.begin());
  return (root / rest).string();
}

}  // namespace

std::string CutUtf8(const std::string& s, size_t maxBytes) {
  std::string t = s.substr(0, s.find('\0'));
  if (t.size() <= maxBytes) return t;
  size_t cut = maxBytes;
  // Step back over a sequence that the cut would split (at most 3 bytes).
  for (int k = 0; k < 3 && cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80; ++k)
    --cut;
  if ((static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) cut = maxBytes;  // not UTF-8 anyway
  return t.substr(0, cut);
}

std::vector<unsigned char> EncodeProgCfg(const TTProgCfg& cfg) {
  std::vector<unsigned char> image(kProgCfgFileSize, 0);
  std::memcpy(image.data(), "DELVACFG", 8);
  PutLE32(image.data() + kVersionAt, kVersion);
  PutString(image, kResampleAt, cfg.ResamplePath);
  PutString(image, kHGTAt, cfg.HGTFolder);
  PutString(image, kBGLAt, cfg.BGLFolder);
  PutLE32(image.data() + kMaxMemAt, cfg.MaxMemUndo);
  image[kWarnAt] = cfg.WarnNoUndo ? 1 : 0;
  return image;
}

bool DecodeProgCfg(const unsigned char* data, size_t size, TTProgCfg& cfg) {
  if (size < kProgCfgFileSize) return false;
  // The magic is compared up to its zero byte.
  if (std::memcmp(data, "DELVACFG", 9) != 0) return false;
  static_assert(kMagicSize >= 9);
  if (GetLE32(data + kVersionAt) != kVersion) return false;
  TTProgCfg r;
  if (!GetString(data, kResampleAt, r.ResamplePath) || !GetString(data, kHGTAt, r.HGTFolder) ||
      !GetString(data, kBGLAt, r.BGLFolder))
    return false;
  r.MaxMemUndo = GetLE32(data + kMaxMemAt);
  r.WarnNoUndo = data[kWarnAt] != 0;
  cfg = r;
  return true;
}

bool LoadProgCfg(TTProgCfg& cfg, const std::string& folder) {
  TTInputFile file(JoinPath(folder, kProgCfgFileName));
  if (!file.IsOpen()) return false;
  unsigned char image[kProgCfgFileSize];
  size_t got = ReadBlock(file.File(), image, sizeof image);
  return DecodeProgCfg(image, got, cfg);
}

bool SaveProgCfg(const TTProgCfg& cfg, const std::string& folder) {
  std::vector<unsigned char> image = EncodeProgCfg(cfg);
  return WriteFileAtomically(JoinPath(folder, kProgCfgFileName), image.data(), image.size());
}

uint32_t DefaultUndoLimitMB(uint64_t physicalBytes) {
  constexpr uint32_t kMax = 512;
  if (physicalBytes == 0) return kMax;
  return uint32_t(std::min<uint64_t>(kMax, (physicalBytes / 8) >> 20));
}

bool StartUpProgCfg(TTProgCfg& cfg, const std::string& folder) {
  if (LoadProgCfg(cfg, folder)) return true;
  DefaultBGLFolderFromRegistry(cfg);
  cfg.MaxMemUndo = DefaultUndoLimitMB(PhysicalMemoryBytes());
  SaveProgCfg(cfg, folder);
  return false;
}

bool DefaultBGLFolderFromWinePrefix(TTProgCfg& cfg, const std::string& winePrefix,
                                    const std::string& home) {
  cfg.BGLFolder = home;
  std::string exePath;
  const std::string regFile = JoinPath(winePrefix, "system.reg");
  for (const char* key : kFlightSimKeys)
    if (ReadWineValue(regFile, key, kExePathValue, exePath)) break;
  if (exePath.empty()) return false;
  std::string host = WineToHost(winePrefix, exePath + kSceneryTail);
  std::string found = host.empty() ? std::string() : FindPathNoCase(host);
  if (!found.empty() && FolderExists(found)) cfg.BGLFolder = found;
  return true;
}

bool DefaultBGLFolderFromRegistry(TTProgCfg& cfg) {
#if defined(_WIN32)
  cfg.BGLFolder = "C:\\";
  for (const char* key : kFlightSimKeys) {
    std::string value;
    if (!MachineRegistryString(key, kExePathValue, value)) continue;
    if (value.empty()) return false;
    std::string folder = value + kSceneryTail;
    if (FolderExists(folder)) cfg.BGLFolder = folder;
    return true;
  }
  return false;
#else
  std::string homeDir = "/", winePrefix;
  EnvironmentValue("HOME", homeDir);
  if (!EnvironmentValue("WINEPREFIX", winePrefix) || winePrefix.empty())
    winePrefix = JoinPath(homeDir, ".wine");
  return DefaultBGLFolderFromWinePrefix(cfg, winePrefix, homeDir);
#endif
}

std::string ChooseSettingsFolder(const std::string& programFolder, const std::string& userFolder) {
  if (FolderExists(programFolder)) {
    TTAtomicFileWriter probe(JoinPath(programFolder, kProgCfgFileName));
    if (probe.Open()) return programFolder;  // the probe is removed with the object
  }
  std::error_code ec;
  std::filesystem::create_directories(NativePath(userFolder), ec);
  return userFolder;
}
