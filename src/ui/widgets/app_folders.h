#pragma once

#include <QString>
#include <string>

class QWidget;

// The folder for extracted tiles and temporary rasters: "temp" beside the
// executable when that folder is writable, else in the user's cache folder.
// Set when the main window is first shown; no trailing separator.
const QString& TempDir();
// Same, as a UTF-8 std::string for the core.
std::string TempDirUtf8();
// At start-up: a private folder of this editor inside the folder above
// (removed at exit); false when it cannot be made, and the shared folder
// is used.
bool ChooseEditorTempDir();

// The folder of the configuration file "delvacfg.bin": beside the executable
// when files can be created there, else the user's configuration folder.
// The record itself is the global ProgCfg (settings/prog_cfg.h).
std::string SettingsFolder();

// Help pages: the folder "help" beside the executable (or the installed
// share/delva/help). Empty when its index.htm does not exist.
QString HelpFolder();
// Tests point the help at a folder of their own (empty: the normal lookup).
void SetHelpFolderOverride(const QString& folder);
bool HelpFileExists();
// Opens the built-in help window at a page of the help folder (e.g.
// "editing_filling.htm"); does nothing when the help does not exist.
void ShowHelpTopic(QWidget* owner, const QString& page);
// Closes the help window if one is open.
void CloseHelpWindows();
