// The "-U" window: asks whether to visit the maker's uninstall feedback page.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace velmora {

class UninstallWindow : public QDialog {
    Q_OBJECT
public:
    UninstallWindow();

    QCheckBox* VisitBox() const { return visit_; }
    QPushButton* NextButton() const { return next_; }

private:
    void Next();

    QCheckBox* visit_;
    QPushButton* next_;
};

// Shows the window centred on the screen until it is closed; the exit status.
int RunUninstallWindow();

} // namespace velmora
