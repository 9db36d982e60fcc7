#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>

class QLineEdit;

namespace tavo {

// The six two-character MAC byte fields shared by the dialogs that take a MAC address.
// Letters appear in upper case; a typed letter G..Z is refused; a field that fills up
// hands the focus to the next one, and typing into a full field does the same.
// The fields are named after their control ids (1029, 1030, 1031, 1034, 1035, 1036).
class MacByteFields : public QWidget {
    Q_OBJECT
public:
    static constexpr int kByteCount = 6;
    static constexpr int kByteLength = 2;
    static const std::array<const char*, kByteCount> kFieldNames;

    explicit MacByteFields(QWidget* parent = nullptr);

    // What each field shows, first byte first.
    QStringList byteTexts() const;
    // Loads the fields; each text is cut to two characters and shown in upper case.
    void setByteTexts(const QStringList& texts);
    QLineEdit* byteField(int index) const { return m_fields[static_cast<size_t>(index)]; }

    // The two-character form of one byte text: one character gets a leading "0", an
    // empty text counts as "00", and every blank counts as "0".
    static QString twoCharacterForm(const QString& byteText);
    // The concatenation of the two-character forms of the six fields.
    QString macText() const;

signals:
    // The MAC text is to be taken again: a typed change of field `index` was accepted,
    // or the operator typed into a full field.
    void macEdited(int index);
    // The operator typed into the last field while it was full; the focus is to leave
    // the six fields.
    void typedPastLastField();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTextEdited(size_t index, const QString& text);
    // True when the key is to be swallowed.
    bool onKeyPress(size_t index, const QString& typed);

    std::array<QLineEdit*, kByteCount> m_fields{};
};

}  // namespace tavo
