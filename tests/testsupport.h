#pragma once
// Shared by every suite: the error recorder that stands in for the modal box.

#include <QString>
#include <QStringList>

void InstallErrorRecorder();
// Every message "shown" since the last call, in order; the list is then emptied.
QStringList TakeRecordedErrors();
