#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/mesh/mesh.h"

// A mesh made in memory for the window tests: cols x rows samples from value(x, y), georeferenced
// as the tile N47W123 (a degree each way from 47 N, 123 W); callers change what their case needs.
std::unique_ptr<TTMesh> MakeTestMesh(int32_t cols, int32_t rows,
                                     const std::function<int16_t(int32_t, int32_t)>& value);
