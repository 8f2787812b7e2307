// Window 8: the product's title and version, its web page and the support address.
#pragma once

#include <QDialog>

class QLabel;

namespace velmora {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent);

    QLabel* WebLink() const { return web_; }
    QLabel* MailLink() const { return mail_; }

private:
    QLabel* web_;
    QLabel* mail_;
};

} // namespace velmora
