#pragma once

#include <string>

#include "core/base/file_util.h"

// Real files from elsewhere live in ../shared/testdata beside the repository;
// tests that need them skip when that folder is absent.
std::string SharedTestData(const std::string& relative);  // empty if absent

#define DELVA_REQUIRE_SHARED(var, rel)         \
  const std::string var = SharedTestData(rel); \
  if (var.empty()) GTEST_SKIP() << "shared test data not found: ../shared/testdata/" << rel

// A fresh, empty folder removed when the object goes.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return JoinPath(path_, name); }

 private:
  std::string path_;
};
