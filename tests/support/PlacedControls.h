// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Twips.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

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
