#include "App/AppDelegate.h"
#include "App/TerminationSignalHandler.h"

#include <QApplication>

int main(int argc, char** argv)
{
    TerminationSignalHandler::holdSignalsUntilInstalled();
    AppDelegate::prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuaverLoom"));
    AppDelegate delegate;
    return delegate.run();
}
