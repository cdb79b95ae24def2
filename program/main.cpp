// Program start: the main window (folders, settings, language, version
// check), the start form shown modally, then the message loop.
#include "shell/ui/main_window.h"
#include "shell/ui/startbild.h"
#include "shell/ui/wiring.h"

#include <QApplication>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelquor");

    pelquor::TForm1 form1;
    const std::string shipped = (QCoreApplication::applicationDirPath() + "/config").toStdString();
    form1.FormCreate(shipped);
    form1.apply_skin(form1.state().settings.skin_index);
    pelquor::ProgramWiring wiring(form1);

    pelquor::Tstartbild start(form1);
    start.FormCreate();
    if (start.exec() != QDialog::Accepted) {
        // Closing the start form without OK still opens the program as OK would.
        form1.start_form_ok();
    }
    return app.exec();
}
