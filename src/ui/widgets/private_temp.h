#pragma once

#include <string>

// The editor's own folder for extracted tiles and scenery files: a fresh
// folder inside `base` (the configured TempDir), made on the first call and
// removed with its contents when the program ends (also on Ctrl+C or a
// termination request). Two editors never share one, so neither removes
// the other's files. "" when it cannot be made.
std::string EditorTempFolder(const std::string& base);
