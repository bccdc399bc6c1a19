#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/base/progress.h"
#include "core/mesh/mesh.h"

// Whole-file helpers and a progress recorder shared by the core tests.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
// Big-endian samples, row by row, and back from a file.
std::vector<unsigned char> BigEndianBytes(const std::vector<int16_t>& samples);
std::vector<int16_t> ReadBigEndianSamples(const std::string& path);
// A mesh of the given size whose samples are given row by row, or all `value`.
void MakeMesh(TTMesh& mesh, int32_t cols, int32_t rows, const std::vector<int16_t>& samples);
inline void MakeMesh(TTMesh& m, int32_t cols, int32_t rows, int16_t value, int16_t voidValue) {
  MakeMesh(m, cols, rows, std::vector<int16_t>(size_t(cols) * size_t(rows), value));
  m.VoidValue = voidValue;
}
inline std::vector<int16_t> CopySamples(const TTMesh& m) {
  return std::vector<int16_t>(m.Samples.Data(), m.Samples.Data() + m.Samples.Size());
}
// Names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

class TProgressRecorder : public TTProgress {
 public:
  bool visible = false;
  int shows = 0, hides = 0, pumps = 0;
  bool abort = false;
  int abortAfter = -1;  // >= 0: abort asked once that many pumps have passed
  std::vector<int> bars;
  std::vector<std::string> texts;    // every label text set, "" included
  std::vector<int> textBars;         // the bar's position when each text was set
  std::atomic<bool> foreign{false};  // a call from another thread than the maker's (a window's)
  void Pump() override { Mark(), ++pumps; }
  bool AbortRequested() override {
    return Mark(), abort || (abortAfter >= 0 && pumps > abortAfter);
  }

 protected:
  void BarPositionChanged(int p) override { Mark(), bars.push_back(p); }
  void LabelTextChanged(const std::string& t) override {
    Mark(), texts.push_back(t), textBars.push_back(bars.empty() ? -1 : bars.back());
  }
  void VisibilityChanged(bool v) override { Mark(), visible = v, ++(v ? shows : hides); }

 private:
  const std::thread::id maker_ = std::this_thread::get_id();
  void Mark() { foreign = foreign || std::this_thread::get_id() != maker_; }
};
