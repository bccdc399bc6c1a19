#include "ui/widgets/private_temp.h"

#include <filesystem>
#include <system_error>

#include "core/platform/file_system.h"
#include "core/platform/interrupt_cleanup.h"

namespace {

struct TPrivateFolder {
  std::string Path;
  int Slot = -1;
  ~TPrivateFolder() {
    if (Path.empty()) return;
    ForgetOnInterrupt(Slot);
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(Path), ec);
  }
};

}  // namespace

std::string EditorTempFolder(const std::string& base) {
  static TPrivateFolder folder;
  if (!folder.Path.empty()) return folder.Path;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(base), ec);
  folder.Path = MakePrivateFolder(base, "delva-");
  if (!folder.Path.empty()) {
    InstallInterruptCleanup();
    folder.Slot = RemoveOnInterrupt(folder.Path, true);
  }
  return folder.Path;
}
