#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

#include "common/Prompts.h"
#include "TestingOptions.h"

class QWidget;

namespace tavo {

class CPropSheet;

// The scenes of the project's screenshots (scripts/screenshots): a tab of the sheet, or
// a dialog opened over it, set up with the controls an operator would use.
QStringList screenshotSceneNames();
// The scenes that picture a real file dialog: their prompts ask through the real pickers.
bool sceneShowsFileDialog(const QString& scene);

// Saves a picture of a window as the window system shows it (from the screen), or, where
// that is not possible, as the widget paints itself. False when the file is not written.
bool saveWindowPicture(QWidget& window, const QString& path);

// Sets up one screenshot scene once the sheet is up, waits (bounded) until it is ready,
// saves the picture of the window on top, closes the dialog it opened, and emits
// finished(). For screenshots only: a scene presses buttons as an operator would.
class ScreenshotScene : public QObject {
    Q_OBJECT
public:
    ScreenshotScene(CPropSheet& sheet, const TestingOptions& options, QObject* parent = nullptr);

public slots:
    void start();

signals:
    void finished(bool saved);

private:
    using Ready = std::function<QWidget*()>;
    void showTab(const char* pageName);
    void openOver(const char* pageName, const char* buttonName);
    void waitFor(Ready ready);
    void poll();
    void shoot(QWidget* window);
    bool saveDialogPicture(QWidget& dialog) const;
    QWidget* page(const char* name) const;
    QWidget* topDialog() const;
    void setUtilityTarget(bool withRange);
    void showCommissionLine();

    CPropSheet& m_sheet;
    TestingOptions m_options;
    Ready m_ready;
    QElapsedTimer m_waited;
    QPointer<QWidget> m_readySince;
    QElapsedTimer m_settled;
};

// The prompts of a scene: the folder picker answers with the scene's folder once, the
// file to save and the file to open are the image beside that folder (unless the scene
// pictures the file dialog itself), and messages are written to the standard error
// instead of a box that would hide the scene; the rest goes to the real prompts.
class ScenePrompts : public Prompts {
public:
    ScenePrompts(Prompts& real, QString folder, bool realFilePickers = false)
        : m_real(real),
          m_folder(std::move(folder)),
          m_image(m_folder.isEmpty() || realFilePickers ? QString() : m_folder + ".TAV") {}
    void message(const QString& text, const QString& caption) override;
    bool confirm(const QString& operation, const QString& description) override {
        return m_real.confirm(operation, description);
    }
    QString openFile(const QString& caption, const QString& filter, const QString& defaultSuffix) override {
        return m_image.isEmpty() ? m_real.openFile(caption, filter, defaultSuffix) : m_image;
    }
    QString saveFile(const QString& caption, const QString& filter, const QString& defaultSuffix) override {
        return m_image.isEmpty() ? m_real.saveFile(caption, filter, defaultSuffix) : m_image;
    }
    QString pickFolder(const QString& caption) override {
        if (m_folder.isEmpty()) return m_real.pickFolder(caption);
        return std::exchange(m_folder, QString());
    }

private:
    Prompts& m_real;
    QString m_folder;
    QString m_image;
};

}  // namespace tavo
