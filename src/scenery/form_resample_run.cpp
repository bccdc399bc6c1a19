#include "scenery/form_resample_run.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringDecoder>
#include <QTimer>

#include "scenery/resample_tool.h"

namespace {

QStringList ToQt(const std::vector<std::string>& v) {
  QStringList list;
  for (const std::string& s : v) list << QString::fromStdString(s);
  return list;
}

}  // namespace

TResampleRunResult RunResample(const std::string& resamplePath,
                               const std::vector<std::string>& infPaths,
                               const TResampleOutputSink& output) {
  const TResampleCommand cmd = BuildResampleCommand(resamplePath, infPaths);
  if (cmd.Program.empty()) return TResampleRunResult::NotStarted;

  QProcess proc;
  proc.setProcessChannelMode(QProcess::MergedChannels);
  proc.setStandardInputFile(QProcess::nullDevice());
  proc.setWorkingDirectory(QString::fromStdString(cmd.WorkingDir));
  if (cmd.PathForm == TToolPathForm::Wine) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains("WINEDEBUG")) env.insert("WINEDEBUG", "-all");  // Wine's own chatter
    proc.setProcessEnvironment(env);
  }
#ifdef _WIN32
  // The program is passed apart from its arguments, so a path with blanks
  // cannot start another program; the INF paths go in double quotes.
  proc.setProgram(QString::fromStdString(cmd.Program));
  QString native;
  for (const std::string& a : cmd.Arguments) native += " \"" + QString::fromStdString(a) + "\"";
  proc.setNativeArguments(native);
  proc.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
    args->flags |= 0x08000000;  // CREATE_NO_WINDOW: no console flashes up
  });
#else
  proc.setProgram(QString::fromStdString(cmd.Program));
  proc.setArguments(ToQt(cmd.Arguments));
#endif

  // Native programs print in the host's encoding; a Windows tool through
  // Wine prints in its ANSI code page, taken as Latin-1.
  QStringDecoder decoder(cmd.PathForm == TToolPathForm::Wine ? QStringDecoder::Latin1
                                                             : QStringDecoder::System);
  bool pendingCR = false;
  auto drain = [&] {
    const QByteArray bytes = proc.readAll();
    if (bytes.isEmpty()) return;
    const std::string text = NormalizeNewlines(bytes.toStdString(), pendingCR);
    if (!text.empty() && output) output(decoder.decode(QByteArray::fromStdString(text)));
  };

  proc.start();
  if (!proc.waitForStarted(-1)) return TResampleRunResult::NotStarted;

  QEventLoop loop;
  QTimer poll;
  poll.setInterval(100);
  QObject::connect(&poll, &QTimer::timeout, &loop, drain);
  QObject::connect(&proc, &QProcess::finished, &loop, &QEventLoop::quit);
  // An application that quits meanwhile takes the compiler with it.
  if (QCoreApplication* app = QCoreApplication::instance())
    QObject::connect(app, &QCoreApplication::aboutToQuit, &loop, [&] { proc.kill(); });
  poll.start();
  if (proc.state() != QProcess::NotRunning) loop.exec();
  poll.stop();
  if (proc.state() != QProcess::NotRunning) {
    // The loop ended for another reason (application quitting): stop it.
    proc.kill();
    proc.waitForFinished(5000);
  }
  drain();
  return proc.exitStatus() == QProcess::CrashExit ? TResampleRunResult::Crashed
                                                  : TResampleRunResult::Finished;
}
