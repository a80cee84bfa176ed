// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <widgets/Twips.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <QTreeView>
#include <QWidget>

#include <algorithm>
#include <iterator>
#include <span>
#include <utility>

// A window's controls as its description places them, and the line a layout test compares for
// each: name, parent, kind, geometry, and the caption and font where the description gives them.

// A control as the window's description lays it out: position and size in twips (inside a frame
// relative to the frame), and the caption or initial text and the font it shows (nullptr: none
// given).
struct Placed
{
    const char *name;
    const char *parent;
    const char *kind;
    int left, top, width, height;
    const char16_t *caption = nullptr;
    const char *font = nullptr;
};

// What a control shows as its caption or text, whatever kind of control it is.
inline QString shownText(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        return label->text();
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
        return button->text();
    }
    if (const auto *frame = qobject_cast<const QGroupBox *>(control)) {
        return frame->title();
    }
    if (const auto *edit = qobject_cast<const QLineEdit *>(control)) {
        return edit->text();
    }
    if (const auto *text = qobject_cast<const QPlainTextEdit *>(control)) {
        return text->toPlainText();
    }
    if (const auto *combo = qobject_cast<const QComboBox *>(control)) {
        return combo->currentText();
    }
    return QStringLiteral("(no text)");
}

// One line per control, so that a mismatch names the control and shows all it was checked for.
inline QString line(const Placed &c, const QString &parent, const QString &kind, QRect rect, const QString &caption,
                    const QString &font)
{
    QString result = QStringLiteral("%1 in %2: %3 at %4,%5 size %6x%7")
                         .arg(QString::fromLatin1(c.name), parent, kind)
                         .arg(rect.x())
                         .arg(rect.y())
                         .arg(rect.width())
                         .arg(rect.height());
    if (c.caption) {
        result += QStringLiteral(" \"") + caption + u'"';
    }
    if (c.font) {
        result += QStringLiteral(" font ") + font;
    }
    return result;
}

inline QString expectedLine(const Placed &c)
{
    return line(c, QString::fromLatin1(c.parent), QString::fromLatin1(c.kind),
                twipsRect(c.left, c.top, c.width, c.height), c.caption ? QString::fromUtf16(c.caption) : QString(),
                QString::fromUtf8(c.font));
}

inline QString actualLine(const Placed &c, const QWidget *control)
{
    const QString kind = QString::fromLatin1(control->inherits(c.kind) ? c.kind : control->metaObject()->className());
    return line(c, control->parentWidget()->objectName(), kind, control->geometry(), shownText(control),
                control->font().family());
}

// The named controls of a window that the table does not list (the list's own parts aside).
inline QStringList unlistedControls(const QWidget *window, const QTreeView *list, std::span<const Placed> controls)
{
    QStringList unlisted;
    for (const QWidget *child : window->findChildren<QWidget *>()) {
        const QString name = child->objectName();
        if (!name.isEmpty() && !name.startsWith(QStringLiteral("qt_")) && child->parentWidget() != list &&
            child->parentWidget()->parentWidget() != list &&
            std::none_of(controls.begin(), controls.end(),
                         [&](const Placed &c) { return name == QString::fromLatin1(c.name); })) {
            unlisted << name;
        }
    }
    return unlisted;
}

// A list's columns as "header: width wide", as shown and as described (width in twips).
inline QStringList shownColumns(const QTreeView *list)
{
    QStringList shown;
    for (int i = 0; i < list->model()->columnCount(); ++i) {
        shown << QStringLiteral("%1: %2 wide")
                     .arg(list->model()->headerData(i, Qt::Horizontal).toString())
                     .arg(list->header()->sectionSize(i));
    }
    return shown;
}

inline QStringList describedColumns(std::span<const std::pair<const char16_t *, int>> columns)
{
    QStringList described;
    for (const auto &[header, width] : columns) {
        described << QStringLiteral("%1: %2 wide").arg(QString::fromUtf16(header)).arg(twips(width));
    }
    return described;
}
