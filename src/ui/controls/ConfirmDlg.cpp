#include "ConfirmDlg.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "DialogUnits.h"
#include "common/CommonTexts.h"

namespace tavo {
namespace {
constexpr int kIconSize = 32;
constexpr int kFrameWidthUnits = 227;  // the black frame around everything
}  // namespace

CConfirmDlg::CConfirmDlg(const QString& operation, const QString& message, QWidget* parent)
    : QDialog(parent), m_strOperation(operation), m_strMessage(message) {
    setObjectName(QStringLiteral("ConfirmDlg"));
    buildControls();
    setWindowTitle(titleFor(m_strOperation));
}

QString CConfirmDlg::titleFor(const QString& operation) {
    return commontexts::kConfirmTitlePrefix + operation;
}

void CConfirmDlg::buildControls() {
    // A frame around everything, as the product's dialog has.
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame);

    auto* icon = new QLabel(frame);
    icon->setObjectName(QStringLiteral("1057"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(kIconSize, kIconSize));
    auto* heading = new QLabel(m_strMessage, frame);
    heading->setObjectName(QStringLiteral("1055"));
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(heading, 1);

    auto* warning = new QLabel(commontexts::kConfirmWarning, frame);
    warning->setObjectName(QStringLiteral("warningText"));
    warning->setWordWrap(true);
    warning->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* question = new QLabel(commontexts::kConfirmQuestion, frame);
    question->setObjectName(QStringLiteral("questionText"));
    question->setAlignment(Qt::AlignCenter);

    auto* yes = new QPushButton(commontexts::kYes, frame);
    yes->setObjectName(QStringLiteral("IDOK"));
    auto* no = new QPushButton(commontexts::kNo, frame);
    no->setObjectName(QStringLiteral("IDCANCEL"));
    // "Si" starts as the default button with the focus, so Enter answers it; a button
    // that the operator tabs to takes the Enter key over, as dialog buttons do.
    yes->setDefault(true);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addStretch();
    buttons->addWidget(no);
    buttons->addStretch();

    auto* inner = new QVBoxLayout(frame);
    inner->addLayout(top);
    inner->addWidget(warning);
    inner->addWidget(question);
    inner->addLayout(buttons);

    frame->setMinimumWidth(DialogUnits(*this).x(kFrameWidthUnits));
    outer->setSizeConstraint(QLayout::SetFixedSize);
    yes->setFocus();
}

}  // namespace tavo
