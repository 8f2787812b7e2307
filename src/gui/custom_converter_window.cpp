#include "gui/custom_converter_window.h"

#include "cli/help.h"
#include "gui/desktop.h"
#include "gui/face_text.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {
namespace {

// "  .CR2 " and "cr2" name the same extension.
QString CleanExtension(const QString& text) {
    QString extension = text.trimmed().toLower();
    while (extension.startsWith('.'))
        extension.remove(0, 1);
    return extension;
}

} // namespace

CustomConverterWindow::CustomConverterWindow(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(Text("Custom-Converter", "Title"));
    from_ = new QLineEdit(this);
    to_ = new QLineEdit(this);
    search_ = new QPushButton(Text("Custom-Converter", "Search"), this);
    search_->setDefault(true);
    connect(search_, &QPushButton::clicked, this, &CustomConverterWindow::Search);
    auto* layout = new QFormLayout(this);
    layout->addRow(Text("Custom-Converter", "From"), from_);
    layout->addRow(Text("Custom-Converter", "To"), to_);
    layout->addRow(search_);
    setMinimumWidth(300);
}

QUrl CustomConverterWindow::SearchAddress(const QString& from, const QString& to) {
    return QUrl(Q(kMakerSiteAddress) + "find/" + CleanExtension(from) + "-" + CleanExtension(to) +
                "/");
}

void CustomConverterWindow::Search() {
    if (CleanExtension(from_->text()).isEmpty() || CleanExtension(to_->text()).isEmpty()) {
        TheDesktop().Warn(this, Text("Msg", "Warning"), Text("Msg", "Empty extensions"));
        return;
    }
    QUrl address = SearchAddress(from_->text(), to_->text());
    close();
    OpenAddress(parentWidget(), address);
}

} // namespace velmora
