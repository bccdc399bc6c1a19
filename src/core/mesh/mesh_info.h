#pragma once

#include <string>
#include <vector>

class TTMesh;

// One line of the mesh information report: a label (shown bold) and its
// value; both empty for a blank line.
struct TTReportLine {
  std::string Label;
  std::string Value;
  bool IsBlank() const { return Label.empty() && Value.empty(); }
};

// The "Terrain Mesh Information" report of a mesh: file name part (only when
// FileName is set), bounds, dimensions, sample and void counts, extremes in
// metres and feet. Uses the statistics as they are: run UpdateStats first.
std::vector<TTReportLine> MeshInfoReport(const TTMesh& mesh);

// A number in fixed-point notation with the given decimals and "." as the
// decimal separator, whatever the locale; never "-0.0".
std::string FormatFixed(double value, int decimals);
// As FormatFixed after rounding to 7 significant digits (bounds).
std::string FormatFixed7(double value, int decimals);
