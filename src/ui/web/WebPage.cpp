#include "WebPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "WebFileSystem.h"
#include "WebFolderPlan.h"
#include "WebImageBuild.h"
#include "WebImageBuilder.h"
#include "UploadPicture.h"
#include "WebTexts.h"
#include "WebUploadPanel.h"
#include "WorkerThread.h"
#include "common/Prompts.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {

namespace texts = webtexts;

enum Column { kColName, kColBytes, kColIndex, kColumnCount };

struct ColumnSpec {
    const QString& heading;
    Qt::Alignment alignment;
    int width;
};
const ColumnSpec kColumns[kColumnCount] = {{texts::kColumnName, Qt::AlignLeft, 200},
                                           {texts::kColumnBytes, Qt::AlignRight, 60},
                                           {texts::kColumnIndex, Qt::AlignRight, 60}};

constexpr int kStatusSettleMs = 100;  // the final build status stays this long

}  // namespace

CWebPage::CWebPage(AppContext& context, QWidget* parent, Pace pace)
    : QWidget(parent),
      m_context(context),
      m_startupDir(QDir::currentPath()),
      m_programDir(QCoreApplication::applicationDirPath()) {
    setObjectName(QStringLiteral("WebPage"));
    setWindowTitle(texts::kPageTitle);
    buildControls(pace);
    OnInitDialog();
}

// A running pass finishes its read or write; its result goes nowhere (the event that
// would carry it is dropped with the page).
CWebPage::~CWebPage() {
    if (m_worker.joinable()) m_worker.join();
}

void CWebPage::setTemplateFolders(const QString& startupDir, const QString& programDir) {
    m_startupDir = startupDir;
    m_programDir = programDir;
}

void CWebPage::buildControls(Pace pace) {
    m_list = new QTableWidget(0, kColumnCount, this);
    m_list->setObjectName(QStringLiteral("1013"));
    for (int c = 0; c < kColumnCount; ++c) {
        auto* heading = new QTableWidgetItem(kColumns[c].heading);
        heading->setTextAlignment(kColumns[c].alignment | Qt::AlignVCenter);
        m_list->setHorizontalHeaderItem(c, heading);
        m_list->setColumnWidth(c, kColumns[c].width);
    }
    m_list->horizontalHeader()->setSectionsClickable(false);  // a click on a heading does nothing
    m_list->horizontalHeader()->setStretchLastSection(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->setWordWrap(false);
    // The full path in a narrow column: cut in the middle, so that the file's own name
    // stays in sight; the row's tooltip gives the whole path.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setMinimumWidth(kColumns[0].width + kColumns[1].width + kColumns[2].width + 24);

    m_selectButton = newButton(texts::kSelectFiles, "1014", this);
    m_clearButton = newButton(texts::kClearFiles, "1015", this);
    m_buildButton = newButton(texts::kCaptionBuild, "1016", this);
    m_buildButton->hide();  // its caption only reflects the build state

    auto* resources = new QGroupBox(texts::kResourcesGroup, this);
    resources->setObjectName(QStringLiteral("resourcesGroup"));
    auto* resourcesLayout = new QVBoxLayout(resources);
    resourcesLayout->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_selectButton);
    buttons->addWidget(m_clearButton);
    buttons->addWidget(m_buildButton);
    resourcesLayout->addLayout(buttons);

    // The status line; the upload's progress bar lies exactly over it.
    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("1024"));
    m_status->setReadOnly(true);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("1023"));
    auto* state = new QGroupBox(texts::kStateGroup, this);
    auto* stateLayout = new QGridLayout(state);
    stateLayout->addWidget(m_status, 0, 0);
    stateLayout->addWidget(m_progress, 0, 0);

    m_uploadArea = new QVBoxLayout;
    m_uploadArea->setObjectName(QStringLiteral("uploadArea"));
    auto* right = new QVBoxLayout;
    right->addLayout(m_uploadArea, 1);
    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(state, 1);
    m_picture = new QLabel(this);  // bitmap 180, beside the status group
    m_picture->setObjectName(QStringLiteral("180"));
    m_picture->setPixmap(uploadPicture());
    stateRow->addWidget(m_picture);
    right->addLayout(stateRow);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(resources, 1);
    layout->addLayout(right, 1);

    connect(m_selectButton, &QPushButton::clicked, this, &CWebPage::OnSelectFiles);
    connect(m_clearButton, &QPushButton::clicked, this, &CWebPage::OnClearFiles);
    connect(m_buildButton, &QPushButton::clicked, this, &CWebPage::OnBuild);

    m_upload = new CWebUploadPanel(m_context, pace, m_status, m_progress,
                                   [this](const QString& text) { showStatus(text); }, this);
    m_uploadArea->addWidget(m_upload);
    connect(m_upload, &CWebUploadPanel::uploadPassFinished, this, &CWebPage::uploadPassFinished);
    // The hidden default button "Set": Enter anywhere on the page runs the address set-up.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this, m_upload, &CWebUploadPanel::OnSet);
        enter->setContext(Qt::WidgetWithChildrenShortcut);
    }
}

