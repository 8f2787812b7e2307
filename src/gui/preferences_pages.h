// The nine pages of the Preferences dialog: every control bound to its settings key, built
// from tables of rows. Each bound control is named "Group/Key" after the settings file.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <vector>

class QWidget;

namespace velmora {

enum PreferencesPage : int {
    kGeneralPage = 0,
    kInterfacePage = 1,
    kInputPage = 2,
    kOutputPage = 3,
    kTransformPage = 4,
    kAdjustmentPage = 5,
    kFramePage = 6,
    kWatermarkPage = 7,
    kAdvancedPage = 8,
    kPreferencesPageCount = 9,
};

// The page list's entry (catalogue group "Preferences") and the theme picture shown for it.
struct PreferencesPageEntry {
    const char* entryKey;
    const char* picture;
};
const std::vector<PreferencesPageEntry>& PreferencesPageEntries();

class PreferencesForm {
public:
    // Builds every page's controls; page widgets are made children of parent.
    explicit PreferencesForm(QWidget* parent);

    QWidget* Page(int page) const { return pages_[static_cast<size_t>(page)]; }
    // Every control shows its value in Settings; the panels and rows that depend on a
    // choice follow it.
    void Load();
    // Every control's value into Settings, Language "en".
    void Store() const;
    // Lays every page out in one column of rows, or in two where a list is long enough.
    void Arrange(int columns);
    int Columns() const { return columns_; }

private:
    struct Binding {
        std::function<void()> load, store;
    };
    // The rows of one list (a page's, or a panel's) and the widget that holds them.
    struct RowGrid {
        QWidget* holder;
        int page;
        size_t secondColumn; // the first row of the second column, when there are two
        std::vector<std::pair<QWidget*, QWidget*>> rows; // label, field
    };
    class Builder;

    std::vector<QWidget*> pages_;
    std::vector<Binding> bindings_;
    // Run after loading, so that the rows and panels a choice governs follow it.
    std::vector<std::function<void()>> followers_;
    std::vector<RowGrid> grids_;
    int columns_ = 2;
};

} // namespace velmora
