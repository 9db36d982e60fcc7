#include "IpAddressEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace tavo {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("octet%1").arg(i));
        field->setMaxLength(3);
        // Only 0..255 can be typed; an integer validator would let 999 stand as "intermediate".
        static const QRegularExpression octet(QStringLiteral("25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[0-9]{1,2}|"));
        field->setValidator(new QRegularExpressionValidator(octet, field));
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        field->installEventFilter(this);
        layout->addWidget(field);
        if (i + 1 < m_fields.size()) layout->addWidget(new QLabel(QStringLiteral("."), this));
        m_fields[i] = field;
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            // Three digits complete an octet: move on, as the platform control does.
            if (text.size() == 3 && i + 1 < m_fields.size()) m_fields[i + 1]->setFocus();
            emit addressEdited();
        });
    }
    layout->addStretch();
    setFocusProxy(m_fields[0]);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Period) {
            const auto it = std::find(m_fields.begin(), m_fields.end(), watched);
            if (it != m_fields.end() && it + 1 != m_fields.end()) (*(it + 1))->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void IpAddressEdit::clear() {
    for (QLineEdit* field : m_fields) field->clear();
}

bool IpAddressEdit::isBlank() const {
    return std::all_of(m_fields.begin(), m_fields.end(),
                       [](const QLineEdit* f) { return f->text().isEmpty(); });
}

void IpAddressEdit::setAddress(const Ipv4Octets& ip) { setOctets(ip[0], ip[1], ip[2], ip[3]); }

void IpAddressEdit::setOctets(int a, int b, int c, int d) {
    const int values[4] = {a, b, c, d};
    for (size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i]->setText(QString::number(std::clamp(values[i], 0, 255)));
    }
}

Ipv4Octets IpAddressEdit::address() const {
    Ipv4Octets ip{};
    for (size_t i = 0; i < m_fields.size(); ++i) {
        ip[i] = static_cast<uint8_t>(std::clamp(m_fields[i]->text().toInt(), 0, 255));
    }
    return ip;
}

}  // namespace tavo