void CWebPage::OnInitDialog() {
    m_nRows = 0;
    showStatus(texts::kWaiting);
    m_progress->hide();
}

void CWebPage::showStatus(const QString& text) {
    m_status->setText(text);
    m_status->setCursorPosition(0);
}

void CWebPage::message(const QString& text, const QString& caption) { m_context.prompts.message(text, caption); }

void CWebPage::ResetList() {
    m_list->setRowCount(0);
    m_nRows = 0;
    m_nFiles = 0;
    m_nTotalBytes = 0;
}

void CWebPage::OnClearFiles() { ResetList(); }

void CWebPage::appendRow(const QString& path, qint64 size, int index) {
    m_list->insertRow(m_nRows);
    const QString cells[kColumnCount] = {path, QString::number(size),
                                         QStringLiteral("%1").arg(index, 2, 16, QLatin1Char('0'))};
    for (int c = 0; c < kColumnCount; ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(kColumns[c].alignment | Qt::AlignVCenter);
        item->setToolTip(path);
        m_list->setItem(m_nRows, c, item);
    }
    m_nTotalBytes += size;
    ++m_nRows;
}

// The rows as the plan leaves the folder, or (for a refused selection, which changes
// nothing) as the folder is now.
void CWebPage::fillRows(const WebFolderPlan& plan, bool asPlanned) {
    for (const WebResourceRow& row : plan.rows) {
        if (!asPlanned && row.templateCopy) continue;
        const std::string& path = asPlanned ? row.path : row.sourcePath;
        appendRow(QString::fromStdString(path), static_cast<qint64>(row.size), asPlanned ? row.index : row.sourceIndex);
    }
    m_nFiles = m_nRows;
}

void CWebPage::OnSelectFiles() {
    m_selectButton->setEnabled(false);
    ResetList();
    const QString picked = m_context.prompts.pickFolder(QString());
    m_strFolder = picked.isEmpty() ? QString() : QDir::cleanPath(QDir(picked).absolutePath());
    if (!m_strFolder.isEmpty() && selectFolder(m_strFolder)) {
        if (m_bPassRunning)
            m_bBuildPending = true;  // the running pass keeps its own list; this one follows it
        else
            OnBuild();
    }
    m_selectButton->setEnabled(true);
}

// Scans, changes the folder as planned and lists it; true when the build may start.
bool CWebPage::selectFolder(const QString& folder) {
    DiskWebFileSystem disk;
    const std::string templatePath =
        locateWebTemplate(disk, m_startupDir.toStdString(), m_programDir.toStdString());
    const WebFolderSelection selection = selectWebFolder(disk, folder.toStdString(), templatePath);
    const WebFolderPlan& plan = selection.plan;
    for (const WebNote& note : plan.notes)
        if (note.kind == WebNoteKind::SpecialIndexReserved) message(texts::reservedIndex().text, texts::reservedIndex().caption);
    if (selection.status == WebSelectionStatus::Refused) {
        if (selection.listsFolderAsItIs()) fillRows(plan, false);
        const texts::Message refusal = texts::planFailure(plan);
        message(refusal.text, refusal.caption);
        return false;
    }
    if (selection.status == WebSelectionStatus::NotChanged) {
        const texts::Message failure = texts::applyFailure(plan, selection.applied);
        message(failure.text, failure.caption);
        return false;
    }
    fillRows(plan, true);
    m_pFilePaths = rowPaths(plan);
    const texts::Message changes = texts::changesMade(plan);
    if (!changes.text.isEmpty()) message(changes.text, changes.caption);
    return true;
}

