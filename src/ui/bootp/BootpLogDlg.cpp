#include "BootpLogDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "BootpLogModel.h"
#include "BootpServer.h"
#include "BootpTexts.h"
#include "IPPage.h"

namespace tavo {
namespace {
constexpr int kWidthChars = 100;  // every column of a row in sight
constexpr int kHeightRows = 20;
}  // namespace

CBootpLogDlg::CBootpLogDlg(CIPPage& page, QWidget* parent)
    : QDialog(parent), m_page(page), m_model(new BootpLogModel(this)) {
    setObjectName(QStringLiteral("BootpLogDlg"));
    setWindowTitle(kBootpLogTitle);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("bootpLogList"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setWordWrap(false);
    m_addButton = new QPushButton(kBootpLogAdd, this);
    m_addButton->setObjectName(QStringLiteral("bootpLogAdd"));
    m_addButton->setEnabled(false);
    auto* close = new QPushButton(kBootpLogClose, this);
    close->setObjectName(QStringLiteral("bootpLogClose"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addButton);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    const QFontMetrics metrics = fontMetrics();
    resize(metrics.averageCharWidth() * kWidthChars, metrics.height() * kHeightRows);

    connect(&page.bootpServer(), &BootpServer::requestSeen, m_model, &BootpLogModel::add);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CBootpLogDlg::updateAddButton);
    connect(m_addButton, &QPushButton::clicked, this, &CBootpLogDlg::addSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

void CBootpLogDlg::updateAddButton() {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    bool unknown = false;
    if (!rows.isEmpty()) {
        const BootpRequestRecord& record = m_model->record(rows.front().row());
        unknown = record.ofFamily && record.outcome == BootpRequestOutcome::Unknown;
    }
    m_addButton->setEnabled(unknown);
}

void CBootpLogDlg::addSelected() {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    // Copied: requests that arrive while the entry dialog is open move the rows.
    const MacOctets mac = m_model->record(rows.front().row()).mac;
    m_page.addDeviceFor(mac);
}

}  // namespace tavo
