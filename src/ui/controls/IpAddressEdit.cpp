#include "IpAddressEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolTip>
#include <algorithm>

#include "common/CommonTexts.h"

namespace tavo {
namespace {

constexpr int kOctetDigits = 3;
constexpr QChar kDot = QLatin1Char('.');
constexpr Qt::KeyboardModifiers kCommandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

QString tooLargeText(const QString& typed) {
    return commontexts::kOctetTooLarge.arg(typed).arg(IpAddressEdit::kOctetMax);
}

bool isDigits(const QString& text) {
    return !text.isEmpty() && text.size() <= kOctetDigits &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// The part of `after` that an edit of `before` put in: what lies between the text it
// kept at both ends.
QString insertedText(const QString& before, const QString& after) {
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    return after.mid(prefix, after.size() - prefix - suffix);
}

}  // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        // No validator and no length limit: every edit, typed or pasted, is judged whole
        // in onFieldEdited, so that a pasted address is not cut to three characters.
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("octet%1").arg(i));
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        field->installEventFilter(this);
        layout->addWidget(field);
        if (i + 1 < m_fields.size()) layout->addWidget(new QLabel(QStringLiteral("."), this));
        m_fields[i] = field;
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) { onFieldEdited(i, text); });
    }
    layout->addStretch();
    setFocusProxy(m_fields[0]);
}

void IpAddressEdit::onFieldEdited(size_t index, const QString& text) {
    QLineEdit* field = m_fields[index];
    if (text.contains(kDot)) {
        if (fillFromDotted(insertedText(m_shown[index], text)) || fillFromDotted(text))
            emit addressEdited();
        else
            setFieldText(index, m_shown[index]);  // not an address: the field stays as it was
        return;
    }
    const QString digits = text.trimmed();
    if (!digits.isEmpty() && !isDigits(digits)) {
        setFieldText(index, m_shown[index]);
        return;
    }
    const bool typedAtEnd = field->cursorPosition() >= text.size();
    if (!digits.isEmpty() && digits.toInt() > kOctetMax) {
        // The operator sees the number that stands and why; a new digit replaces it.
        const QString reason = tooLargeText(digits);
        setFieldText(index, QString::number(kOctetMax));
        field->setToolTip(reason);
        field->selectAll();
        QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), reason, field);
        emit addressEdited();
        return;
    }
    setFieldText(index, digits);
    field->setToolTip(QString());
    if (digits.size() == kOctetDigits && typedAtEnd && index + 1 < m_fields.size()) {
        enterField(index + 1, false);
        m_enteredByDigits = index + 1;
    }
    emit addressEdited();
}

// A whole address in one field ("10.0.0.7", blanks around it allowed) fills all four.
bool IpAddressEdit::fillFromDotted(const QString& text) {
    const QStringList parts = text.trimmed().split(kDot);
    if (parts.size() != static_cast<qsizetype>(m_fields.size())) return false;
    if (!std::all_of(parts.begin(), parts.end(), [](const QString& p) { return isDigits(p.trimmed()); })) return false;
    setOctets(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const QString part = parts[static_cast<qsizetype>(i)].trimmed();
        m_fields[i]->setToolTip(part.toInt() > kOctetMax ? tooLargeText(part) : QString());
    }
    enterField(m_fields.size() - 1, true);
    return true;
}

void IpAddressEdit::setFieldText(size_t index, const QString& text) {
    m_shown[index] = text;
    m_fields[index]->setText(text);
}

// Moves the typing into a field: selected whole (as after a dot or a third digit), or
// with the cursor at its end (coming back from the next field).
void IpAddressEdit::enterField(size_t index, bool atEnd) {
    QLineEdit* field = m_fields[index];
    field->setFocus(Qt::OtherFocusReason);
    if (atEnd)
        field->setCursorPosition(static_cast<int>(field->text().size()));
    else
        field->selectAll();
}

bool IpAddressEdit::handleKey(size_t index, const QKeyEvent& event) {
    QLineEdit* field = m_fields[index];
    // A dot however the keyboard makes it (with Shift on some layouts, on the keypad).
    if (event.text() == kDot || (event.key() == Qt::Key_Period && !(event.modifiers() & kCommandModifiers))) {
        // The dot that closes an octet the third digit has already closed is swallowed.
        if (m_enteredByDigits == index) {
            m_enteredByDigits = kNoField;
        } else if (!field->text().isEmpty() && index + 1 < m_fields.size()) {
            enterField(index + 1, false);
        }
        return true;
    }
    m_enteredByDigits = kNoField;
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;  // Shift+Left selects
    const int key = event.key();
    const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();
    const bool atEnd = field->cursorPosition() == field->text().size() && !field->hasSelectedText();
    if ((key == Qt::Key_Backspace && field->text().isEmpty()) || (key == Qt::Key_Left && atStart)) {
        if (index > 0) enterField(index - 1, true);
        return index > 0 || key == Qt::Key_Backspace;
    }
    if (key == Qt::Key_Right && atEnd && index + 1 < m_fields.size()) {
        enterField(index + 1, false);
        m_fields[index + 1]->setCursorPosition(0);
        return true;
    }
    return false;
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto it = std::find(m_fields.begin(), m_fields.end(), watched);
        // The text before the key, so that its edit can be told apart (a paste among it).
        if (it != m_fields.end()) m_shown[static_cast<size_t>(it - m_fields.begin())] = (*it)->text();
        if (it != m_fields.end()) return handleKey(static_cast<size_t>(it - m_fields.begin()), *key);
    }
    return QWidget::eventFilter(watched, event);
}

void IpAddressEdit::clear() {
    for (size_t i = 0; i < m_fields.size(); ++i) {
        setFieldText(i, QString());
        m_fields[i]->setToolTip(QString());
    }
}

bool IpAddressEdit::isBlank() const {
    return std::all_of(m_fields.begin(), m_fields.end(),
                       [](const QLineEdit* f) { return f->text().isEmpty(); });
}

void IpAddressEdit::setAddress(const Ipv4Octets& ip) { setOctets(ip[0], ip[1], ip[2], ip[3]); }

void IpAddressEdit::setOctets(int a, int b, int c, int d) {
    const int values[4] = {a, b, c, d};
    for (size_t i = 0; i < m_fields.size(); ++i) setFieldText(i, QString::number(std::clamp(values[i], 0, kOctetMax)));
}

Ipv4Octets IpAddressEdit::address() const {
    Ipv4Octets ip{};
    for (size_t i = 0; i < m_fields.size(); ++i) {
        ip[i] = static_cast<uint8_t>(std::clamp(m_fields[i]->text().toInt(), 0, kOctetMax));
    }
    return ip;
}

}  // namespace tavo
