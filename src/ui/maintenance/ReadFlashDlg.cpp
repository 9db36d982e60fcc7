#include "ReadFlashDlg.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "DumpText.h"
#include "MaintenanceTexts.h"
#include "common/CommonTexts.h"
#include "common/Prompts.h"
#include "controls/DialogUnits.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {

using namespace maintenance;


constexpr int kIndexWidthUnits = 50;
constexpr int kCellWidthUnits = 30;
constexpr int kAsciiWidthUnits = 80;
constexpr int kCellMarginUnits = 8;  // the space a cell keeps around its text, with room to spare
constexpr int kPageJumpWidthUnits = 40;
constexpr int kWindowFrameAllowance = 16;  // the window system's frame, left and right

QString fromStd(const std::string& text) { return QString::fromStdString(text); }
// Fixed-width characters keep the ASCII column's bytes under one another.
QFont asciiFont() { return QFontDatabase::systemFont(QFontDatabase::FixedFont); }

QString sectorText(const std::vector<int>& sectors) { return QString::fromStdString(sectorList(sectors)); }

}  // namespace

CReadFlashDlg::CReadFlashDlg(int nMode, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_nMode(nMode) {
    setObjectName(QStringLiteral("ReadFlashDlg"));
    setWindowTitle(QString::fromLatin1(kViewerCaption));
    buildControls();
}

void CReadFlashDlg::buildControls() {
    m_dumpList = new QTableWidget(this);
    m_dumpList->setObjectName(QStringLiteral("1051"));
    m_dumpList->verticalHeader()->hide();
    m_dumpList->setShowGrid(true);
    m_dumpList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_dumpList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A row of the ASCII column is one line of characters, never broken at its blanks.
    m_dumpList->setWordWrap(false);
    m_pageLabel = new QLabel(QString::fromUtf8(kPageLabelInitial), this);
    m_pageLabel->setObjectName(QStringLiteral("1053"));
    m_exit = newButton(QString::fromUtf8(kExitButton), "1", this);
    m_exit->setDefault(true);
    m_next = newButton(QString::fromUtf8(kNextButton), "2", this);
    m_previous = newButton(QString::fromUtf8(kPreviousButton), "3", this);
    connect(m_exit, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_next, &QPushButton::clicked, this, &CReadFlashDlg::OnNext);
    connect(m_previous, &QPushButton::clicked, this, &CReadFlashDlg::OnPrevious);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pageLabel);
    buttons->addStretch();
    buttons->addWidget(m_previous);
    buttons->addWidget(m_next);
    buttons->addWidget(m_exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_dumpList);
    if (m_nMode == MODE_FLASH) {
        auto* save = newButton(QString::fromUtf8(kSaveButton), "save", this);
        auto* compare = newButton(QString::fromUtf8(kCompareButton), "compare", this);
        m_pageJump = new QLineEdit(this);
        m_pageJump->setObjectName(QStringLiteral("pageJump"));
        m_pageJump->setMaximumWidth(DialogUnits(*this).x(kPageJumpWidthUnits));
        m_pageJump->installEventFilter(this);
        connect(save, &QPushButton::clicked, this, &CReadFlashDlg::onSave);
        connect(compare, &QPushButton::clicked, this, &CReadFlashDlg::onCompare);
        auto* extras = new QHBoxLayout;
        extras->addWidget(save);
        extras->addWidget(compare);
        extras->addStretch();
        extras->addWidget(new QLabel(QString::fromUtf8(kPageJumpLabel), this));
        extras->addWidget(m_pageJump);
        layout->addLayout(extras);
    }
    layout->addLayout(buttons);
}

void CReadFlashDlg::SetFlashData(const FlashDump& dump) {
    m_dump = dump;
    m_nFirstPage = dump.from();
    m_nLastPage = dump.to();
}

void CReadFlashDlg::SetRegisterData(const RegisterTable& values) {
    m_registers = values;
    m_nFirstPage = 0;
    m_nLastPage = 0;
}

