#pragma once

#include <QQueue>
#include <QString>
#include <QStringList>

#include "common/Prompts.h"

namespace tavo::test {

// The prompts seam for tests: records every question in order and answers from queues.
// An unscripted confirmation answers yes; an unscripted picker answers cancel.
class FakePrompts : public Prompts {
public:
    struct Message {
        QString text;
        QString caption;
        bool operator==(const Message&) const = default;
    };

    void message(const QString& text, const QString& caption) override {
        messages.append({text, caption});
    }
    bool confirm(const QString& operation, const QString& description) override {
        confirmations.append(operation + QStringLiteral(" | ") + description);
        return confirmAnswers.isEmpty() ? true : confirmAnswers.dequeue();
    }
    QString openFile(const QString&, const QString&, const QString& defaultSuffix = QString()) override {
        suffixes.append(defaultSuffix);
        return next();
    }
    QString saveFile(const QString&, const QString&, const QString& defaultSuffix = QString()) override {
        suffixes.append(defaultSuffix);
        return next();
    }
    QString pickFolder(const QString&) override { return next(); }

    QList<Message> messages;
    QStringList confirmations;
    QQueue<bool> confirmAnswers;
    QQueue<QString> pathAnswers;
    QStringList suffixes;  // the default suffix of each file picker asked, in order

private:
    QString next() { return pathAnswers.isEmpty() ? QString() : pathAnswers.dequeue(); }
};

}  // namespace tavo::test
