// SPDX-License-Identifier: GPL-3.0-or-later
#include <setup/fLanguage.h>
#include <setup/mMain.h>
#include <widgets/Twips.h>

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

QIcon kalvorIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x5f, 0x8b));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(20);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("K"));
    painter.end();
    return QIcon(pixmap);
}

} // namespace

fLanguage::fLanguage(mMain &main, QWidget *parent)
    : QWidget(parent)
    , m_main(main)
    , Label1(new QLabel(QStringLiteral("Select Language"), this))
    , Combo1(new QComboBox(this))
    , cmdOK(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("fLanguage"));
    setWindowTitle(QStringLiteral("select Language"));
    setWindowIcon(kalvorIcon());
    resize(twipsRect(0, 0, 3660, 1692).size());

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(480, 240, 2055, 255));

    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(twipsRect(480, 600, 2535, 300));
    // Typed text counts as edited even when it is exactly an item's text. QComboBox turns such
    // text into a choice of that item when the typing ends (Enter or focus leaving the box), as
    // part of its own handling of editingFinished: a choice made there is not the user's. Our
    // handlers around it (connected before and after QComboBox's own) mark that moment.
    auto *edit = new QLineEdit(Combo1);
    connect(edit, &QLineEdit::editingFinished, this, [this] { m_finishingEdit = true; });
    Combo1->setLineEdit(edit);
    connect(edit, &QLineEdit::editingFinished, this, [this] { m_finishingEdit = false; });
    // Typed text stays as typed: no completion to a list item, no new list item.
    Combo1->setCompleter(nullptr);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->addItem(QStringLiteral("简体中文(Chinese)"));
    Combo1->addItem(QStringLiteral("English"));
    Combo1->setCurrentIndex(0);

    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(2040, 1200, 735, 300));

    setTabOrder(Combo1, cmdOK);
    Combo1->setFocus();

    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, [this] { m_edited = true; });
    connect(Combo1, &QComboBox::activated, this, [this] {
        if (!m_finishingEdit) {
            m_edited = false;
        }
    });
    connect(cmdOK, &QPushButton::clicked, this, &fLanguage::cmdOKClick);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

int fLanguage::listIndex() const
{
    return m_edited ? -1 : Combo1->currentIndex();
}

void fLanguage::cmdOKClick()
{
    switch (listIndex()) {
    case 0:
        m_main.setChosenLanguage(QStringLiteral("Chinese"));
        break;
    case 1:
        m_main.setChosenLanguage(QStringLiteral("English"));
        break;
    default:
        break;
    }
    m_main.install();
    close();
}
