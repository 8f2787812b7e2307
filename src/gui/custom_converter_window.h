// Window 6: finds a converter between two extensions on the maker's site.
#pragma once

#include <QDialog>
#include <QUrl>

class QLineEdit;
class QPushButton;

namespace velmora {

class CustomConverterWindow : public QDialog {
    Q_OBJECT
public:
    explicit CustomConverterWindow(QWidget* parent);

    QLineEdit* FromField() const { return from_; }
    QLineEdit* ToField() const { return to_; }
    QPushButton* SearchButton() const { return search_; }
    // The maker's converter-search page for two extensions.
    static QUrl SearchAddress(const QString& from, const QString& to);

private:
    void Search();

    QLineEdit* from_;
    QLineEdit* to_;
    QPushButton* search_;
};

} // namespace velmora
