#pragma once
// The two help windows of the main menu: every shortcut, and what the
// program is.

#include <QAction>
#include <QList>
#include <QString>
#include <QWidget>

// One line of the shortcut list: what it does and its keys, as the menu shows them.
struct TShortcutRow {
    QString Command;
    QString Keys;
};

// The rows for every action that has a key, in the order given, then the keys
// that belong to no menu entry.
QList<TShortcutRow> ShortcutRows(const QList<QAction*>& actions);

// A small window listing the rows; closed, it goes.
QWidget* ShowShortcutList(const QList<QAction*>& actions, QWidget* owner);

// Name, version, licence and a line on what the program does.
QString AboutText(const QString& version);
QWidget* ShowAbout(const QString& version, QWidget* owner);
