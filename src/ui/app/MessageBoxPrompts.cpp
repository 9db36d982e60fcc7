#include "MessageBoxPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

#include "controls/ConfirmDlg.h"

namespace tavo {
namespace {

// Widgets live on the user-interface thread only; a worker's question is carried over
// and the worker blocks until it is answered.
template <typename Ask>
auto onUiThread(Ask ask) -> decltype(ask()) {
    if (QThread::currentThread() == qApp->thread()) return ask();
    decltype(ask()) answer{};
    QMetaObject::invokeMethod(qApp, [&] { answer = ask(); }, Qt::BlockingQueuedConnection);
    return answer;
}

QWidget* owner() { return QApplication::activeWindow(); }

}  // namespace

void MessageBoxPrompts::message(const QString& text, const QString& caption) {
    onUiThread([&] {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner());
        box.setObjectName(QStringLiteral("messageBox"));
        return box.exec();
    });
}

bool MessageBoxPrompts::confirm(const QString& operation, const QString& description) {
    return onUiThread([&] {
        CConfirmDlg dialog(operation, description, owner());
        return dialog.exec() != QDialog::Rejected;
    });
}

QString MessageBoxPrompts::openFile(const QString& caption, const QString& filter) {
    return onUiThread([&] { return QFileDialog::getOpenFileName(owner(), caption, QString(), filter); });
}

QString MessageBoxPrompts::saveFile(const QString& caption, const QString& filter) {
    return onUiThread([&] { return QFileDialog::getSaveFileName(owner(), caption, QString(), filter); });
}

QString MessageBoxPrompts::pickFolder(const QString& caption) {
    return onUiThread([&] { return QFileDialog::getExistingDirectory(owner(), caption); });
}

}  // namespace tavo
