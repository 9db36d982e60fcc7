// The upload half of the "Web Upload" page: the groups "Destinazione" and "Upload".
// Set prepares an UploadEngine for the address (it opens its socket and records the
// address); "Upload " reads the project file on a worker and starts that engine, whose typed signals drive the
// progress bar (with the time left) and the final messages on this thread.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "IPFDB.h"
#include "UploadEngine.h"
#include "UploadPlan.h"
#include "WebPage.h"
#include "WebTexts.h"
#include "address/IPDBdlg.h"
#include "common/Prompts.h"
#include "common/TablePrompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {
namespace texts = webtexts;
constexpr int kStatusSettleMs = 100;  // the final upload status stays this long
}  // namespace

void CWebPage::buildUploadControls() {
    m_ipAddress = new IpAddressEdit(this);
    m_ipAddress->setObjectName(QStringLiteral("1017"));
    auto* ipDatabase = newButton(texts::kIpHistory, "1019", this);
    auto* clearIpDatabase = newButton(texts::kClearIpHistory, "1030", this);
    m_setButton = newButton(texts::kCaptionSet, "1020", this);
    m_setButton->setDefault(true);
    m_setButton->hide();
    // The hidden default button: Enter anywhere on the page runs the address set-up.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this, this, &CWebPage::OnSet);
        enter->setContext(Qt::WidgetWithChildrenShortcut);
    }

    auto* destination = new QGroupBox(texts::kDestinationGroup, this);
    destination->setObjectName(QStringLiteral("destinationGroup"));
    auto* destinationLayout = new QGridLayout(destination);
    auto* ipLabel = new QLabel(texts::kAddressLabel, destination);
    destinationLayout->addWidget(ipLabel, 0, 0);
    destinationLayout->addWidget(m_ipAddress, 0, 1);
    destinationLayout->addWidget(ipDatabase, 1, 0, 1, 2);
    destinationLayout->addWidget(clearIpDatabase, 2, 0, 1, 2);
    destinationLayout->addWidget(m_setButton, 3, 0, 1, 2);

    auto* selectProject = newButton(texts::kSelectProject, "1021", this);
    m_projectPath = new QLineEdit(this);
    m_projectPath->setObjectName(QStringLiteral("1018"));
    m_projectPath->setReadOnly(true);
    m_uploadButton = newButton(texts::kCaptionUpload, "1022", this);
    m_verify = new QCheckBox(texts::kVerifyOption, this);
    m_verify->setObjectName(QStringLiteral("verify"));
    m_verify->setChecked(false);

    auto* upload = new QGroupBox(texts::kUploadGroup, this);
    upload->setObjectName(QStringLiteral("uploadGroup"));
    auto* uploadLayout = new QVBoxLayout(upload);
    uploadLayout->addWidget(selectProject);
    uploadLayout->addWidget(m_projectPath);
    auto* start = new QHBoxLayout;
    start->addWidget(m_uploadButton);
    start->addWidget(m_verify);
    uploadLayout->addLayout(start);

    m_uploadArea->addWidget(destination);
    m_uploadArea->addWidget(upload);
    m_uploadArea->addStretch(1);

    connect(ipDatabase, &QPushButton::clicked, this, &CWebPage::OnIpDatabase);
    connect(clearIpDatabase, &QPushButton::clicked, this, &CWebPage::OnClearIpDatabase);
    connect(m_setButton, &QPushButton::clicked, this, &CWebPage::OnSet);
    connect(selectProject, &QPushButton::clicked, this, &CWebPage::OnSelectProjectFile);
    connect(m_uploadButton, &QPushButton::clicked, this, &CWebPage::OnUpload);
}

void CWebPage::OnSet() {
    const Ipv4Octets ip = m_ipAddress->address();
    m_ipAddress->setAddress(ip);  // an empty field becomes 0
    if (ip == Ipv4Octets{0, 0, 0, 0}) {
        message(texts::kAddressZero, texts::kCaptionWarning);
        m_bAddressSet = 0;
        return;
    }
    m_bAddressSet = 1;
    UploadRequest request;
    request.target = QHostAddress(QString::fromStdString(formatDotted(ip)));
    request.dataDir = m_context.dataDir.toStdString();
    request.historyMessages = tableMessagesTo(m_context.prompts);
    m_pSocket = std::make_unique<UploadEngine>(m_context.link, m_pace, std::move(request));
    m_pSocket->prepare();
    showStatus(texts::kSocketReady);
}

