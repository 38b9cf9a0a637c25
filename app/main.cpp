// corvantis: the Kivra Tesselwick booth.
#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kivra Tesselwick");
    return 0;
}
