#pragma once
// Good news in the program's own look: a small borderless plate in the skin's
// colours with a title, the text and an OK button, modal over the window
// that owns it. Warnings and errors keep the desktop's message boxes.
#include <QDialog>
#include <string>

#include "ui/platform/QtSeams.h"

class QLabel;
class QPushButton;

namespace veltod {

class TSkinNotice : public QDialog {
    Q_OBJECT
public:
    TSkinNotice(QWidget* owner, const QString& title, const QString& text);

    QLabel* Title = nullptr;
    QLabel* Text = nullptr;
    QPushButton* OkButton = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// The desktop's boxes, with notices on the skin.
class TSkinDialogs : public QtDialogs {
public:
    void Notice(const std::string& title, const std::string& text) override;
};

// Installs TSkinDialogs as the program's dialogs, for the life of the program.
void InstallSkinDialogs();

}  // namespace veltod
