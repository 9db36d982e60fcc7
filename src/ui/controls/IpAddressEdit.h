#pragma once

#include <QWidget>
#include <array>

#include "AddressText.h"

class QKeyEvent;
class QLineEdit;

namespace tavo {

// The IPv4 address field shared by every page: four octet fields with dots between,
// a blank state, and blank parts read as 0. It is typed as the platform's own address
// control is: three digits move on to the next field, a "." moves on from a field with
// digits (and is swallowed right after such a move), Backspace, Left and Right cross the
// fields' edges, a dotted address typed or pasted into any field fills all four, and a
// number above 255 becomes 255 with the reason in the field's tooltip. What the fields
// show is always what address() gives.
class IpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    void clear();
    bool isBlank() const;
    void setAddress(const Ipv4Octets& ip);
    // Sets each field from a value; values outside 0..255 are clamped as the field would.
    void setOctets(int a, int b, int c, int d);
    Ipv4Octets address() const;
    QLineEdit* octetField(int index) const { return m_fields[static_cast<size_t>(index)]; }

    static constexpr int kOctetMax = 255;

signals:
    void addressEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onFieldEdited(size_t index, const QString& text);
    bool fillFromDotted(const QString& text);
    void setFieldText(size_t index, const QString& text);
    void enterField(size_t index, bool atEnd);
    bool handleKey(size_t index, const QKeyEvent& event);

    static constexpr size_t kNoField = 4;
    std::array<QLineEdit*, 4> m_fields{};
    std::array<QString, 4> m_shown{};   // each field's text before the edit under way
    size_t m_enteredByDigits = kNoField;  // the field just moved into by a third digit
};

}  // namespace tavo
