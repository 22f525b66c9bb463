#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/qt/view/QtPopups.h"

namespace qv {
namespace {

// Runs `answer` on the modal pop-up as soon as it is open. The pop-up's own event loop
// delivers the timer, so the call under test is blocked in exec() meanwhile.
void whenModalOpens(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        answer(modal);
    });
    timer->start();
}

QPushButton* buttonLabelled(QWidget* box, const QString& text) {
    for (QPushButton* b : box->findChildren<QPushButton*>()) {
        if (b->text() == text) {
            return b;
        }
    }
    return nullptr;
}

struct TwoButtonCase {
    const char* name;
    std::function<void(QWidget*)> answer;
    int expected;
};

TEST(QtPopupsTest, TwoButtonPopupAnswersButtonOneToEnterEscapeAndClose) {
    const TwoButtonCase cases[] = {
        {"Escape", [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }, 1},
        {"Enter", [](QWidget* box) { QTest::keyClick(box->focusWidget(), Qt::Key_Return); }, 1},
        {"window closed", [](QWidget* box) { box->close(); }, 1},
        {"Offline clicked",
         [](QWidget* box) { QTest::mouseClick(buttonLabelled(box, "Offline"), Qt::LeftButton); },
         2},
        {"Close clicked",
         [](QWidget* box) { QTest::mouseClick(buttonLabelled(box, "Close"), Qt::LeftButton); }, 1},
    };
    QtPopups popups;
    for (const TwoButtonCase& c : cases) {
        QString title;
        QString focused;
        whenModalOpens([&, answer = c.answer](QWidget* box) {
            title = box->windowTitle();
            auto* focus = qobject_cast<QPushButton*>(box->focusWidget());
            focused = focus != nullptr ? focus->text() : QString();
            answer(box);
        });
        const int result = popups.twoButtonPopup("Message!", "Could not establish connection!",
                                                 "Close", "Offline");
        EXPECT_EQ(result, c.expected) << c.name;
        EXPECT_EQ(title, "Message!") << c.name;
        EXPECT_EQ(focused, "Close") << c.name << ": button 1 has the focus";
    }
}

TEST(QtPopupsTest, ConfirmIsYesOneNoZeroAndEscapeMeansNo) {
    struct Case {
        const char* name;
        std::function<void(QWidget*)> answer;
        int expected;
    };
    const Case cases[] = {
        {"Yes", [](QWidget* b) { QTest::mouseClick(buttonLabelled(b, "&Yes"), Qt::LeftButton); },
         1},
        {"No", [](QWidget* b) { QTest::mouseClick(buttonLabelled(b, "&No"), Qt::LeftButton); }, 0},
        {"Escape", [](QWidget* b) { QTest::keyClick(b, Qt::Key_Escape); }, 0},
    };
    QtPopups popups;
    for (const Case& c : cases) {
        QString text;
        whenModalOpens([&, answer = c.answer](QWidget* box) {
            text = static_cast<QMessageBox*>(box)->text();
            answer(box);
        });
        EXPECT_EQ(popups.confirmPopup("Message!", "Do you want to proceed anyway?"), c.expected)
            << c.name;
        EXPECT_EQ(text, "Do you want to proceed anyway?") << c.name;
    }
}

TEST(QtPopupsTest, MessageShowsTitleAndTextWithOneButton) {
    QtPopups popups;
    QString title;
    QString text;
    int buttons = 0;
    whenModalOpens([&](QWidget* box) {
        title = box->windowTitle();
        text = static_cast<QMessageBox*>(box)->text();
        buttons = static_cast<int>(static_cast<QMessageBox*>(box)->buttons().size());
        QTest::keyClick(box, Qt::Key_Escape);
    });
    popups.messagePopup("Info!", "Keine Parameter eingelesen!");
    EXPECT_EQ(title, "Info!");
    EXPECT_EQ(text, "Keine Parameter eingelesen!");
    EXPECT_EQ(buttons, 1);
}

class FileDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QFile existing(dir.filePath("Parameter.ini"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("[GENERAL INFO]\n");
        request.directory = dir.path().toStdString();
        request.defaultFileName = "Parameter.ini";
        request.fileTypeList = "*.ini";
        request.title = "Parameter";
    }
    QTemporaryDir dir;
    FileSelectRequest request;
    QtPopups popups;
};

TEST_F(FileDialogTest, OpensWithTheRequestAndTellsExistingFromNew) {
    struct Case {
        const char* chosen;  // empty: cancel
        int expected;
    };
    const Case cases[] = {
        {"Parameter.ini", FILE_SELECT_EXISTING},
        {"Other.ini", FILE_SELECT_NEW},
        {"", FILE_SELECT_CANCELLED},
    };
    for (const Case& c : cases) {
        QString title;
        QString startDir;
        QStringList filters;
        QStringList preselected;
        QString acceptText;
        whenModalOpens([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            startDir = dialog->directory().absolutePath();
            filters = dialog->nameFilters();
            preselected = dialog->selectedFiles();
            acceptText = dialog->labelText(QFileDialog::Accept);
            if (QString(c.chosen).isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(dir.filePath(c.chosen));
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        std::string path = "untouched";
        const int result = popups.fileSelectPopup(request, path);
        EXPECT_EQ(result, c.expected) << c.chosen;
        EXPECT_EQ(title, "Parameter");
        EXPECT_EQ(startDir, QDir(dir.path()).absolutePath());
        ASSERT_FALSE(filters.isEmpty());
        EXPECT_EQ(filters.first(), "*.ini");
        ASSERT_FALSE(preselected.isEmpty());
        EXPECT_EQ(QFileInfo(preselected.first()).fileName(), "Parameter.ini");
        EXPECT_EQ(acceptText, "OK");
        if (c.expected == FILE_SELECT_CANCELLED) {
            EXPECT_EQ(path, "untouched");
        } else {
            EXPECT_EQ(QString::fromStdString(path),
                      QDir::toNativeSeparators(dir.filePath(c.chosen)));
        }
    }
}

TEST(QtPopupsTest, WaitCursorIsBalanced) {
    QtPopups popups;
    popups.setWaitCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    popups.setWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // An extra restore does not take away a cursor that someone else set.
    QApplication::setOverrideCursor(Qt::CrossCursor);
    popups.setWaitCursor(false);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    QApplication::restoreOverrideCursor();
}

}  // namespace
}  // namespace qv