void CWebPage::OnIpDatabase() {
    CIPDBdlg picker(m_context, this);
    if (picker.exec() == QDialog::Accepted) {
        const auto& octet = picker.m_nOctet;
        m_ipAddress->setOctets(octet[0], octet[1], octet[2], octet[3]);
    } else {
        m_ipAddress->setOctets(0, 0, 0, 0);
    }
}

void CWebPage::OnClearIpDatabase() {
    CIPFDB history(m_context.dataDir.toStdString(), tableMessagesTo(m_context.prompts));
    history.ClearAll();
}

void CWebPage::OnSelectProjectFile() {
    m_strProjectFile = m_context.prompts.openFile(QString(), texts::kOpenFilter, texts::kDefaultSuffix);
    m_projectPath->setText(m_strProjectFile);
}

void CWebPage::OnUpload() {
    if (m_bUploading) return;  // the button is disabled meanwhile; Enter cannot start a second one
    OnSet();
    if (!m_bAddressSet) return;
    showStatus(texts::kUploading);
    if (m_strProjectFile.isEmpty()) {
        message(texts::kNoProjectFile, texts::kCaptionError);
        showStatus(texts::kWaiting);
        return;
    }
    m_bUploading = 1;
    m_uploadButton->setEnabled(false);
    UploadThreadProc();
}

// Reads the file on a worker (a slow disk never holds up this thread), refuses it above
// the limit before anything is sent, and starts the run.
void CWebPage::UploadThreadProc() {
    auto file = std::make_shared<ProjectFile>();
    const std::string path = m_strProjectFile.toStdString();
    runOnWorker(
        m_uploadWorker, [file, path] { *file = loadProjectFile(path); },
        [this, file] {
            switch (file->status) {
            case ProjectFileStatus::Ok: break;
            case ProjectFileStatus::TooLarge:
                message(texts::kFileTooLarge, texts::kCaptionError);
                return endUpload(false);
            case ProjectFileStatus::CannotOpen:
            case ProjectFileStatus::CannotRead: {
                const texts::Message failure =
                    texts::projectFileUnreadable(m_strProjectFile, QString::fromStdString(file->reason));
                message(failure.text, failure.caption);
                return endUpload(false);
            }
            }
            m_nProjectLength = static_cast<quint32>(file->length);
            startRun(std::make_shared<const std::vector<uint8_t>>(std::move(file->bytes)));
        });
}

void CWebPage::startRun(std::shared_ptr<const std::vector<uint8_t>> image) {
    m_status->hide();
    m_progress->show();
    m_progress->setRange(0, uploadBlockCount(image->size()));
    m_progress->setValue(0);
    m_run = std::move(m_pSocket);
    connect(m_run.get(), &UploadEngine::phaseStarted, this, [this](UploadPhase, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(0);
    });
    connect(m_run.get(), &UploadEngine::progressed, this, &CWebPage::showUploadProgress);
    connect(m_run.get(), &UploadEngine::finished, this, &CWebPage::uploadFinished);
    m_run->start(std::move(image), m_verify->isChecked());
}

void CWebPage::showUploadProgress(const UploadProgress& progress) {
    m_progress->setMaximum(std::max(progress.total, 1));
    m_progress->setValue(progress.done);
    m_progress->setFormat(texts::progressFormat(progress.phase, progress.timeLeft));
}

void CWebPage::uploadFinished(const UploadResult& result) {
    if (result.ok()) {
        message(texts::kUploadDone, texts::kCaptionUploadDone);
        m_uploadButton->setText(texts::kCaptionUploaded);
    } else {
        const texts::Message failure = texts::uploadFailure(result, m_run->request().target.toString());
        if (!failure.text.isEmpty()) message(failure.text, failure.caption);
    }
    // The run is inside its own signal: it goes once this event is over.
    if (UploadEngine* run = m_run.release()) run->deleteLater();
    endUpload(result.ok());
}

void CWebPage::endUpload(bool completed) {
    m_bUploading = 0;
    m_progress->hide();
    m_progress->resetFormat();
    m_status->show();
    showStatus(completed ? texts::kUploadCompleted : texts::kUploadInterrupted);
    QTimer::singleShot(kStatusSettleMs, this, [this] {
        if (!m_bUploading) showStatus(texts::kWaiting);
    });
    m_uploadButton->setEnabled(true);
    emit uploadPassFinished(completed);
}

}  // namespace tavo
