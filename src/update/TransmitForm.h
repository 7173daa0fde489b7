#pragma once
#include <QCheckBox>
#include <QLineEdit>

#include "shell/SkinWindow.h"

namespace veltod {

// The update run and connection settings window.
class TTransmitForm : public TSkinWindow {
    Q_OBJECT
public:
    TTransmitForm();

    // Starts the update run; the main window's update button calls it with
    // itself as sender.
    void Button1Click(QObject* sender);
    // Hides the hypertext viewer that shows the run's messages.
    void HideViewer();

    QLineEdit* Edit1;      // status line
    QCheckBox* CheckBox1;  // "Use Proxy"
    QLineEdit* Edit2;      // proxy server
    QWidget* Viewer = nullptr;
};

}  // namespace veltod
