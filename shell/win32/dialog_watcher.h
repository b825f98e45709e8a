// Answers the dialogs a plug-in opens (message boxes, open-file dialogs, folder browsers) from
// a thread of its own, since the thread that opened one sits in the dialog's modal loop.
#pragma once

#include <string>

#include "portable/message_box_answers.h"

namespace corvane::win32 {

bool StartDialogWatcher();
// Stops the thread, pumping this thread's messages meanwhile: the watcher may be sending one.
void StopDialogWatcher();

void QueueMessageBoxAnswer(Answer answer);
// The next message box stays open, unanswered, until ReleaseHeldBoxes; then it gets the next
// queued answer (or OK) like any other.
void HoldNextMessageBox();
void ReleaseHeldBoxes();
void QueueOpenFile(const std::string &path);
void QueueFolder(const std::string &path);

}  // namespace corvane::win32
