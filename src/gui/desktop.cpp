#include "gui/desktop.h"

#include "gui/face_text.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

namespace velmora {
namespace {

Desktop gRealDesktop;
Desktop* gDesktop = &gRealDesktop;

bool AskWithIcon(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                 const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void Desktop::Warn(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void Desktop::Inform(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void Desktop::ShowError(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

bool Desktop::AskYesNo(QWidget* parent, const QString& title, const QString& text) {
    return AskWithIcon(QMessageBox::Warning, parent, title, text);
}

bool Desktop::AskQuestion(QWidget* parent, const QString& title, const QString& text) {
    return AskWithIcon(QMessageBox::Question, parent, title, text);
}

QString Desktop::ChooseFile(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString Desktop::ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start);
}

QColor Desktop::ChooseColor(QWidget* parent, const QColor& initial) {
    return QColorDialog::getColor(initial, parent);
}

QString Desktop::ChooseFontFamily(QWidget* parent, const QString& initial) {
    bool chosen = false;
    QFont font = QFontDialog::getFont(&chosen, QFont(initial), parent);
    return chosen ? font.family() : QString();
}

bool Desktop::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

Desktop& TheDesktop() {
    return *gDesktop;
}

void OpenAddress(QWidget* parent, const QUrl& url) {
    if (TheDesktop().OpenUrl(url))
        return;
    QString shown = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
    TheDesktop().ShowError(parent, Text("Msg", "Error"),
                           Filled("Msg", "Unable to open address", U(shown)));
}

void SetDesktop(Desktop* desktop) {
    gDesktop = desktop ? desktop : &gRealDesktop;
}

} // namespace velmora
