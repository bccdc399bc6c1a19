#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <string>

#include "core/document/command_endings.h"

class QWidget;
class TTMesh;
class TTProgress;
class TFormCreateBGLOpt;
class TFormResampleOutput;

// "Create BGL...": options dialog, cut of the mesh into a temporary raster,
// the INF files, the compiler run with its output window, the BGL size.
// Everything the command needs from the main window comes in here, so the
// command can be driven without it.
struct TBglCommandEnv {
  QWidget* Owner = nullptr;
  const TTMesh* Mesh = nullptr;
  TTProgress* Progress = nullptr;                  // may be null
  std::function<void(bool)> EnableUserInput{};     // menus and tool bar; may be empty
  std::function<void(const QString&)> ShowHelp{};  // help page; may be empty
  // How a run past the options dialog ended, with the BGL's file name and
  // the seconds since the options; may be empty.
  std::function<void(TEnding ending, const QString& bglName, double seconds)> Ended{};
  std::string TempDir{};
  std::string ResamplePath{};
  std::string BglFolder{};
};

// Runs the command. The output window, when one was opened, stays open after
// the command and is returned (it frees itself when closed).
QPointer<TFormResampleOutput> CreateBglFromMesh(const TBglCommandEnv& env);

// Replaces the modal run of the options dialog (tests fill in the dialog and
// return QDialog::Accepted or Rejected). An empty hook restores exec().
using TBglOptionsHook = std::function<int(TFormCreateBGLOpt& dialog)>;
TBglOptionsHook SetBglOptionsHook(TBglOptionsHook hook);
