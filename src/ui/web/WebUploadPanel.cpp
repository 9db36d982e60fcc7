#include "WebUploadPanel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "UploadPlan.h"
#include "WebTexts.h"
#include "WorkerThread.h"
#include "address/AddressTexts.h"
#include "common/CommonTexts.h"
#include "common/Prompts.h"
#include "common/TablePrompts.h"
#include "common/TargetBar.h"
#include "controls/IpAddressEdit.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {
namespace texts = webtexts;
constexpr int kStatusSettleMs = 100;  // the final upload status stays this long
}  // namespace

CWebUploadPanel::CWebUploadPanel(AppContext& context, Pace pace, QLineEdit* status, QProgressBar* progress,
                                 std::function<void(const QString&)> showStatus, QWidget* page)
    : QWidget(page),
      m_context(context),
      m_pace(pace),
      m_status(status),
      m_progress(progress),
      m_showStatus(std::move(showStatus)) {
    setObjectName(QStringLiteral("uploadPanel"));
    auto* destination = new QGroupBox(texts::kDestinationGroup, this);
    destination->setObjectName(QStringLiteral("destinationGroup"));
    m_target = new TargetBar(context,
                             {texts::kAddressLabel, QStringLiteral("1017"), QString::fromUtf8(kIpHistoryTitle), QStringLiteral("1019"),
                              texts::kClearIpHistory, QStringLiteral("1030")},
                             TargetBar::Arrangement::Stacked, destination);
    m_target->setDialogParent(page);
    m_ipAddress = m_target->field();
    m_setButton = newButton(texts::kCaptionSet, "1020", m_target);
    m_setButton->setDefault(true);
    m_setButton->hide();
    m_target->insert(m_setButton);
    auto* destinationLayout = new QVBoxLayout(destination);
    destinationLayout->addWidget(m_target);

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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(destination);
    layout->addWidget(upload);
    layout->addStretch(1);

    connect(m_setButton, &QPushButton::clicked, this, &CWebUploadPanel::OnSet);
    connect(selectProject, &QPushButton::clicked, this, &CWebUploadPanel::OnSelectProjectFile);
    connect(m_uploadButton, &QPushButton::clicked, this, &CWebUploadPanel::OnUpload);
}

// A running read finishes; its result goes nowhere. A running upload ends with the page.
CWebUploadPanel::~CWebUploadPanel() {
    if (m_uploadWorker.joinable()) m_uploadWorker.join();
    m_run.reset();
}

void CWebUploadPanel::message(const QString& text, const QString& caption) { m_context.prompts.message(text, caption); }

void CWebUploadPanel::offerBuiltImage(const QString& path) {
    if (!m_strProjectFile.isEmpty()) return;
    m_strProjectFile = path;
    m_projectPath->setText(m_strProjectFile);
}

void CWebUploadPanel::OnSet() {
    const Ipv4Octets ip = m_ipAddress->address();
    m_ipAddress->setAddress(ip);  // an empty field becomes 0
    if (ip == Ipv4Octets{0, 0, 0, 0}) {
        message(commontexts::kNoTargetAddress, texts::kCaptionWarning);
        m_bAddressSet = 0;
        return;
    }
    m_bAddressSet = 1;
    UploadRequest request;
    request.target = QHostAddress(QString::fromStdString(formatDotted(ip)));
    request.dataDir = m_context.dataDir.toStdString();
    request.historyMessages = tableMessagesTo(m_context.prompts);
    m_pSocket = std::make_unique<UploadEngine>(m_context.link, m_pace, std::move(request));
    // The status first, as before the engine: a history problem is told over it.
    m_showStatus(texts::kSocketReady);
    m_pSocket->prepare();
}

void CWebUploadPanel::OnIpDatabase() { m_target->pickFromHistory(); }

void CWebUploadPanel::OnClearIpDatabase() { m_target->clearHistory(); }

void CWebUploadPanel::OnSelectProjectFile() {
    m_strProjectFile = m_context.prompts.openFile(QString(), texts::kOpenFilter, texts::kDefaultSuffix);
    m_projectPath->setText(m_strProjectFile);
}

void CWebUploadPanel::OnUpload() {
    if (m_bUploading) return;  // the button is disabled meanwhile; Enter cannot start a second one
    OnSet();
    if (!m_bAddressSet) return;
    m_showStatus(texts::kUploading);
    if (m_strProjectFile.isEmpty()) {
        message(texts::kNoProjectFile, texts::kCaptionError);
        m_showStatus(texts::kWaiting);
        return;
    }
    m_bUploading = 1;
    m_uploadButton->setEnabled(false);
    UploadThreadProc();
}

// Reads the file on a worker (a slow disk never holds up this thread), refuses it above
// the limit before anything is sent, and starts the run.
void CWebUploadPanel::UploadThreadProc() {
    auto file = std::make_shared<ProjectFile>();
    const std::string path = m_strProjectFile.toStdString();
    runOnWorker(
        this, m_uploadWorker, [file, path] { *file = loadProjectFile(path); },
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

void CWebUploadPanel::startRun(std::shared_ptr<const std::vector<uint8_t>> image) {
    m_status->hide();
    m_progress->show();
    m_progress->setRange(0, uploadBlockCount(image->size()));
    m_progress->setValue(0);
    m_run = std::move(m_pSocket);
    connect(m_run.get(), &UploadEngine::phaseStarted, this, [this](UploadPhase, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(0);
    });
    connect(m_run.get(), &UploadEngine::progressed, this, &CWebUploadPanel::showUploadProgress);
    connect(m_run.get(), &UploadEngine::finished, this, &CWebUploadPanel::uploadFinished);
    m_run->start(std::move(image), m_verify->isChecked());
}

void CWebUploadPanel::showUploadProgress(const UploadProgress& progress) {
    m_progress->setMaximum(std::max(progress.total, 1));
    m_progress->setValue(progress.done);
    m_progress->setFormat(texts::progressFormat(progress.phase, progress.timeLeft));
}

void CWebUploadPanel::uploadFinished(const UploadResult& result) {
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

void CWebUploadPanel::endUpload(bool completed) {
    m_bUploading = 0;
    m_progress->hide();
    m_progress->resetFormat();
    m_status->show();
    m_showStatus(completed ? texts::kUploadCompleted : texts::kUploadInterrupted);
    QTimer::singleShot(kStatusSettleMs, this, [this] {
        if (!m_bUploading) m_showStatus(texts::kWaiting);
    });
    m_uploadButton->setEnabled(true);
    emit uploadPassFinished(completed);
}

}  // namespace tavo
