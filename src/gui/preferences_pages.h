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

// Every page's rows fit this area, in one column or two, without scrolling.
constexpr int kPreferencesPageWidth = 830, kPreferencesPageHeight = 350;

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

private:
    struct Binding {
        std::function<void()> load, store;
    };
    class Builder;

    std::vector<QWidget*> pages_;
    std::vector<Binding> bindings_;
    // Run after loading, so that the rows and panels a choice governs follow it.
    std::vector<std::function<void()>> followers_;
};

} // namespace velmora
