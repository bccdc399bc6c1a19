#include "mesh/replace_file.h"

#include <filesystem>
#include <random>

namespace fs = std::filesystem;

TTReplaceFile::~TTReplaceFile() { Discard(); }

bool TTReplaceFile::Open(const std::string& target) {
  Discard();
  target_ = target;
  failed_ = false;
  std::random_device rd;
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp_ = target + ".tmp" + std::to_string(rd() % 1000000);
    // "x": never reuse a file someone else holds.
    file_ = std::fopen(temp_.c_str(), "wbx");
    if (file_) {
      std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
      return true;
    }
    std::error_code ec;
    if (!fs::exists(fs::path(temp_), ec)) break;  // not a name clash: the folder refuses
  }
  temp_.clear();
  return false;
}

bool TTReplaceFile::Write(const void* data, size_t size) {
  if (!file_ || failed_) return false;
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) failed_ = true;
  return !failed_;
}

bool TTReplaceFile::Commit() {
  if (!file_) return false;
  bool ok = !failed_ && std::fflush(file_) == 0 && !std::ferror(file_);
  ok = (std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  if (ok) {
    std::error_code ec;
    fs::rename(fs::path(temp_), fs::path(target_), ec);
    ok = !ec;
  }
  if (!ok) {
    std::error_code ec;
    fs::remove(fs::path(temp_), ec);
  }
  temp_.clear();
  return ok;
}

void TTReplaceFile::Discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    std::error_code ec;
    fs::remove(fs::path(temp_), ec);
    temp_.clear();
  }
}
