#include <QApplication>
#include <QWidget>

#include "vazURIdav.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Veltrano Helper");
    window.resize(960, 600);
    window.show();
    return app.exec();
}
