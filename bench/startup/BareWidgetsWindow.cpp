// The start-up bench's baseline: a plain Qt Widgets program, linked with Qt
// Widgets alone, that shows one window of the notch panel's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(646, 456);
    window.show();
    return QApplication::exec();
}
