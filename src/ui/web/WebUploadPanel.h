#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "Pace.h"
#include "UploadEngine.h"
#include "common/AppContext.h"

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tavo {

class IpAddressEdit;
class TargetBar;

// The upload half of the "Web Upload" page: the groups "Destinazione" and "Upload". Set
// prepares an UploadEngine for the address (the engine opens its socket and records the
// address in the history); "Upload " reads the project file on a worker and starts that
// engine, whose typed signals drive the page's progress bar (with the time left) and the
// final messages on this thread. The status line and the progress bar are the page's,
// lying one over the other below both halves.
class CWebUploadPanel : public QWidget {
    Q_OBJECT
public:
    CWebUploadPanel(AppContext& context, Pace pace, QLineEdit* status, QProgressBar* progress,
                    std::function<void(const QString&)> showStatus, QWidget* page);
    ~CWebUploadPanel() override;

    // The image the page just built is the one to upload next, unless one is chosen.
    void offerBuiltImage(const QString& path);

    int m_bUploading = 0;   // an upload runs (from its start until its final status)
    int m_bAddressSet = 0;  // result of the last address set-up
    QString m_strProjectFile;
    quint32 m_nProjectLength = 0;
    // The upload the last Set prepared for its address: its engine holds the socket. An
    // upload takes it over when it starts, so a later Set never touches a running one.
    std::unique_ptr<UploadEngine> m_pSocket;

signals:
    // The end of an upload, after its messages; `completed` when every block was sent
    // (and, with "Verifica", read back equal).
    void uploadPassFinished(bool completed);

public slots:
    void OnSet();
    void OnIpDatabase();
    void OnClearIpDatabase();
    void OnSelectProjectFile();
    void OnUpload();

private:
    void message(const QString& text, const QString& caption);
    void UploadThreadProc();
    void startRun(std::shared_ptr<const std::vector<uint8_t>> image);
    void showUploadProgress(const UploadProgress& progress);
    void uploadFinished(const UploadResult& result);
    void endUpload(bool completed);

    AppContext& m_context;
    Pace m_pace;
    QLineEdit* m_status;
    QProgressBar* m_progress;
    std::function<void(const QString&)> m_showStatus;
    std::thread m_uploadWorker;  // reads the project file; joined before its result is read
    std::unique_ptr<UploadEngine> m_run;

    TargetBar* m_target = nullptr;
    IpAddressEdit* m_ipAddress = nullptr;
    QPushButton* m_setButton = nullptr;
    QPushButton* m_uploadButton = nullptr;
    QLineEdit* m_projectPath = nullptr;
    QCheckBox* m_verify = nullptr;
};

}  // namespace tavo
