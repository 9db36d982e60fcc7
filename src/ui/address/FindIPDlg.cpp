#include "FindIPDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "AddressTexts.h"
#include "IpSearchEngine.h"
#include "MacDBDlg.h"
#include "common/CommonTexts.h"
#include "common/Prompts.h"
#include "common/TablePrompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/MacByteFields.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {

// The status shows 0 to kDotCycle - 1 trailing full stops, one more each tick.
constexpr int kDotCycle = 5;

bool isTypedCharacter(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = key->text();
    return text.size() == 1 && text.at(0).isPrint();
}

// A picked history value as its field shows it: two hexadecimal digits.
QString byteFieldText(int value) {
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

CFindIPDlg::CFindIPDlg(AppContext& context, QWidget* parent, Pace pace)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("FindIPDlg"));
    setWindowTitle(QString::fromUtf8(kIpSearchTitle));
    buildControls();
    IpSearchRequest request{m_context.link, pace, {}, m_context.dataDir.toStdString(), tableMessagesTo(m_context.prompts)};
    request.mac = [this] {
        MacOctets mac{};
        const auto values = macFieldValues();
        for (size_t i = 0; i < mac.size(); ++i) mac[i] = wireOctet(values[i]);
        return mac;
    };
    m_search = new IpSearchEngine(std::move(request), this);
    connect(m_search, &IpSearchEngine::requestSent, this, &CFindIPDlg::onRequestSent);
    connect(m_search, &IpSearchEngine::found, this, &CFindIPDlg::onFound);
    connect(m_search, &IpSearchEngine::otherDevice, this, [this] {
        setStatus(QString::fromLatin1(kSearchOtherDeviceText));
        endSearch();
    });
    connect(m_search, &IpSearchEngine::receiveFailed, this,
            [this] { setStatus(QString::fromLatin1(kSearchSocketErrorText)); });
}

CFindIPDlg::~CFindIPDlg() = default;  // the search ends with its parent

const MacOctets& CFindIPDlg::sentMac() const { return m_search->sentMac(); }

void CFindIPDlg::done(int result) {
    if (m_bSearching) {
        m_search->stop();
        endSearch();
    }
    QDialog::done(result);
}

void CFindIPDlg::buildControls() {
    m_macFields = new MacByteFields(this);
    for (int i = 0; i < MacByteFields::kByteCount; ++i) m_macFields->byteField(i)->installEventFilter(this);
    auto* database = newButton(QString::fromLatin1(kSearchMacDatabase), "1039", this);
    auto* clearDatabase = newButton(QString::fromLatin1(kSearchClearMacDatabase), "1040", this);
    m_ipFound = new IpAddressEdit(this);
    m_ipFound->setObjectName(QStringLiteral("1074"));
    m_searchStatus = new QLineEdit(QString::fromLatin1(kSearchWaitingText), this);
    m_searchStatus->setObjectName(QStringLiteral("1075"));
    m_searchStatus->setReadOnly(true);
    m_findButton = newButton(QString::fromLatin1(kSearchFindText), "1073", this);
    m_findButton->setDefault(true);
    auto* cancel = newButton(commontexts::kCancel, "2", this);

    auto* history = new QGroupBox(QString::fromLatin1(kSearchHistoryBox), this);
    auto* historyButtons = new QHBoxLayout(history);
    historyButtons->addWidget(database);
    historyButtons->addWidget(clearDatabase);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(commontexts::kMacAddressLabel, this), 0, 0);
    grid->addWidget(m_macFields, 0, 1);
    grid->addWidget(history, 1, 0, 1, 2);
    grid->addWidget(new QLabel(QString::fromLatin1(kSearchFoundLabel), this), 2, 0);
    grid->addWidget(m_ipFound, 2, 1);
    grid->addWidget(m_searchStatus, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_findButton);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_findButton, &QPushButton::clicked, this, &CFindIPDlg::OnFind);
    connect(cancel, &QPushButton::clicked, this, &CFindIPDlg::reject);
    connect(database, &QPushButton::clicked, this, &CFindIPDlg::OnMacDatabase);
    connect(clearDatabase, &QPushButton::clicked, this, &CFindIPDlg::OnClearMacDatabase);
    m_macFields->setFocus();
}

bool CFindIPDlg::eventFilter(QObject* watched, QEvent* event) {
    // A full MAC field refuses a further character and nothing else happens: unlike the
    // device entry dialog, the search dialog does not move on to the next field then.
    if (event->type() == QEvent::KeyPress) {
        auto* field = qobject_cast<QLineEdit*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (field && isTypedCharacter(key) && field->text().size() >= MacByteFields::kByteLength &&
            !field->hasSelectedText())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

std::array<int, 6> CFindIPDlg::macFieldValues() const {
    std::array<int, 6> values{};
    const QStringList texts = m_macFields->byteTexts();
    for (size_t i = 0; i < values.size(); ++i) values[i] = ParseHexByte(texts.at(int(i)).toStdString());
    return values;
}

void CFindIPDlg::OnFind() {
    if (m_bSearching) {
        stopSearch(QString::fromLatin1(kSearchStoppedText));
    } else {
        startSearch();
    }
}

void CFindIPDlg::startSearch() {
    // Without a socket there is nothing to search with: say so once and stay idle,
    // rather than once a tick.
    if (!m_search->start(macFieldValues())) {
        m_context.prompts.message(QString::fromLatin1(kSearchNoSocketText), commontexts::kError);
        return;
    }
    m_findButton->setText(commontexts::kStop);
    m_bSearching = true;
    setStatus(QString::fromLatin1(kSearchingText));
}

void CFindIPDlg::stopSearch(const QString& status) {
    m_search->stop();
    setStatus(status);
    endSearch();
}

void CFindIPDlg::endSearch() {
    m_nDotCount = 0;
    m_findButton->setText(QString::fromLatin1(kSearchFindText));
    m_bSearching = false;
}

void CFindIPDlg::onRequestSent() {
    if (m_nDotCount == kDotCycle) m_nDotCount = 0;
    setStatus(QString::fromLatin1(kSearchingText) + QString(m_nDotCount, QLatin1Char('.')));
    ++m_nDotCount;
}

void CFindIPDlg::onFound(const Ipv4Octets& ip) {
    setStatus(QString::fromLatin1(kSearchConcludedText));
    m_ipFound->setAddress(ip);
    endSearch();
}

void CFindIPDlg::setStatus(const QString& text) { m_searchStatus->setText(text); }

void CFindIPDlg::OnMacDatabase() {
    CMacDBDlg picker(m_context, this);
    QStringList texts;
    const bool picked = picker.exec() == QDialog::Accepted;
    for (int value : picker.m_nMacByte) texts.append(picked ? byteFieldText(value) : QStringLiteral("00"));
    m_macFields->setByteTexts(texts);
}

void CFindIPDlg::OnClearMacDatabase() {
    CMacHistoryFDB history(m_context.dataDir.toStdString(), tableMessagesTo(m_context.prompts));
    history.ClearAll();
}

}  // namespace tavo
