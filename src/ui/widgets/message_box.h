#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box of the editor goes through ShowMessage, so that tests can
// install a recorder that answers instead of a modal box.
// WarningQuestion: a Yes/No question with the warning icon (data at risk).
enum class TMsgKind { Confirmation, Warning, Error, Information, WarningQuestion };

// Returns true when the user answered Yes (the questions) or OK (others).
bool ShowMessage(QWidget* parent, TMsgKind kind, const QString& text);

using TMessageHook = std::function<bool(TMsgKind kind, const QString& text)>;
// Replaces the modal box; an empty hook restores it. Returns the previous hook.
TMessageHook SetMessageHook(TMessageHook hook);

// A question with a third way out ("Save changes ...?": Yes, No, Cancel).
// Without its own hook it goes to the message hook as a Confirmation (Yes or
// No); tests that need Cancel install an answer hook.
enum class TAnswer { Yes, No, Cancel };
TAnswer AskYesNoCancel(QWidget* parent, const QString& text);
using TAnswerHook = std::function<TAnswer(const QString& text)>;
TAnswerHook SetAnswerHook(TAnswerHook hook);
