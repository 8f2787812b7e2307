#include "gui/desktop.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace velmora {
namespace {

Desktop gRealDesktop;
Desktop* gDesktop = &gRealDesktop;

} // namespace

void Desktop::Warn(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

bool Desktop::AskYesNo(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

QString Desktop::ChooseFile(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString Desktop::ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start);
}

bool Desktop::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

Desktop& TheDesktop() {
    return *gDesktop;
}

void SetDesktop(Desktop* desktop) {
    gDesktop = desktop ? desktop : &gRealDesktop;
}

} // namespace velmora
