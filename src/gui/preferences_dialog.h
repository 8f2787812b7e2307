// Window 1, the Preferences dialog: the page list, the title strip, the nine pages and the
// Defaults, OK and Cancel buttons. OK and Defaults save the settings file and tell the main
// window what it must reload.
#pragma once

#include "gui/preferences_pages.h"

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace velmora {

// What the main window reloads after the settings changed: a new theme reloads every
// picture table, a new icon size only the tool bar icons.
enum class PreferencesChange { None, Size, Theme };

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // Shows the settings in force, at a page of PreferencesPage.
    PreferencesDialog(QWidget* parent, int page);

    int CurrentPage() const;
    void ShowPage(int page);
    QListWidget* PageList() const { return pageList_; }
    QLabel* PageTitle() const { return title_; }
    QPushButton* DefaultsButton() const { return defaults_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    // How many columns of rows the pages have: two, or one on a narrow screen.
    int Columns() const { return form_->Columns(); }

signals:
    // After OK or a confirmed reset, once the settings file is written.
    void Applied(velmora::PreferencesChange change);

private:
    // Lays the pages out in as many columns as the screen has room for, and sizes and
    // places the dialog wholly on that screen.
    void FitTheScreen(QWidget* parent);
    void Confirm();
    void ResetToDefaults();
    void Finish(const std::string& themeBefore, int sizeBefore);

    std::unique_ptr<PreferencesForm> form_;
    QListWidget* pageList_;
    QLabel* title_;
    QStackedWidget* pages_;
    QPushButton* defaults_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace velmora
