#include "platform/qt/view/QtPopups.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace qv {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QWidget* owner() {
    return QApplication::activeWindow();
}

QString acceptLabel(FileDialogButton button) {
    switch (button) {
        case FileDialogButton::Save:
            return QStringLiteral("Save");
        case FileDialogButton::Load:
            return QStringLiteral("Load");
        case FileDialogButton::Select:
            return QStringLiteral("Select");
        case FileDialogButton::Ok:
            break;
    }
    return QStringLiteral("OK");
}

}  // namespace

QtPopups::~QtPopups() {
    while (waitCursorDepth_ > 0) {
        setWaitCursor(false);
    }
}

void QtPopups::messagePopup(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Information, qs(title), qs(text), QMessageBox::Ok, owner());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

int QtPopups::confirmPopup(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Question, qs(title), qs(text), QMessageBox::Yes | QMessageBox::No,
                    owner());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int QtPopups::twoButtonPopup(const std::string& title, const std::string& text,
                             const std::string& button1, const std::string& button2) {
    QMessageBox box(QMessageBox::Question, qs(title), qs(text), QMessageBox::NoButton, owner());
    QPushButton* first = box.addButton(qs(button1), QMessageBox::AcceptRole);
    QPushButton* second = box.addButton(qs(button2), QMessageBox::RejectRole);
    // Button 1 is the answer to Enter, to Escape and to closing the box.
    box.setDefaultButton(first);
    box.setEscapeButton(first);
    first->setFocus();
    box.exec();
    return box.clickedButton() == second ? 2 : 1;
}

int QtPopups::fileSelectPopup(const FileSelectRequest& request, std::string& path) {
    QFileDialog dialog(owner(), qs(request.title));
    // Qt's own dialog, so that the accept label and the options below hold on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // One dialog for both directions: an existing file or a new name may be chosen.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, !request.allowMakeDirectory);
    dialog.setLabelText(QFileDialog::Accept, acceptLabel(request.button));

    const QString directory = qs(request.directory);
    if (!directory.isEmpty() && QFileInfo(directory).isDir()) {
        dialog.setDirectory(directory);
    }
    QStringList filters;
    if (!request.fileTypeList.empty()) {
        filters << qs(request.fileTypeList);
    }
    if (!request.restrictExtension) {
        filters << QStringLiteral("*");
    }
    dialog.setNameFilters(filters);
    if (request.restrictExtension && !request.fileTypeList.empty()) {
        QString suffix = qs(request.fileTypeList).section(QLatin1Char(';'), 0, 0);
        suffix.remove(QStringLiteral("*."));
        if (!suffix.isEmpty() && !suffix.contains(QLatin1Char('*'))) {
            dialog.setDefaultSuffix(suffix);
        }
    }
    if (request.restrictDirectory && !directory.isEmpty()) {
        const QString home = QDir(directory).absolutePath();
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog,
                         [&dialog, home](const QString& entered) {
                             if (QDir(entered).absolutePath() != home) {
                                 dialog.setDirectory(home);
                             }
                         });
    }
    if (!request.defaultFileName.empty()) {
        dialog.selectFile(qs(request.defaultFileName));
    }

    if (dialog.exec() != QDialog::Accepted) {
        return FILE_SELECT_CANCELLED;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return FILE_SELECT_CANCELLED;
    }
    const QString file = QDir::toNativeSeparators(QFileInfo(chosen.first()).absoluteFilePath());
    path = file.toStdString();
    return QFileInfo::exists(file) ? FILE_SELECT_EXISTING : FILE_SELECT_NEW;
}

void QtPopups::setWaitCursor(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++waitCursorDepth_;
    } else if (waitCursorDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursorDepth_;
    }
}

}  // namespace qv
