#include <QDir>

#include "platform/QtSeams.h"
#include "shell/FormNetFiles.h"
#include "shell/VeltodApplication.h"

int main(int argc, char** argv) {
    veltod::VeltodApplication app(argc, argv);
    // The data folders are siblings of the program's folder, as a desktop
    // shortcut that starts in the program's folder would see them.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    veltod::InstallQtSeams();
    veltod::TFormNetFiles main_window;
    main_window.show();
    return app.exec();
}