void CReadFlashDlg::showEvent(QShowEvent* event) {
    if (!m_initialised) {
        OnInitDialog();
        adjustSize();  // the columns' widths are known now: the viewer opens at its size
    }
    QDialog::showEvent(event);
}

void CReadFlashDlg::OnInitDialog() {
    m_initialised = true;
    const bool flash = m_nMode == MODE_FLASH;
    const int cells = flash ? FLASH_COLUMNS : REGISTER_COLUMNS;
    QStringList headers{QString::fromLatin1(kIndexHeader)};
    for (int c = 0; c < cells; ++c)
        headers << fromStd(flash ? flashColumnHeader(c) : registerColumnHeader(c + 1));
    if (flash) headers << QString::fromLatin1(kAsciiHeader);
    m_dumpList->setColumnCount(static_cast<int>(headers.size()));
    m_dumpList->setHorizontalHeaderLabels(headers);
    m_dumpList->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const DialogUnits units(*this);
    m_dumpList->setColumnWidth(0, units.x(kIndexWidthUnits));
    for (int c = 1; c <= cells; ++c) {
        m_dumpList->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_dumpList->setColumnWidth(c, units.x(kCellWidthUnits));
    }
    if (flash) {
        // The ASCII column is wide enough for a whole row of its characters.
        const int rowWidth = QFontMetrics(asciiFont()).horizontalAdvance(QString(FLASH_COLUMNS, QLatin1Char('W')));
        m_dumpList->setColumnWidth(cells + 1, std::max(units.x(kAsciiWidthUnits), rowWidth + units.x(kCellMarginUnits)));
    }
    int width = 0;
    for (int c = 0; c < m_dumpList->columnCount(); ++c) width += m_dumpList->columnWidth(c);
    // As wide as its columns, unless the screen is narrower: the list then scrolls
    // sideways, and the buttons below it stay in sight.
    const QMargins margins = layout()->contentsMargins();
    const int room = screen()->availableGeometry().width() - margins.left() - margins.right() - kWindowFrameAllowance;
    const int fullWidth = width + 2 * m_dumpList->frameWidth() + 4;
    m_dumpList->setMinimumWidth(std::min(fullWidth, room));
    const int scrollBar = fullWidth > room ? m_dumpList->horizontalScrollBar()->sizeHint().height() : 0;
    m_dumpList->setMinimumHeight(m_dumpList->horizontalHeader()->sizeHint().height() +
                                 DUMP_ROWS * m_dumpList->verticalHeader()->defaultSectionSize() +
                                 2 * m_dumpList->frameWidth() + 4 + scrollBar);

    m_nPage = m_nFirstPage;
    ShowPage();
    m_previous->setEnabled(false);
    m_next->setEnabled(m_nFirstPage != m_nLastPage);
}

void CReadFlashDlg::ShowPage() {
    const bool flash = m_nMode == MODE_FLASH;
    const SectorData* sector = flash ? m_dump.sector(m_nPage) : nullptr;
    m_dumpList->setRowCount(0);
    m_dumpList->setRowCount(DUMP_ROWS);
    const auto cell = [this](int row, int column, const QString& text, Qt::Alignment align) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(align | Qt::AlignVCenter);
        m_dumpList->setItem(row, column, item);
    };
    const QFont fixed = asciiFont();
    for (int r = 0; r < DUMP_ROWS; ++r) {
        cell(r, 0, fromStd(flash ? flashRowLabel(r) : registerRowLabel(r)), Qt::AlignLeft);
        if (!flash) {
            for (int j = 1; j <= REGISTER_COLUMNS; ++j)
                cell(r, j, fromStd(byteText(registerCell(m_registers, r, j))), Qt::AlignRight);
            continue;
        }
        for (int c = 0; c < FLASH_COLUMNS; ++c)
            cell(r, c + 1, sector ? fromStd(byteText(flashCell(*sector, r, c))) : QString::fromLatin1(kMissingCell),
                 Qt::AlignRight);
        const auto line = sector ? std::span<const uint8_t>(sector->data() + DUMP_ROWS * r, FLASH_COLUMNS)
                                 : std::span<const uint8_t>();
        cell(r, FLASH_COLUMNS + 1, fromStd(asciiText(line)), Qt::AlignLeft);
        m_dumpList->item(r, FLASH_COLUMNS + 1)->setFont(fixed);
    }
    m_pageLabel->setText(QString::fromLatin1(kPageLabel).arg(m_nPage));
}

