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

QString askFile(QFileDialog::AcceptMode mode, const QString& caption, const QString& filter,
                const QString& defaultSuffix) {
    QFileDialog dialog(owner(), caption, QString(), filter);
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!defaultSuffix.isEmpty()) {
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.selectFile(QStringLiteral("*.") + defaultSuffix);
    }
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

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

QString MessageBoxPrompts::openFile(const QString& caption, const QString& filter, const QString& defaultSuffix) {
    return onUiThread([&] { return askFile(QFileDialog::AcceptOpen, caption, filter, defaultSuffix); });
}

QString MessageBoxPrompts::saveFile(const QString& caption, const QString& filter, const QString& defaultSuffix) {
    return onUiThread([&] { return askFile(QFileDialog::AcceptSave, caption, filter, defaultSuffix); });
}

QString MessageBoxPrompts::pickFolder(const QString& caption) {
    return onUiThread([&] { return QFileDialog::getExistingDirectory(owner(), caption); });
}

}  // namespace tavo
