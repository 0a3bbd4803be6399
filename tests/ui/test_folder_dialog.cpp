// The data-folder chooser takes a folder typed by name and creates it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "framework/ui/QtPrompter.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/ScratchDir.h"

using namespace ordavia;

TEST(FolderDialog, TypedNewFolderIsCreatedAndChosen) {
    testsupport::ensureQtApp();
    testsupport::ScratchDir scratch("folder");
    const auto base = scratch.dir;
    const auto wanted = base / "new data";

    bool buttonWasEnabled = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        dlg->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(wanted.string()));
        QPushButton* ok = dlg->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
        buttonWasEnabled = ok->isEnabled();
        ok->click();
        // A refused name leaves the dialog open: close it rather than hang.
        QTimer::singleShot(2000, dlg, &QDialog::reject);
    });
    QtPrompter prompter(nullptr);
    const auto chosen = prompter.chooseFolder("Open or create a new data folder", base.string());
    EXPECT_TRUE(buttonWasEnabled);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(std::filesystem::path(*chosen), wanted);
    EXPECT_TRUE(std::filesystem::is_directory(wanted));
}

// Each button of a question box answers as itself: OK in an OK/Cancel
// question is OK (it once came back as Cancel, so every confirmation by OK
// was taken as a refusal), and closing the box is Cancel.
TEST(QtPrompterTest, OkAndCancelAnswerAsTheButtonsSay) {
    testsupport::ensureQtApp();
    QtPrompter prompter(nullptr);
    auto answer = [&](QMessageBox::StandardButton press) {
        QTimer::singleShot(0, [press] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            if (press == QMessageBox::NoButton)
                box->reject();
            else
                box->button(press)->click();
        });
        Prompter& p = prompter;
        return p.messageBox("diameter = 5.8 pixel", MsgButtons::OkCancel, MsgIcon::Question);
    };
    EXPECT_EQ(answer(QMessageBox::Ok), MsgResult::Ok);
    EXPECT_EQ(answer(QMessageBox::Cancel), MsgResult::Cancel);
    EXPECT_EQ(answer(QMessageBox::NoButton), MsgResult::Cancel);
}
