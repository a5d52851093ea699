#pragma once
// Errors reach the user one way: a handler's body runs inside Guarded, which
// catches whatever it throws and shows it with ShowErrorMessage, so no
// exception ever unwinds through Qt's own frames.

#include <QString>
#include <exception>
#include <functional>

// The text the box shows: "." appended when the last character sorts after ".".
QString ErrorBoxText(const QString& message);

// Modal box with the error icon, titled "Pentarix", unless a sink is installed.
void ShowErrorMessage(const QString& message);

// Tests install a recorder so that headless runs never block on a dialog.
using TErrorSink = std::function<void(const QString&)>;
void SetErrorSink(TErrorSink sink);

void ShowCurrentException();

template <class Body> void Guarded(Body&& body) {
    try {
        body();
    } catch (...) {
        ShowCurrentException();
    }
}
