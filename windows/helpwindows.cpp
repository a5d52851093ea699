#include "helpwindows.h"

#include "windowstyle.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QTableWidget>
#include <QVBoxLayout>

QList<TShortcutRow> ShortcutRows(const QList<QAction*>& actions) {
    QList<TShortcutRow> rows;
    for (const QAction* action : actions) {
        if (action->shortcuts().isEmpty()) continue;
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys << key.toString(QKeySequence::NativeText);
        QString command = action->text();
        command.remove(QChar(u'…'));
        rows.append({command, keys.join(QStringLiteral(", "))});
    }
    // Keys that act inside the chart or the small windows rather than as a menu entry.
    rows.append({QStringLiteral("Zrušit tažení po grafu"), QStringLiteral("Esc")});
    rows.append({QStringLiteral("Kopírovat obsah okna dat, sítě nebo PSV"),
                 QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText)});
    return rows;
}

QWidget* ShowShortcutList(const QList<QAction*>& actions, QWidget* owner) {
    auto* window = new QWidget(owner, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    window->setWindowTitle(QStringLiteral("Klávesové zkratky"));
    window->setFont(DesignFont(12));
    const QList<TShortcutRow> rows = ShortcutRows(actions);
    auto* table = new QTableWidget(int(rows.size()), 2, window);
    table->setHorizontalHeaderLabels({QStringLiteral("Příkaz"), QStringLiteral("Klávesy")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int i = 0; i < rows.size(); ++i) {
        table->setItem(i, 0, new QTableWidgetItem(rows[i].Command));
        table->setItem(i, 1, new QTableWidgetItem(rows[i].Keys));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(table);
    window->resize(table->horizontalHeader()->length() + 60,
                   table->verticalHeader()->length() + table->horizontalHeader()->height() + 40);
    CenterOnScreen(window);
    window->show();
    return window;
}

QString AboutText(const QString& version) {
    return QStringLiteral("Pentarix %1\n\n"
                          "Návrh článku L (cívka v sérii, kondenzátor paralelně), který přizpůsobí "
                          "anténu k vysílači 50 ohmů, na Smithově diagramu.\n\n"
                          "Licence: GNU General Public License, verze 3 nebo pozdější.")
        .arg(version);
}

QWidget* ShowAbout(const QString& version, QWidget* owner) {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("O programu"),
                                AboutText(version), QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose, true);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}
