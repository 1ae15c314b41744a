#include "additional_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "main_window.h"
#include "vista_font.h"

namespace vidmorph {

TForm4::TForm4(TForm1& AForm1)
    : QDialog(&AForm1, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      form1_(AForm1) {
    setObjectName("Form4");
    setWindowTitle("Additional Options");
    UseDesignFont(*this);
    if (IsVistaOrLater()) UseVistaFont(*this);

    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // a fixed dialog border

    auto* video = new QGroupBox(" Video Options ", this);
    auto* videoGrid = new QGridLayout(video);
    ComboLetterBox = new QComboBox(video);
    ComboLetterBox->setObjectName("ComboLetterBox");
    ComboAspectRatio4 = new QComboBox(video);
    ComboAspectRatio4->setObjectName("ComboAspectRatio4");
    videoGrid->addWidget(new QLabel("Video Zoom : ", video), 0, 0);
    videoGrid->addWidget(ComboLetterBox, 0, 1);
    videoGrid->addWidget(new QLabel("Aspect Ratio : ", video), 1, 0);
    videoGrid->addWidget(ComboAspectRatio4, 1, 1);
    videoGrid->setColumnStretch(1, 1);
    column->addWidget(video);

    auto* general = new QGroupBox(" General Options ", this);
    auto* generalGrid = new QGridLayout(general);
    CheckBoxOverWrite = new QCheckBox("Overwrite Existing File With The Same Name", general);
    CheckBoxOverWrite->setObjectName("CheckBoxOverWrite");
    SpinEdit1 = new QSpinBox(general);
    SpinEdit1->setObjectName("SpinEdit1");
    SpinEdit1->setRange(26, 47);
    SpinEdit1->setValue(27);
    generalGrid->addWidget(CheckBoxOverWrite, 0, 0, 1, 2);
    generalGrid->addWidget(new QLabel("Drop Down Items in Output Format List", general), 1, 0);
    generalGrid->addWidget(SpinEdit1, 1, 1);
    column->addWidget(general);

    Button1 = new QPushButton("Done", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    column->addWidget(Button1, 0, Qt::AlignRight);

    ComboAspectRatio4->addItems({"Original", "4:3 (Standard", "16:9 (Wide Screen)"});
    ComboAspectRatio4->setCurrentIndex(0);
    ComboLetterBox->addItems({"None", "LetterBox"});
    ComboLetterBox->setCurrentIndex(0);

    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TForm4::SpinEdit1Change);
    connect(ComboAspectRatio4, &QComboBox::currentIndexChanged, this, &TForm4::ComboAspectRatio4Change);
    connect(ComboLetterBox, &QComboBox::activated, this, &TForm4::ComboLetterBoxChange);
    connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);

    form1_.AttachOptions(this);
    ReadSettings();
}

void TForm4::SpinEdit1Change() { form1_.ComboOutputFormatChange(); }

void TForm4::ComboAspectRatio4Change() {
    form1_.Profile.ComboAspectRatio.SetItemIndex(ComboAspectRatio4->currentIndex());
}

void TForm4::ComboLetterBoxChange() {}

void TForm4::Button1Click() { close(); }

}  // namespace vidmorph
