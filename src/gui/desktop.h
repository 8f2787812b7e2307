// What the windows ask of the desktop: message boxes, file, folder, colour and font
// choosers, and opening an address with its default handler. Tests put their own Desktop
// in place.
#pragma once

#include <QColor>
#include <QString>
#include <QUrl>

#include <functional>

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
    // Empty when the user cancelled. Each filter line shows its patterns only where the
    // dialog has room for them.
    virtual QString ChooseFile(QWidget* parent, const QString& title, const QString& filter);
    virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& start);
    // An invalid colour when the user cancelled.
    virtual QColor ChooseColor(QWidget* parent, const QColor& initial);
    // The chosen font's family; empty when the user cancelled.
    virtual QString ChooseFontFamily(QWidget* parent, const QString& initial);
    // Starts the address's default handler; opened(false) when none could take it, as the
    // opener's own exit status says (xdg-open's, when the system has it), opened(true) once
    // the handler took it. opened may run later, from the event loop.
    using Opened = std::function<void(bool opened)>;
    virtual void OpenUrl(const QUrl& url, Opened opened);
};

Desktop& TheDesktop();

// Opens an address with its default handler; when nothing can, says so in an error box
// that shows the address (a file's path) for the user to open by hand. then, if given,
// runs once that is known.
void OpenAddress(QWidget* parent, const QUrl& url, std::function<void()> then = {});
// Replaces the desktop until called again; nullptr puts the real one back.
void SetDesktop(Desktop* desktop);

} // namespace velmora
