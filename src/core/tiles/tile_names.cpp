#include "core/tiles/tile_names.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

bool Digits(const std::string& s, size_t from, size_t count, int& value) {
  value = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    value = value * 10 + (s[i] - '0');
  }
  return true;
}

}  // namespace

std::string LatName(int lat) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%02d", lat >= 0 ? 'N' : 'S', std::abs(lat));
  return buf;
}

std::string LonName(int lon) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%03d", lon >= 0 ? 'E' : 'W', std::abs(lon));
  return buf;
}

bool ParseTileName(const std::string& path, int16_t& lat, int16_t& lon) {
  const std::string name = FileNamePart(path);
  int la = 0, lo = 0;
  if (name.size() != 11 || !Digits(name, 1, 2, la) || !Digits(name, 4, 3, lo)) return false;
  // Letters in either case: n42e001.hgt is N42E001.HGT. The outputs change
  // only for a whole position.
  const char ns = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  const char ew = static_cast<char>(std::toupper(static_cast<unsigned char>(name[3])));
  if ((ns != 'N' && ns != 'S') || (ew != 'E' && ew != 'W')) return false;
  lat = static_cast<int16_t>(ns == 'S' ? -la : la);
  lon = static_cast<int16_t>(ew == 'W' ? -lo : lo);
  return true;
}

void ListTileNames(const TileRect& rect, std::vector<std::string>& names) {
  names.clear();
  for (int a = rect.MaxLat - 1; a >= rect.MinLat; --a)
    for (int o = rect.MinLon; o < rect.MaxLon; ++o)
      names.push_back(LatName(a) + LonName(o) + ".HGT");
}

void NormalizeTileRect(TileRect& rect) {
  if (rect.MaxLat < rect.MinLat) std::swap(rect.MaxLat, rect.MinLat);
  if (rect.MaxLon < rect.MinLon) std::swap(rect.MaxLon, rect.MinLon);
}

int TileSizeKind(int64_t fileSize) {
  if (fileSize == kTileBytes3s) return 2;
  if (fileSize == kTileBytes1s) return 1;
  return 0;
}

int32_t TileSide(int kind) {
  if (kind == 1) return 3601;
  if (kind == 2) return 1201;
  return 0;
}
