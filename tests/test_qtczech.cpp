// Qt's own texts speak Czech once the program's translator is in, and only
// through it: the tests' own application starts without one.
#include "qtczech.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// A question box's buttons and a save dialog's, as the user sees them.
QStringList QtButtonTexts() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pentarix"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    if (!buttons) return {};
    return {box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
            buttons->button(QDialogButtonBox::Save)->text(),
            buttons->button(QDialogButtonBox::Cancel)->text()};
}

} // namespace

TEST(QtCzech, MessageBoxAndFileDialogButtonsAreCzech) {
    EXPECT_EQ(QtButtonTexts(), QStringList({"&Yes", "&No", "&Save", "Cancel"}));
    const std::unique_ptr<QTranslator> czech = LoadQtCzech();
    ASSERT_NE(czech, nullptr) << "no qtbase_cs.qm (Debian: qt6-translations-l10n)";
    QCoreApplication::installTranslator(czech.get());
    const QStringList texts = QtButtonTexts();
    QCoreApplication::removeTranslator(czech.get());
    EXPECT_EQ(texts, QStringList({"&Ano", "&Ne", "&Uložit", "Zrušit"}));
}
