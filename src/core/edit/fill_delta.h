#pragma once

#include "core/edit/fill_spline.h"

// Void filling from a second elevation model of the same place ("delta
// surface fill"). The second model is sampled bilinearly at each cell's
// latitude and longitude. On the valid cells the differences mesh - second
// are taken, the spline of fill_spline.h carries them across the void, and
// each void cell gets second + difference: the second model's shapes inside
// the void, shifted and tilted so that the patch meets the rim without a
// step. Void cells where the second model has no value (outside it, or void
// there) stay void.

// Where a grid's samples lie: on the bounds (an HGT tile: one more sample
// than cells per degree) or in the middle of equal cells (a raster).
double CellLatitude(const TTMesh& mesh, double row);
double CellLongitude(const TTMesh& mesh, double column);

// The second model at a cell of `mesh`, bilinear; false outside the second
// model, where a sample it needs is void, or without a georeference.
bool SecondModelAt(const TTMesh& mesh, const TTMesh& second, int32_t x, int32_t y, double* value);

// Whether the second model's bounds overlap those of the rectangle's cells
// (a check that the right file was given).
bool SecondModelCovers(const TTMesh& mesh, const TTMesh& second, const TCellRect& rect);

bool FillVoidsDelta(TTMesh& mesh, const TTMesh& second, const TCellRect& rect,
                    const TTCellMask* mask, const TTFillOptions& options, TTProgress* progress,
                    TTFillRun* run, const TTSplineParams& params = {});