void CWebPage::OnBuild() {
    showStatus(texts::kBuilding);
    if (m_bBuilding == 1) {
        // The run request is withdrawn; a running pass is not interrupted.
        m_bBuilding = 0;
        m_buildButton->setText(texts::kCaptionIdle);
        return;
    }
    m_bBuilding = 1;
    m_buildButton->setText(texts::kCaptionStop);
    if (!m_bPassRunning) BuildThreadProc();
}

// One build pass: the list is taken over as it is now, read and composed on a worker,
// then saved where the operator says.
void CWebPage::BuildThreadProc() {
    m_bPassRunning = true;
    emit buildPassStarted();
    const int n = m_nFiles;
    if (n == 0) {
        m_buildButton->setText(texts::kCaptionIdle);
        endPass(false, texts::nothingToBuild().text, texts::nothingToBuild().caption);
        return;
    }
    struct Compose {
        std::string folder;
        std::vector<std::string> paths;
        uint64_t expected = 0;
        WebBuildResult result;
    };
    auto job = std::make_shared<Compose>();
    job->folder = m_strFolder.toStdString();
    job->paths = std::move(m_pFilePaths);
    m_pFilePaths.clear();
    job->expected = static_cast<uint64_t>(m_nTotalBytes);
    runOnWorker(
        [job] {
            DiskWebFileSystem disk;
            job->result = composeWebImageFromFiles(disk, job->folder, job->paths, job->expected);
        },
        [this, job] {
            if (!job->result.ok()) {
                m_buildButton->setText(texts::kCaptionIdle);
                const texts::Message failure = texts::buildFailure(job->result);
                endPass(false, failure.text, failure.caption);
                return;
            }
            saveImage(std::move(job->result.image));
        });
}

void CWebPage::saveImage(std::vector<uint8_t> image) {
    // The dialog adds the suffix itself, so that it asks about the file it will write.
    const QString path = m_context.prompts.saveFile(QString(), texts::kSaveFilter, texts::kDefaultSuffix);
    if (path.isEmpty()) {
        m_buildButton->setText(texts::kCaptionIdle);
        endPass(false);
        return;
    }
    struct Write {
        std::string path;
        std::vector<uint8_t> image;
        bool ok = false;
        std::string reason;
    };
    auto job = std::make_shared<Write>();
    job->path = QDir(path).absolutePath().toStdString();
    job->image = std::move(image);
    runOnWorker(
        [job] {
            DiskWebFileSystem disk;
            job->ok = disk.writeFile(job->path, job->image);
            job->reason = disk.lastError();
        },
        [this, job, path] {
            if (!job->ok) {
                m_buildButton->setText(texts::kCaptionIdle);
                const texts::Message failure = texts::writeFailure(path, QString::fromStdString(job->reason));
                endPass(false, failure.text, failure.caption);
                return;
            }
            m_buildButton->setText(texts::kCaptionBuild);
            m_upload->offerBuiltImage(QString::fromStdString(job->path));
            endPass(true, texts::buildCompleted().text, texts::buildCompleted().caption);
        });
}

void CWebPage::endPass(bool built, const QString& text, const QString& caption) {
    message(text, caption);
    endPass(built);
}

void CWebPage::endPass(bool built) {
    m_bBuilding = 0;
    m_bPassRunning = false;
    showStatus(built ? texts::kBuilt : texts::kNotBuilt);
    QTimer::singleShot(kStatusSettleMs, this, [this] {
        if (!m_bPassRunning) showStatus(texts::kWaiting);
    });
    emit buildPassFinished(built);
    if (m_bBuildPending) {
        m_bBuildPending = false;
        OnBuild();
    }
}

void CWebPage::runOnWorker(std::function<void()> work, std::function<void()> done) {
    tavo::runOnWorker(this, m_worker, std::move(work), std::move(done));
}

}  // namespace tavo