void CReadFlashDlg::updateButtons() {
    m_previous->setEnabled(m_nPage != m_nFirstPage);
    m_next->setEnabled(m_nPage != m_nLastPage);
}

void CReadFlashDlg::OnPrevious() {
    if (m_nPage != m_nFirstPage) --m_nPage;
    updateButtons();
    ShowPage();
}

void CReadFlashDlg::OnNext() {
    if (m_nPage != m_nLastPage) ++m_nPage;
    updateButtons();
    ShowPage();
}

bool CReadFlashDlg::goToPage(int page) {
    if (page < m_nFirstPage || page > m_nLastPage) {
        m_prompts.message(QString::fromLatin1(kPageOutOfRange).arg(m_nFirstPage).arg(m_nLastPage),
                          commontexts::kWarning);
        return false;
    }
    m_nPage = page;
    updateButtons();
    ShowPage();
    return true;
}

void CReadFlashDlg::jumpFromField() {
    bool ok = false;
    const int page = m_pageJump->text().trimmed().toInt(&ok, 10);
    if (!ok) {
        m_prompts.message(QString::fromLatin1(kPageOutOfRange).arg(m_nFirstPage).arg(m_nLastPage),
                          commontexts::kWarning);
        return;
    }
    goToPage(page);
}

// Enter in the page field jumps, instead of pressing the default button "Esci".
bool CReadFlashDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pageJump && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            jumpFromField();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The close box pages on, like Escape.
void CReadFlashDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnNext();
}

void CReadFlashDlg::onSave() {
    const QString path = m_prompts.saveFile(QString::fromLatin1(kSaveCaption), QString::fromLatin1(kFileFilter));
    if (path.isEmpty()) return;
    std::string error;
    if (!writeDumpFile(path.toStdString(), m_dump, error)) {
        m_prompts.message(QString::fromLatin1(kNotWritten).arg(path), commontexts::kError);
        return;
    }
    const std::vector<int> missing = m_dump.missing();
    if (missing.empty()) {
        m_prompts.message(QString::fromLatin1(kSaved).arg(path), commontexts::kNotice);
    } else {
        m_prompts.message(QString::fromLatin1(kSavedMissing).arg(path, sectorText(missing)),
                          commontexts::kWarning);
    }
}

void CReadFlashDlg::onCompare() {
    const QString path = m_prompts.openFile(QString::fromLatin1(kCompareCaption), QString::fromLatin1(kFileFilter));
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompts.message(QString::fromLatin1(kNotRead).arg(path), commontexts::kError);
        return;
    }
    const QByteArray content = file.readAll();
    const auto* data = reinterpret_cast<const uint8_t*>(content.constData());
    const DumpComparison result = compareDump(m_dump, std::span<const uint8_t>(data, size_t(content.size())));
    QString text;
    if (result.identical()) {
        text = QString::fromLatin1(kSame);
    } else {
        const quint64 offset = *result.firstDifference;
        text = QString::fromLatin1(kDifferent)
                   .arg(offset, 0, 16)
                   .arg(m_dump.from() + int(offset / SECTOR_SIZE))
                   .arg(offset % SECTOR_SIZE, 2, 16, QLatin1Char('0'))
                   .arg(result.differingBytes);
        if (result.lengthsDiffer()) text += QString::fromLatin1(kLengths).arg(result.dumpLength).arg(result.fileLength);
    }
    if (result.uncomparedBytes > 0) text += QString::fromLatin1(kUncompared).arg(sectorText(m_dump.missing()));
    m_prompts.message(text, QString::fromLatin1(kCompareCaption));
}

}  // namespace tavo
