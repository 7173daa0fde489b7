#pragma once
#include <QWidget>

namespace veltod {

// The main window: borderless, against the top right corner of the screen.
class TFormNetFiles : public QWidget {
    Q_OBJECT
public:
    explicit TFormNetFiles(QWidget* parent = nullptr);
};

}  // namespace veltod
