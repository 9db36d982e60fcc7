#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

#include "app/MessageBoxPrompts.h"
#include "controls/ConfirmDlg.h"

namespace tavo {
namespace {

constexpr int kStillOpen = 99;  // the result of a dialog that the act failed to end

// Runs `act` on the modal dialog once it is up (a bounded poll). A dialog that the act
// leaves open is ended with kStillOpen, so that a fault fails the test instead of hanging it.
void WhenModal(std::function<void(QDialog*)> act, int attempts = 400) {
    QTimer::singleShot(5, qApp, [act = std::move(act), attempts]() mutable {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        // The dialog counts as up once the keyboard focus is inside it: a key sent
        // before that would land on whatever gets the focus first.
        const QWidget* focus = QApplication::focusWidget();
        const bool focused = dialog != nullptr && focus != nullptr && focus->window() == dialog;
        if (!focused && attempts > 0) {
            WhenModal(std::move(act), attempts - 1);
            return;
        }
        if (dialog == nullptr) {
            if (attempts > 0) WhenModal(std::move(act), attempts - 1);
            return;
        }
        QPointer<QDialog> guard(dialog);
        act(dialog);
        if (guard && guard->isVisible()) guard->done(kStillOpen);
    });
}

QWidget* KeyTarget(QDialog* dialog) {
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && focus->window() == dialog ? focus : dialog;
}

void PressKey(QDialog* dialog, Qt::Key key) { QTest::keyClick(KeyTarget(dialog), key); }

TEST(ConfirmDlg, TitleHeadingAndFixedTexts) {
    const struct {
        const char* operation;
        const char* message;
        const char* title;
    } cases[] = {
        {"IP Clear", "Cancellazione dell'indirizzo IP dal dispositivo !!", "Warning to IP Clear"},
        {"", "Si sta cancellando l'indirizzo IP 10.0.0.7", "Warning to "},
        {"Write", "Si sta scrivendo sull'indirizzo IP 192.168.1.20", "Warning to Write"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        CConfirmDlg dialog(QString::fromUtf8(c.operation), QString::fromUtf8(c.message));
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title));
        auto* heading = dialog.findChild<QLabel*>(QStringLiteral("1055"));
        ASSERT_NE(heading, nullptr);
        EXPECT_EQ(heading->text(), QString::fromUtf8(c.message));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("warningText"))->text(),
                  QStringLiteral("Questa operazione potrebbe compromettere il corretto funzionamento del sistema."));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("questionText"))->text(), QStringLiteral("Andare avanti ?"));
        EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("1057"))->pixmap().isNull());
        auto* yes = dialog.findChild<QPushButton*>(QStringLiteral("IDOK"));
        auto* no = dialog.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
        ASSERT_TRUE(yes && no);
        EXPECT_EQ(yes->text(), QStringLiteral("Si"));
        EXPECT_EQ(no->text(), QStringLiteral("No"));
        EXPECT_TRUE(yes->isDefault());
    }
}

TEST(ConfirmDlg, AnswersOfTheOperator) {
    const struct {
        const char* what;
        std::function<void(QDialog*)> act;
        int result;
    } cases[] = {
        {"Enter", [](QDialog* d) { PressKey(d, Qt::Key_Return); }, QDialog::Accepted},
        {"Escape", [](QDialog* d) { PressKey(d, Qt::Key_Escape); }, QDialog::Rejected},
        {"close box", [](QDialog* d) { d->windowHandle()->close(); }, QDialog::Rejected},
        {"click Si", [](QDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>("IDOK"), Qt::LeftButton); },
         QDialog::Accepted},
        {"click No", [](QDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton); },
         QDialog::Rejected},
        {"Tab to No, Enter",
         [](QDialog* d) {
             PressKey(d, Qt::Key_Tab);
             PressKey(d, Qt::Key_Return);
         },
         QDialog::Rejected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CConfirmDlg dialog(QStringLiteral("IP Clear"), QStringLiteral("Cancellazione dell'indirizzo IP dal dispositivo !!"));
        WhenModal(c.act);
        EXPECT_EQ(dialog.exec(), c.result);
    }
}

TEST(MessageBoxPrompts, ConfirmAsksWithTheWarningDialog) {
    MessageBoxPrompts prompts;
    const struct {
        Qt::Key key;
        bool goAhead;
    } cases[] = {{Qt::Key_Return, true}, {Qt::Key_Escape, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.goAhead);
        QString title;
        WhenModal([&](QDialog* d) {
            title = d->windowTitle();
            PressKey(d, c.key);
        });
        EXPECT_EQ(prompts.confirm(QStringLiteral("Clear"), QStringLiteral("Si sta cancellando l'indirizzo IP 10.0.0.7")),
                  c.goAhead);
        EXPECT_EQ(title, QStringLiteral("Warning to Clear"));
    }
}

TEST(MessageBoxPrompts, MessageShowsTextAndCaptionWithOk) {
    MessageBoxPrompts prompts;
    QString text, caption;
    QStringList buttons;
    WhenModal([&](QDialog* d) {
        auto* box = qobject_cast<QMessageBox*>(d);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        for (QAbstractButton* button : box->buttons()) buttons << button->text().remove('&');
        PressKey(d, Qt::Key_Return);
    });
    prompts.message(QStringLiteral("Non ci sono record !!"), QStringLiteral("Avviso"));
    EXPECT_EQ(text, QStringLiteral("Non ci sono record !!"));
    EXPECT_EQ(caption, QStringLiteral("Avviso"));
    EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
}

}  // namespace
}  // namespace tavo
