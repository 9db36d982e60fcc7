#pragma once

#include "common/Prompts.h"

namespace tavo {

// The operator's prompts in the running program: message boxes with OK, the warning
// dialog before a device-changing operation, and the platform's file and folder
// pickers. Each prompt opens over the active window. A prompt asked from a worker
// thread runs on the user-interface thread while the worker waits for the answer.
class MessageBoxPrompts : public Prompts {
public:
    void message(const QString& text, const QString& caption) override;
    bool confirm(const QString& operation, const QString& description) override;
    QString openFile(const QString& caption, const QString& filter, const QString& defaultSuffix) override;
    QString saveFile(const QString& caption, const QString& filter, const QString& defaultSuffix) override;
    QString pickFolder(const QString& caption) override;
};

}  // namespace tavo
