#pragma once

#include <QDialog>
#include <vector>

namespace tavo {

class PickList;

// The buttonless pick list of an address history, newest first. Each entry keeps the
// values it stands for beside its text, so a pick hands back numbers, never a text read
// back. A double-click on an entry closes it with Accepted and that entry's values; a
// double-click on no entry closes it as the history's kind wants (Accepted with zeros,
// or Rejected); Enter closes it with Accepted and zeros; Esc and the close box with
// Rejected.
class HistoryPickDlg : public QDialog {
    Q_OBJECT
public:
    enum class OnMiss { AcceptZeros, Reject };

    // listUnits: the list's width and height in dialog units, as its form gives them.
    HistoryPickDlg(const QString& title, const QString& listId, QSize listUnits, int valueCount, OnMiss onMiss,
                   QWidget* parent);

protected:
    // Puts an entry on top of the list: the history is read oldest first.
    void addNewest(const QString& text, const std::vector<int>& values);
    // Receives the picked values (zeros when none was picked) before the dialog closes.
    virtual void takePick(const std::vector<int>& values) = 0;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void onDblclkList(int row);

private:
    PickList* m_list = nullptr;
    int m_valueCount;
    OnMiss m_onMiss;
};

}  // namespace tavo
