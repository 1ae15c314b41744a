#include "about_form.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app_icon.h"
#include "click_label.h"
#include "help_links.h"
#include "vista_font.h"

namespace vidmorph {

TFormAbout::TFormAbout(QWidget* AParent, IDesktop& ADesktop)
    : QDialog(AParent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), desktop_(ADesktop) {
    setObjectName("FormAbout");
    setWindowTitle("About");
    UseDesignFont(*this);
    if (IsVistaOrLater()) UseVistaFont(*this);

    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // single, non-resizable border
    column->setContentsMargins(16, 14, 16, 12);

    auto* top = new QHBoxLayout;
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(AppIconPixmap(32));
    Image1->setFixedSize(32, 32);
    auto* names = new QVBoxLayout;
    StaticText1 = new QLabel("Vidmorph", this);
    StaticText1->setObjectName("StaticText1");
    StaticText1->setAlignment(Qt::AlignCenter);
    QFont bold = StaticText1->font();
    bold.setBold(true);
    StaticText1->setFont(bold);
    StaticText2 = new QLabel("Version 4.0", this);
    StaticText2->setObjectName("StaticText2");
    StaticText2->setAlignment(Qt::AlignCenter);
    names->addWidget(StaticText1);
    names->addWidget(StaticText2);
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(names, 1);
    column->addLayout(top);

    auto* line = new QFrame(this);
    line->setObjectName("Bevel1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    column->addWidget(line);

    Label1 = new TClickLabel("Visit our Website", this);
    Label1->setObjectName("Label1");
    Label2 = new TClickLabel("Contact Support Department", this);
    Label2->setObjectName("Label2");
    column->addWidget(Label1);
    column->addWidget(Label2);

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setFont(bold);
    Button1->setDefault(true);
    column->addWidget(Button1, 0, Qt::AlignCenter);

    connect(Label1, &TClickLabel::Clicked, this, &TFormAbout::Label1Click);
    connect(Label2, &TClickLabel::Clicked, this, &TFormAbout::Label2Click);
    connect(Button1, &QPushButton::clicked, this, &TFormAbout::Button1Click);
}

void TFormAbout::Label1Click() { OpenWebSite(desktop_); }

void TFormAbout::Label2Click() { WriteToSupport(desktop_); }

void TFormAbout::Button1Click() { close(); }

}  // namespace vidmorph
