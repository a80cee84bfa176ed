// SPDX-License-Identifier: GPL-3.0-or-later
#include <catalogue/fMain.h>
#include <firststart/CatalogueStart.h>

#include <QApplication>
#include <QTimer>

CatalogueStart::CatalogueStart(mTaprell &taprell, FirstStart &firstStart)
    : m_taprell(taprell)
    , m_firstStart(firstStart)
{
}

CatalogueStart::~CatalogueStart() = default;

void CatalogueStart::start()
{
    m_catalogue = std::make_unique<fMain>(m_taprell, m_firstStart.dialogs());
    m_catalogue->setSettingsStore(&m_firstStart.settings());
    m_catalogue->show();
    if (m_firstStart.isFirstStart()) {
        // Queued behind the catalogue's own start-up message, which is queued as it shows.
        QTimer::singleShot(0, this, &CatalogueStart::offerWhenNoMessageIsOpen);
    }
}

// A message box runs an event loop of its own, in which this could come up over it: wait
// until the last one is gone, so the offer follows the message rather than covering it.
void CatalogueStart::offerWhenNoMessageIsOpen()
{
    if (QWidget *modal = QApplication::activeModalWidget()) {
        connect(
            modal, &QObject::destroyed, this,
            [this] { QTimer::singleShot(0, this, &CatalogueStart::offerWhenNoMessageIsOpen); },
            Qt::SingleShotConnection);
        return;
    }
    makeOffer();
}

void CatalogueStart::makeOffer()
{
    const FirstStart::Outcome outcome = m_firstStart.offer(m_catalogue.get());
    m_outcome = outcome;
    if (outcome == FirstStart::Outcome::Created || outcome == FirstStart::Outcome::UsedExisting ||
        outcome == FirstStart::Outcome::Chosen) {
        // A fresh window loads as at any start: the thumbnail folder, the list, the first figure.
        auto reopened = std::make_unique<fMain>(m_taprell, m_firstStart.dialogs());
        reopened->setSettingsStore(&m_firstStart.settings());
        reopened->setGeometry(m_catalogue->geometry());
        reopened->show();
        m_catalogue.swap(reopened);
        reopened.release()->deleteLater();
    }
    emit offerAnswered(outcome);
}
