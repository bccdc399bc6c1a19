#include "support/test_paths.h"

#include <filesystem>
#include <random>

namespace fs = std::filesystem;

std::string SharedTestData(const std::string& relative) {
  fs::path p = fs::path(DELVA_SHARED_DIR) / "testdata" / relative;
  std::error_code ec;
  return fs::exists(p, ec) ? p.string() : std::string();
}

TTempDir::TTempDir() {
  std::random_device rd;
  for (;;) {
    fs::path p = fs::temp_directory_path() / ("delva-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.string();
      return;
    }
  }
}

TTempDir::~TTempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}
