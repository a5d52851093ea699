#include "apperror.h"

#include "numtext.h"

#include <QApplication>
#include <QMessageBox>
#include <stdexcept>

namespace {
TErrorSink& Sink() {
    static TErrorSink sink;
    return sink;
}
} // namespace

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.') return message + u'.';
    return message;
}

void SetErrorSink(TErrorSink sink) {
    Sink() = std::move(sink);
}

void ShowErrorMessage(const QString& message) {
    const QString text = ErrorBoxText(message);
    if (Sink()) {
        Sink()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Pentarix"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void ShowCurrentException() {
    try {
        throw;
    } catch (const EConvertError& e) {
        ShowErrorMessage(e.Message);
    } catch (const std::exception& e) {
        ShowErrorMessage(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorMessage(QStringLiteral("Unknown error"));
    }
}
