#include "AboutDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "AppTexts.h"
#include "ProgramIcon.h"
#include "common/CommonTexts.h"
#include "controls/DialogUnits.h"

namespace tavo {
namespace {
// The texts span the template's 235 units less a margin of 7 on either side.
constexpr int kTextWidthUnits = 235 - 2 * 7;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(apptexts::kAboutCaption);
    setWindowIcon(programIcon());

    auto* text = new QLabel(apptexts::kAboutText, this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setAlignment(Qt::AlignCenter);
    text->setMinimumWidth(DialogUnits(*this).x(kTextWidthUnits));
    auto* rights = new QLabel(apptexts::kAboutRights, this);
    rights->setObjectName(QStringLiteral("rightsText"));
    rights->setAlignment(Qt::AlignCenter);
    auto* ok = new QPushButton(commontexts::kOk, this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(rights);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
}

}  // namespace tavo
