#include "MacByteFields.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>
#include <algorithm>

namespace tavo {
namespace {

// Shows every letter in upper case, as the fields' upper-case style does; it refuses
// nothing, so that a non-hexadecimal text is caught where the byte is converted.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

bool isRefusedLetter(QChar c) {
    const QChar upper = c.toUpper();
    return upper >= QLatin1Char('G') && upper <= QLatin1Char('Z');
}

bool isTypedCharacter(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = key->text();
    return text.size() == 1 && text.at(0).isPrint();
}

}  // namespace

const std::array<const char*, MacByteFields::kByteCount> MacByteFields::kFieldNames = {
    "1029", "1030", "1031", "1034", "1035", "1036"};

MacByteFields::MacByteFields(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MacByteFields"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QString::fromLatin1(kFieldNames[i]));
        field->setMaxLength(kByteLength);
        field->setValidator(new UpperCaseValidator(field));
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 8);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { onTextEdited(i, text); });
        layout->addWidget(field);
        m_fields[i] = field;
    }
    layout->addStretch();
    setFocusProxy(m_fields[0]);
}

QStringList MacByteFields::byteTexts() const {
    QStringList texts;
    for (const QLineEdit* field : m_fields) texts.append(field->text());
    return texts;
}

void MacByteFields::setByteTexts(const QStringList& texts) {
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const int at = static_cast<int>(i);
        m_fields[i]->setText(at < texts.size() ? texts.at(at) : QString());
    }
}

QString MacByteFields::twoCharacterForm(const QString& byteText) {
    QString form = byteText.left(kByteLength);
    form.replace(QLatin1Char(' '), QLatin1Char('0'));
    while (form.size() < kByteLength) form.prepend(QLatin1Char('0'));
    return form;
}

QString MacByteFields::macText() const {
    QString mac;
    for (const QLineEdit* field : m_fields) mac += twoCharacterForm(field->text());
    return mac;
}

bool MacByteFields::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto it = std::find(m_fields.begin(), m_fields.end(), watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (it != m_fields.end() && isTypedCharacter(key)) {
            return onKeyPress(static_cast<size_t>(it - m_fields.begin()), key->text());
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool MacByteFields::onKeyPress(size_t index, const QString& typed) {
    QLineEdit* field = m_fields[index];
    // A full field refuses the character; the operator is meant to go on to the next byte.
    if (field->text().size() >= kByteLength && !field->hasSelectedText()) {
        if (index + 1 < m_fields.size()) {
            m_fields[index + 1]->setFocus();
        } else {
            emit typedPastLastField();
        }
        emit macEdited(static_cast<int>(index));
        return true;
    }
    // Only G..Z are taken back here: they are the letters no hexadecimal byte can hold.
    // Other signs pass and are caught when the byte is converted.
    return isRefusedLetter(typed.at(0));
}

void MacByteFields::onTextEdited(size_t index, const QString& text) {
    emit macEdited(static_cast<int>(index));
    if (text.size() == kByteLength && index + 1 < m_fields.size()) m_fields[index + 1]->setFocus();
}

}  // namespace tavo
