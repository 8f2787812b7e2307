// The converter window: one input file, one output folder, one output format and a large
// Convert button, with its menus, field tool bars, status bar and commands.
#pragma once

#include "gui/preferences_dialog.h"
#include "gui/storage/config_file.h"

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <string>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QStyle;
class QToolBar;
class QToolButton;

namespace velmora {

class ProgressWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();

    // Bounds from the settings, moved (and shrunk) onto a screen when they do not fit one,
    // the recent folders and formats filled, command New run, then shown and laid out once.
    // The window only grows wider, so it is never maximised, whatever the settings say.
    void Open();
    // A second start of the program handed this window its file (empty for none): the
    // window comes to the front and takes the file, or takes it once a running conversion
    // has ended.
    void TakeHandedFile(const QString& path);

    void RunCommand(int command);
    // The accept test for a dropped, chosen or typed file; false leaves everything as is.
    // An accepted file's folder becomes the output folder when that field is empty, unless
    // fill says never.
    enum class OutputFolderFill { WhenEmpty, Never };
    bool TakeInputFile(const QString& path, OutputFolderFill fill = OutputFolderFill::WhenEmpty);
    // Puts a folder at the head of the recent output folders and refreshes field 5.
    void PutOutputFolderFirst(const std::string& folder);
    // Field 5's list rebuilt from the recent folders, the job's output folder selected.
    void RefreshRecentFolders();
    // Places the panel, fields, field tool bars and Convert button for the current size.
    void RunLayout();

    QWidget* Control(int id) const;
    QWidget* Panel() const { return panel_; }
    QToolBar* FieldToolBar(int command) const;
    // The menu item of a command; nullptr for a command without one.
    QAction* MenuAction(int command) const;
    QString StatusText() const;
    void SetStatus(const QString& text);
    // The open progress window, while there is one.
    ProgressWindow* Progress() const;
    // The open Preferences dialog, while there is one.
    PreferencesDialog* Preferences() const;
    // What confirmed or reset preferences change here: the theme's pictures reloaded and
    // shown, the output format and the recent folders as the settings now say.
    void ApplyPreferences(PreferencesChange change);
    // The geometry recorded when the window closed (or now, if it has not).
    WindowState ClosingState() const;
    // The filter of the open-file dialog: the camera RAW extensions, then all files.
    static QString InputFileFilter();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Enter converts, or presses the focused button.
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildControls();
    void BuildFieldToolBars();
    // Tab visits the fields and their buttons in reading order, then Convert.
    void OrderTabStops();
    void FillOutputFormats();
    void SelectInputFile();
    void SelectOutputFolder();
    void StartConversion();
    void ConversionEnded(const QString& result);
    void OpenPreferences(int page);
    void ShowConvertPicture();
    void ShowThemePictures();
    // The field tool bars' icons at the Icon Size setting (at most 32 pixels) and the menus'
    // halfway between 16 pixels and that.
    void ApplyIconSizes();
    void OpenCustomConverter();
    void OpenAbout();
    WindowState CaptureState() const;

    QWidget* client_ = nullptr;
    QWidget* panel_ = nullptr;
    QLabel* notice_ = nullptr;
    QLineEdit* inputField_ = nullptr;
    QComboBox* folderField_ = nullptr;
    QComboBox* formatField_ = nullptr;
    QToolButton* convertButton_ = nullptr;
    QLabel* statusField_ = nullptr;
    std::map<int, QWidget*> controls_;
    std::map<int, QToolBar*> fieldToolBars_;
    std::map<int, QAction*> menuActions_;
    QPointer<ProgressWindow> progress_;
    QPointer<PreferencesDialog> preferences_;
    QStyle* menuStyle_ = nullptr;
    bool closed_ = false;
    // A handed file that waits for the conversion under way to end.
    QString pendingInput_;
    WindowState closingState_;
};

} // namespace velmora
