#include "core/scenery/resample_tool.h"

#include "core/base/number_text.h"
#include "core/scenery/bgl_build.h"

TResampleCommand BuildResampleCommand(const std::string& resamplePath,
                                      const std::vector<std::string>& infPaths) {
  TResampleCommand cmd;
  if (resamplePath.empty() || infPaths.empty()) return cmd;
  cmd.WorkingDir = FolderWithSeparator(resamplePath);
  cmd.PathForm = NeedsWine(resamplePath) ? TToolPathForm::Wine : TToolPathForm::Host;
  const std::string toolExe = ToolPath(resamplePath, cmd.PathForm);
  cmd.CommandLine = toolExe;
  if (cmd.PathForm == TToolPathForm::Wine) {
    cmd.Program = "wine";
    cmd.Arguments.push_back(toolExe);
  } else {
    cmd.Program = resamplePath;
  }
  for (const std::string& inf : infPaths) {
    const std::string p = ToolPath(inf, cmd.PathForm);
    cmd.Arguments.push_back(p);
    cmd.CommandLine += ' ';
    cmd.CommandLine += Quoted(p);
  }
  return cmd;
}

std::string VersionText(const TFileVersion& v) {
  std::string text = FormatInt(v.Major);
  for (uint16_t part : {v.Minor, v.Release, v.Build}) {
    text += '.';
    text += FormatInt(part);
  }
  return text;
}

TVersionVerdict ClassifyResampleVersion(const TFileVersion& v) {
  if (v == TFileVersion{1, 0, 0, 2} || v == TFileVersion{1, 0, 0, 4})
    return TVersionVerdict::Accepted;
  if (v == TFileVersion{0, 0, 0, 0} || v == TFileVersion{0, 0, 0, 1} ||
      v == TFileVersion{1, 0, 0, 0} || v == TFileVersion{1, 0, 0, 1})
    return TVersionVerdict::Refused;
  return TVersionVerdict::Ask;
}

std::string RefusedVersionText(const TFileVersion& v, const std::string& appName) {
  std::string text = "This version (";
  text += VersionText(v);
  text += ") of Resample is not compatible with ";
  text += appName;
  text += '.';
  return text;
}

std::string UntestedVersionText(const TFileVersion& v, const std::string& appName) {
  std::string text = "This version (";
  text += VersionText(v);
  text += ") of Resample has not been tested with ";
  text += appName;
  text += ".\nAccept this program version?";
  return text;
}

std::string ResampleFinishedText(bool bglExists, int64_t bglSize) {
  std::string text = "Resample has finished.";
  if (!bglExists)
    text += " No BGL file has been created.";
  else if (bglSize == 0)
    text += " Resulting BGL file is empty!";
  else
    text += "  Resulting BGL has " + FormatFixed(double(bglSize) / 1024.0, 2) + " KB";
  return text;
}

std::string ResampleFinishedText(const std::string& bglPath) {
  int64_t size = 0;
  const bool exists = FileSizeIfExists(bglPath, size);
  return ResampleFinishedText(exists, size);
}

std::string ResampleCrashedText(const std::string& bglPath) {
  std::string text = ResampleFinishedText(bglPath);
  text.replace(0, std::string("Resample has finished.").size(), "Resample stopped abnormally.");
  return text;
}

std::string NormalizeNewlines(const std::string& chunk, bool& pendingCR) {
  std::string out;
  out.reserve(chunk.size());
  for (char c : chunk) {
    if (pendingCR) {
      pendingCR = false;
      out += '\n';
      if (c == '\n') continue;
    }
    if (c == '\r')
      pendingCR = true;
    else
      out += c;
  }
  return out;
}
