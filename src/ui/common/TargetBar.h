#pragma once

#include <QWidget>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;

namespace tavo {

struct AppContext;
class IpAddressEdit;

// The device's address as every page and dialog with a target takes it: the address
// field, the button that picks an address from the IP history and the one that clears the
// history. Captions and object names are the caller's, so that each page keeps its own.
//
// Stacked: the label and the field on one row, each button on a row of its own below
// them (the "Web Upload" page). Row: everything side by side, the two buttons one height,
// that of the taller caption (a two-line "Delete\nHistory" beside a one-line "History").
// A caller's own buttons go where insert() puts them: after the field in a row, below the
// buttons when stacked.
class TargetBar : public QWidget {
    Q_OBJECT
public:
    enum class Arrangement { Stacked, Row };
    struct Captions {
        QString label;
        QString fieldName;
        QString history;
        QString historyName;
        QString clear;
        QString clearName;
    };

    TargetBar(AppContext& context, const Captions& captions, Arrangement arrangement, QWidget* parent = nullptr);

    IpAddressEdit* field() const { return m_field; }
    void insert(QWidget* widget);
    // The widget the picker is placed over (the page, where it was before the bar).
    void setDialogParent(QWidget* parent) { m_dialogParent = parent; }

public slots:
    // The history's picker; an address chosen goes into the field, a cancel empties it to 0.
    void pickFromHistory();
    // Empties the IP history; the file's problems are told through the prompts.
    void clearHistory();

private:
    AppContext& m_context;
    Arrangement m_arrangement;
    IpAddressEdit* m_field = nullptr;
    QPushButton* m_history = nullptr;
    QPushButton* m_clear = nullptr;
    QWidget* m_dialogParent = this;
    QGridLayout* m_stacked = nullptr;  // Stacked
    QHBoxLayout* m_row = nullptr;      // Row
};

}  // namespace tavo
