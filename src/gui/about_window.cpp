#include "gui/about_window.h"

#include "cli/help.h"
#include "gui/desktop.h"
#include "gui/face_text.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora {
namespace {

// A link the desktop seam opens, so that tests see it and no browser starts by itself.
QLabel* LinkLabel(QWidget* parent, const QString& caption, const QString& address,
                  const QString& shown) {
    auto* label = new QLabel(caption + " <a href=\"" + address.toHtmlEscaped() + "\">" +
                                 shown.toHtmlEscaped() + "</a>",
                             parent);
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(false);
    QObject::connect(label, &QLabel::linkActivated, parent,
                     [parent](const QString& link) { OpenAddress(parent, QUrl(link)); });
    return label;
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(Text("About", "Title"));
    auto* title = new QLabel(Q(kProductName), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    auto* version =
        new QLabel(Text("About", "Version") + " " + Q(VersionText(kVersionNumber)), this);
    web_ = LinkLabel(this, Text("About", "Website"), Q(kMakerWebAddress), Q(kMakerWebAddress));
    mail_ = LinkLabel(this, Text("About", "Email"),
                      Q(std::string("mailto:") + kSupportEmailAddress), Q(kSupportEmailAddress));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Text("Dialog", "OK"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget : {static_cast<QWidget*>(title), static_cast<QWidget*>(version),
                            static_cast<QWidget*>(web_), static_cast<QWidget*>(mail_)})
        layout->addWidget(widget);
    layout->addWidget(new QLabel(Q(kMakerNotice), this));
    layout->addWidget(buttons);
}

} // namespace velmora
