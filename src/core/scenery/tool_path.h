#pragma once

#include <string>

// Paths handed to the terrain compiler. On a host that is not Windows the
// compiler is a Windows program run through Wine, and every path it receives
// (its command line and the folders written into its INF files) must be in
// the Windows form that Wine maps: the host's "/" is Wine's drive Z:.
enum class TToolPathForm {
  Host,  // paths as the host writes them
  Wine,  // "Z:\..." for absolute host paths
};

// True when the host path names a Windows executable that needs Wine on
// this host (its extension is ".exe" in any letter case and the host is not
// Windows).
bool NeedsWine(const std::string& programPath);

// The Wine form of a host path: made absolute and normalised, "/" turned
// into "\", prefixed with "Z:". A path that already has a drive letter is
// returned unchanged.
std::string WinePath(const std::string& hostPath);

// The path as the compiler must see it.
std::string ToolPath(const std::string& hostPath, TToolPathForm form);

// The folder part of a path including its final separator ("/" and "\" both
// end a folder part); empty for a bare file name.
std::string FolderWithSeparator(const std::string& path);
// The part after the last "/" or "\".
std::string NameOfPath(const std::string& path);
// The text between double quotes, as INF files and the compiler's command
// line take a path.
std::string Quoted(const std::string& s);
