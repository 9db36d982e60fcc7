#pragma once

#include <QWidget>
#include <array>

#include "AddressText.h"

class QLineEdit;

namespace tavo {

// The IPv4 address field shared by every page: four octet fields with dots between,
// a blank state, and blank parts read as 0.
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

signals:
    void addressEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLineEdit*, 4> m_fields{};
};

}  // namespace tavo
