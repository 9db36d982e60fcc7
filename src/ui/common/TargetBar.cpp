#include "TargetBar.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "IPFDB.h"
#include "address/IPDBdlg.h"
#include "common/AppContext.h"
#include "common/TablePrompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/NewButton.h"

namespace tavo {

TargetBar::TargetBar(AppContext& context, const Captions& captions, Arrangement arrangement, QWidget* parent)
    : QWidget(parent), m_context(context), m_arrangement(arrangement) {
    m_field = new IpAddressEdit(this);
    m_field->setObjectName(captions.fieldName);
    m_history = newButton(captions.history, qPrintable(captions.historyName), this);
    m_clear = newButton(captions.clear, qPrintable(captions.clearName), this);
    auto* label = new QLabel(captions.label, this);
    if (arrangement == Arrangement::Stacked) {
        m_stacked = new QGridLayout(this);
        m_stacked->setContentsMargins(0, 0, 0, 0);
        m_stacked->addWidget(label, 0, 0);
        m_stacked->addWidget(m_field, 0, 1);
        m_stacked->addWidget(m_history, 1, 0, 1, 2);
        m_stacked->addWidget(m_clear, 2, 0, 1, 2);
    } else {
        const int height = std::max(m_history->sizeHint().height(), m_clear->sizeHint().height());
        m_history->setFixedHeight(height);
        m_clear->setFixedHeight(height);
        m_row = new QHBoxLayout(this);
        m_row->setContentsMargins(0, 0, 0, 0);
        m_row->addWidget(label);
        m_row->addWidget(m_field);
        m_row->addWidget(m_history);
        m_row->addWidget(m_clear);
        m_row->addStretch();
    }
    connect(m_history, &QPushButton::clicked, this, &TargetBar::pickFromHistory);
    connect(m_clear, &QPushButton::clicked, this, &TargetBar::clearHistory);
}

void TargetBar::insert(QWidget* widget) {
    if (m_stacked)
        m_stacked->addWidget(widget, m_stacked->rowCount(), 0, 1, 2);
    else
        m_row->insertWidget(m_row->indexOf(m_history), widget);
}

void TargetBar::pickFromHistory() {
    CIPDBdlg picker(m_context, m_dialogParent);
    if (picker.exec() == QDialog::Accepted) {
        const auto& octet = picker.m_nOctet;
        m_field->setOctets(octet[0], octet[1], octet[2], octet[3]);
    } else {
        m_field->setOctets(0, 0, 0, 0);
    }
}

void TargetBar::clearHistory() {
    CIPFDB history(m_context.dataDir.toStdString(), tableMessagesTo(m_context.prompts));
    history.ClearAll();
}

}  // namespace tavo
