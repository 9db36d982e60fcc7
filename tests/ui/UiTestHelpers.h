#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "LinkConfig.h"
#include "controls/IpAddressEdit.h"

namespace tavo::test {

// Runs `act` on the modal dialog once it is up, polling a bounded number of times; the
// act is expected to close the dialog. The poll ends with `context` if that goes first.
inline void WhenModal(std::function<void(QWidget*)> act, int attempts = 400, QObject* context = nullptr) {
    QTimer::singleShot(5, context ? context : qApp, [act = std::move(act), attempts, context]() mutable {
        // A modal widget counts as up once the keyboard focus is inside it (keys sent
        // before that land on whatever takes the focus first); one that never takes the
        // focus is acted on when the attempts run out.
        QWidget* modal = QApplication::activeModalWidget();
        const QWidget* focus = QApplication::focusWidget();
        const bool focused = modal != nullptr && focus != nullptr && focus->window() == modal;
        if (modal != nullptr && (focused || attempts == 0)) {
            act(modal);
        } else if (attempts > 0) {
            WhenModal(std::move(act), attempts - 1, context);
        }
    });
}

// A link that can only ever reach loopback: free ports, the loopback broadcast.
inline LinkConfig loopbackLink() {
    LinkConfig link;
    link.bootpServerPort = 0;
    link.bootpClientPort = 0;
    link.devicePort = 0;
    link.broadcast = QHostAddress(QStringLiteral("127.255.255.255"));
    return link;
}

inline QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

inline QLineEdit* OctetField(QWidget* root, const char* addressName, int octet) {
    auto* address = root->findChild<IpAddressEdit*>(QString::fromLatin1(addressName));
    return address ? address->findChild<QLineEdit*>(QStringLiteral("octet%1").arg(octet)) : nullptr;
}

// Types a dotted address into the four octet fields of an address field.
inline void TypeAddress(QWidget* root, const char* addressName, const QString& dotted) {
    const QStringList octets = dotted.split(QLatin1Char('.'));
    for (int i = 0; i < octets.size() && i < 4; ++i) {
        QLineEdit* field = OctetField(root, addressName, i);
        if (field == nullptr) return;
        field->clear();
        QTest::keyClicks(field, octets.at(i));
    }
}

// Types keys one by one into whatever has the keyboard focus, as a person does: "\b" is
// Backspace, "<" Left and ">" Right, every other character itself.
inline void TypeKeys(const QString& keys) {
    for (const QChar c : keys) {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr) return;
        if (c == QLatin1Char('\b'))
            QTest::keyClick(focus, Qt::Key_Backspace);
        else if (c == QLatin1Char('<'))
            QTest::keyClick(focus, Qt::Key_Left);
        else if (c == QLatin1Char('>'))
            QTest::keyClick(focus, Qt::Key_Right);
        else
            QTest::keyClick(focus, c.toLatin1());
    }
}

// Types a dotted address key by key into an address field, from its first field on.
inline void TypeIntoAddress(QWidget* root, const char* addressName, const QString& keys) {
    auto* address = root->findChild<IpAddressEdit*>(QString::fromLatin1(addressName));
    if (address == nullptr) return;
    address->clear();
    address->octetField(0)->setFocus();
    TypeKeys(keys);
}

}  // namespace tavo::test
