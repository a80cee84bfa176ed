// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <firststart/FirstStart.h>

#include <QObject>

#include <memory>
#include <optional>

class fMain;
class mTaprell;

// Opens the catalogue as the program starts. On a first start it makes the first-start offer
// once the catalogue's own start-up message about the missing library has been closed, and
// when the offer set up a library it opens the catalogue anew on it.
class CatalogueStart : public QObject
{
    Q_OBJECT

public:
    CatalogueStart(mTaprell &taprell, FirstStart &firstStart);
    ~CatalogueStart() override;

    void start();

    fMain *catalogue() const { return m_catalogue.get(); }
    // Empty until the offer has been answered, and when there was none to make.
    std::optional<FirstStart::Outcome> outcome() const { return m_outcome; }

signals:
    void offerAnswered(FirstStart::Outcome outcome);

private:
    void offerWhenNoMessageIsOpen();
    void makeOffer();

    mTaprell &m_taprell;
    FirstStart &m_firstStart;
    std::unique_ptr<fMain> m_catalogue;
    std::optional<FirstStart::Outcome> m_outcome;
};
