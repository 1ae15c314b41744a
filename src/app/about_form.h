// TFormAbout: the product's icon, name and version, and links to the web
// site and to the support address.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vidmorph {

class IDesktop;
class TClickLabel;

class TFormAbout final : public QDialog {
    Q_OBJECT
public:
    // Centred on AParent, the main window, whose child it is.
    TFormAbout(QWidget* AParent, IDesktop& ADesktop);

    QLabel* Image1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* StaticText2 = nullptr;
    TClickLabel* Label1 = nullptr;
    TClickLabel* Label2 = nullptr;
    QPushButton* Button1 = nullptr;

public slots:
    void Label1Click();
    void Label2Click();
    void Button1Click();

private:
    IDesktop& desktop_;
};

}  // namespace vidmorph
