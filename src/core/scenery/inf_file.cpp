#include "core/scenery/inf_file.h"

#include <cmath>
#include <vector>

#include "core/base/number_text.h"
#include "core/platform/native_file.h"

namespace {

// Writes every line, closes the file and reports whether all went out.
bool WriteInfFile(const std::string& path, const std::vector<std::string>& lines) {
  std::FILE* f = OpenFile(path, "wb");
  if (!f) return false;
  bool ok = true;
  for (const std::string& line : lines) {
    if (!WriteInfLine(f, line)) {
      ok = false;
      break;
    }
  }
  if (std::fclose(f) != 0) ok = false;
  return ok;
}

}  // namespace

bool WriteInfLine(std::FILE* file, const std::string& text) {
  if (!file) return false;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) return false;
  return std::fwrite("\r\n", 1, 2, file) == 2;
}

std::string InfFolderText(const std::string& folderWithSeparator) {
  std::string s = folderWithSeparator;
  if (s.find_first_not_of(' ') == std::string::npos) return ".";
  const char last = s.back();
  if (last == '\\' || last == '/') {
    const bool driveRoot = s.size() >= 2 && s[s.size() - 2] == ':';
    const bool wholeRoot = s.size() == 1;
    if (!driveRoot && !wholeRoot) s.pop_back();
  }
  return s;
}

std::string InfBaseName(const std::string& path) {
  std::string name = NameOfPath(path);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

bool WriteMeshSourceInf(int32_t columns, int32_t rows, const TInfBounds& bounds, int32_t baseValue,
                        const std::string& rasterPath, const std::string& infPath,
                        int16_t nullValue, double rowsPerDeg, double colsPerDeg,
                        TToolPathForm form) {
  // A zero or broken density would give the compiler "INF" as a cell size.
  if (!(std::isfinite(rowsPerDeg) && rowsPerDeg > 0 && std::isfinite(colsPerDeg) && colsPerDeg > 0))
    return false;
  const std::string folder = InfFolderText(FolderWithSeparator(ToolPath(infPath, form)));
  const std::vector<std::string> lines = {
      "[Source]",
      "Type=ElevS16MSB",
      "SourceDir=" + Quoted(folder),
      "SourceFile=" + Quoted(NameOfPath(rasterPath)),
      "NullCellValue=" + FormatInt(nullValue),
      "CellType=S16MSB",
      "Lat=" + FormatFixed(double(bounds.North), 10),
      "Lon=" + FormatFixed(double(bounds.West), 10),
      "NumOfCellsPerLine=" + FormatInt(columns),
      "NumOfLines=" + FormatInt(rows),
      "CellXdimensionDeg=" + FormatExponent(1.0 / colsPerDeg),
      "CellYdimensionDeg=" + FormatExponent(1.0 / rowsPerDeg),
      "ScaleInMeters=1",
      "BaseValue=" + FormatInt(baseValue),
  };
  return WriteInfFile(infPath, lines);
}

bool WriteMeshDestInf(int lod, int32_t baseValue, const std::string& infPath,
                      const std::string& bglPath, TToolPathForm form) {
  const std::string toolBgl = ToolPath(bglPath, form);
  const std::vector<std::string> lines = {
      "[Destination]",
      "LOD=" + FormatInt(lod),
      "DestDir=" + Quoted(InfFolderText(FolderWithSeparator(toolBgl))),
      "DestBaseFileName=" + Quoted(InfBaseName(toolBgl)),
      "BaseValue=" + FormatInt(baseValue),
      "UseSourceDimensions=1",
  };
  return WriteInfFile(infPath, lines);
}
