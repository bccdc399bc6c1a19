#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/mesh.h"
#include "settings/progress.h"

// Whole-file helpers and a progress recorder shared by the core tests.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
// Big-endian samples, row by row.
std::vector<unsigned char> BigEndianBytes(const std::vector<int16_t>& samples);
// A mesh of the given size whose samples are given row by row.
void MakeMesh(TTMesh& mesh, int32_t cols, int32_t rows, const std::vector<int16_t>& samples);
// Names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

class TProgressRecorder : public TTProgress {
 public:
  bool visible = false;
  int shows = 0, hides = 0, pumps = 0;
  std::vector<std::string> texts;  // every label text set, "" included
  void Pump() override { ++pumps; }

 protected:
  void LabelTextChanged(const std::string& t) override { texts.push_back(t); }
  void VisibilityChanged(bool v) override {
    visible = v;
    ++(v ? shows : hides);
  }
};
