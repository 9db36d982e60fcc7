#include "SysSetupPage.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPalette>

#include "AppTexts.h"
#include "ProgramIcon.h"
#include "controls/DialogUnits.h"

namespace tavo {
namespace {
// The form in dialog units: the page, the white ground with its frame, and the top left
// corner of each picture (a picture control takes the size of its picture).
constexpr int kPageWidth = 294;
constexpr int kPageHeight = 235;
constexpr int kGroundX = 7, kGroundY = 7, kGroundWidth = 280, kGroundHeight = 223;
constexpr int kLogoX = 43, kLogoY = 159;
constexpr int kContactX = 69, kContactY = 103;
constexpr int kNameX = 88, kNameY = 26;
constexpr int kMascotX = 15, kMascotY = 20;
constexpr int kModalFrameWidth = 2;  // the logo's raised double edge
}  // namespace

CSysSetupPage::CSysSetupPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("SysSetupPage"));
    setWindowTitle(apptexts::kInfoTitle);

    // Created bottom first: on the form the earlier controls lie above the later ones,
    // so the frame is at the bottom and the logo on top.
    m_blackFrame = new QFrame(this);
    m_blackFrame->setObjectName(QStringLiteral("blackFrame"));
    m_blackFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette black = m_blackFrame->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    m_blackFrame->setPalette(black);

    m_whiteRect = new QFrame(this);
    m_whiteRect->setObjectName(QStringLiteral("whiteRect"));
    m_whiteRect->setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette white = black;
    white.setColor(QPalette::Window, Qt::white);
    m_whiteRect->setPalette(white);
    m_whiteRect->setAutoFillBackground(true);
    m_whiteRect->setEnabled(false);

    m_mascot = addPicture("mascotPicture", mascotPicture());
    m_name = addPicture("namePicture", namePicture());
    m_contact = addPicture("contactPicture", contactPicture());
    m_logo = addPicture("logoPicture", logoPicture());
    m_logo->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_logo->setLineWidth(kModalFrameWidth);

    placeControls();
}

QLabel* CSysSetupPage::addPicture(const char* name, const QPixmap& pixmap) {
    auto* picture = new QLabel(this);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setPixmap(pixmap);
    // Transparent: the white ground shows through the pictures' clear parts.
    picture->setAttribute(Qt::WA_TranslucentBackground);
    return picture;
}

void CSysSetupPage::placeControls() {
    const DialogUnits units(*this);
    const QRect ground = units.rect(kGroundX, kGroundY, kGroundWidth, kGroundHeight);
    m_blackFrame->setGeometry(ground);
    m_whiteRect->setGeometry(ground);
    const auto place = [&units](QLabel* picture, int x, int y) {
        const int edge = picture->frameWidth();
        const QSize size = picture->pixmap().size() + QSize(2 * edge, 2 * edge);
        picture->setGeometry(QRect(units.point(x, y), size));
    };
    place(m_logo, kLogoX, kLogoY);
    place(m_contact, kContactX, kContactY);
    place(m_name, kNameX, kNameY);
    place(m_mascot, kMascotX, kMascotY);
}

QSize CSysSetupPage::sizeHint() const { return DialogUnits(*this).size(kPageWidth, kPageHeight); }

void CSysSetupPage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        placeControls();
        updateGeometry();
    }
}

}  // namespace tavo
