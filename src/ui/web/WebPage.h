#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Pace.h"
#include "common/AppContext.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace tavo {

class CWebUploadPanel;
struct WebFolderPlan;

// The second tab, "Web Upload". Its left half, the group "Risorse Web", turns a folder of
// web files into a project file: "Seleziona Files" picks the folder, lists every file below
// it with its size and resource index, makes the indexes distinct (renaming files and
// patching the pages that name them, told to the operator afterwards) and starts the build
// by itself; the build reads and composes on a worker thread that never touches a widget,
// and asks only for the file to write.
//
// The right half, the groups "Destinazione" and "Upload" (CWebUploadPanel), sends a
// project file to a device with the link's UploadEngine, paced by a timer on this thread:
// the progress bar counts the blocks and tells the time left; with "Verifica" the blocks
// are read back and compared with the file. Only the file is read on a worker.
//
// The scan and the composition are the core's, shared with `tavo image build`, so both
// make the same image of one folder. A selection that would be refused (too large, too
// many files) changes nothing in the folder.
class CWebPage : public QWidget {
    Q_OBJECT
public:
    explicit CWebPage(AppContext& context, QWidget* parent = nullptr, Pace pace = Pace::product());
    ~CWebPage() override;

    // Where the default page "707.html" is looked for when a folder has none: the
    // start-up directory, else beside the program.
    void setTemplateFolders(const QString& startupDir, const QString& programDir);
    // Shows a text in the status line 1024.
    void showStatus(const QString& text);
    // The column on the right, kept for the upload controls.
    QVBoxLayout* uploadArea() const { return m_uploadArea; }
    CWebUploadPanel* uploadPanel() const { return m_upload; }

    QString m_strFolder;  // the web folder, root of all URL paths; empty when none is chosen
    int m_nFiles = 0;     // resources handed to the build
    int m_bBuilding = 0;  // build run request
    qint64 m_nTotalBytes = 0;
    int m_nRows = 0;

signals:
    // The start of a build pass: the list is taken over as it is now.
    void buildPassStarted();
    // The end of a build pass, after its messages; `built` when the file was written.
    void buildPassFinished(bool built);
    // The end of an upload, after its messages; `completed` when every block was sent
    // (and, with "Verifica", read back equal).
    void uploadPassFinished(bool completed);

public slots:
    void OnSelectFiles();
    void OnClearFiles();
    void OnBuild();

private:
    void OnInitDialog();
    void buildControls(Pace pace);
    void ResetList();
    void appendRow(const QString& path, qint64 size, int index);
    void fillRows(const WebFolderPlan& plan, bool asPlanned);
    void message(const QString& text, const QString& caption);
    bool selectFolder(const QString& folder);
    void BuildThreadProc();
    void saveImage(std::vector<uint8_t> image);
    void endPass(bool built);
    void endPass(bool built, const QString& text, const QString& caption);
    void runOnWorker(std::function<void()> work, std::function<void()> done);

    AppContext& m_context;
    QString m_startupDir;
    QString m_programDir;
    std::vector<std::string> m_pFilePaths;  // handed to the next build, which takes them
    bool m_bPassRunning = false;
    bool m_bBuildPending = false;  // a selection ended while a pass ran: build after it
    std::thread m_worker;  // joined before its result is read

    QTableWidget* m_list = nullptr;
    QPushButton* m_selectButton = nullptr;
    QPushButton* m_clearButton = nullptr;
    QPushButton* m_buildButton = nullptr;
    QLineEdit* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QVBoxLayout* m_uploadArea = nullptr;
    CWebUploadPanel* m_upload = nullptr;
    QLabel* m_picture = nullptr;
};

}  // namespace tavo
