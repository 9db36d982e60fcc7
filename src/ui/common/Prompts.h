#pragma once

#include <QString>

namespace tavo {

// Everything that asks the operator something goes through this seam, so that tests
// can answer the questions from a script.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A message box with an OK button.
    virtual void message(const QString& text, const QString& caption) = 0;
    // The warning before an operation that changes a device; true means go ahead.
    virtual bool confirm(const QString& operation, const QString& description) = 0;
    // File and folder pickers; an empty text means the operator cancelled. A file picker
    // given a default suffix starts from the name "*.<suffix>" and adds the suffix to a
    // name typed without one, so that the question about an existing file is asked about
    // the file that will be written.
    virtual QString openFile(const QString& caption, const QString& filter, const QString& defaultSuffix = QString()) = 0;
    virtual QString saveFile(const QString& caption, const QString& filter, const QString& defaultSuffix = QString()) = 0;
    virtual QString pickFolder(const QString& caption) = 0;
};

}  // namespace tavo
