#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QLabel l("TrevoPelquor, 1.54");
    l.show();
    return app.exec();
}
