// What the windows ask of the desktop: message boxes, file, folder, colour and font
// choosers, and opening an address with its default handler. Tests put their own Desktop
// in place.
#pragma once

#include <QColor>
#include <QString>
#include <QUrl>

class QWidget;

namespace velmora {

class Desktop {
public:
    virtual ~Desktop() = default;
    // OK button, warning icon.
    virtual void Warn(QWidget* parent, const QString& title, const QString& text);
    // OK button, information icon.
    virtual void Inform(QWidget* parent, const QString& title, const QString& text);
    // OK button, error icon.
    virtual void ShowError(QWidget* parent, const QString& title, const QString& text);
    // Yes and No buttons, warning icon; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& title, const QString& text);
    // Yes and No buttons, question icon; true for Yes.
    virtual bool AskQuestion(QWidget* parent, const QString& title, const QString& text);
    // Empty when the user cancelled.
    virtual QString ChooseFile(QWidget* parent, const QString& title, const QString& filter);
    virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& start);
    // An invalid colour when the user cancelled.
    virtual QColor ChooseColor(QWidget* parent, const QColor& initial);
    // The chosen font's family; empty when the user cancelled.
    virtual QString ChooseFontFamily(QWidget* parent, const QString& initial);
    virtual bool OpenUrl(const QUrl& url);
};

Desktop& TheDesktop();

// Opens an address with its default handler; when nothing can, says so in an error box
// that shows the address (a file's path) for the user to open by hand.
void OpenAddress(QWidget* parent, const QUrl& url);
// Replaces the desktop until called again; nullptr puts the real one back.
void SetDesktop(Desktop* desktop);

} // namespace velmora
