#include "gui/uninstall_window.h"

#include "cli/help.h"
#include "gui/desktop.h"
#include "gui/face_text.h"
#include "gui/screen_fit.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

namespace velmora {

UninstallWindow::UninstallWindow() {
    setWindowTitle(Text("Uninstall", "Title"));
    setFixedSize(300, 100);
    visit_ = new QCheckBox(Text("Uninstall", "Uninstall Text"), this);
    visit_->setProperty("controlId", 392);
    visit_->setGeometry(30, 20, 250, 20);
    visit_->setChecked(true);
    next_ = new QPushButton(Text("Uninstall", "Next"), this);
    next_->setProperty("controlId", 393);
    next_->setGeometry(200, 60, 80, 25);
    next_->setDefault(true);
    connect(next_, &QPushButton::clicked, this, &UninstallWindow::Next);
}

void UninstallWindow::Next() {
    if (!visit_->isChecked()) {
        close();
        return;
    }
    // The window stays until the page has opened, or has said why it could not.
    next_->setEnabled(false);
    QPointer<UninstallWindow> self = this;
    OpenAddress(this, QUrl(Q(kUninstallPageAddress)), [self] {
        if (self)
            self->close();
    });
}

int RunUninstallWindow() {
    UninstallWindow window;
    FitOnScreen(&window);
    window.show();
    QApplication::exec();
    return 0;
}

} // namespace velmora
