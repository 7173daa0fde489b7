#include "update/TransmitForm.h"

namespace veltod {

TTransmitForm::TTransmitForm() : TSkinWindow(QStringLiteral("TransmitForm"), kSkinOlive) {
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    CheckBox1 = new QCheckBox(QStringLiteral("Use Proxy"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
}

void TTransmitForm::Button1Click(QObject*) {}

void TTransmitForm::HideViewer() {
    if (Viewer) Viewer->hide();
}

}  // namespace veltod
