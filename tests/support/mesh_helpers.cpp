#include "support/mesh_helpers.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> BigEndianBytes(const std::vector<int16_t>& samples) {
  std::vector<unsigned char> b;
  for (int16_t s : samples)
    b.push_back(static_cast<unsigned char>(uint16_t(s) >> 8)),
        b.push_back(static_cast<unsigned char>(uint16_t(s) & 0xFF));
  return b;
}

std::vector<int16_t> ReadBigEndianSamples(const std::string& path) {
  const std::vector<unsigned char> b = ReadFileBytes(path);
  std::vector<int16_t> v(b.size() / 2);
  for (size_t i = 0; i < v.size(); ++i) v[i] = int16_t(b[2 * i] << 8 | b[2 * i + 1]);
  return v;
}

void MakeMesh(TTMesh& mesh, int32_t cols, int32_t rows, const std::vector<int16_t>& samples) {
  mesh.Samples.Clear(), mesh.AllocSamples(cols, rows);
  mesh.SetGridSize(cols, rows), std::copy(samples.begin(), samples.end(), mesh.Samples.Data());
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}
