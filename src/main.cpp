#include "App/AppDelegate.h"
#include "App/TerminationSignalHandler.h"

#include <QApplication>

int main(int argc, char** argv)
{
    TerminationSignalHandler::holdSignalsUntilInstalled();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuaverLoom"));
    AppDelegate delegate;
    return delegate.run();
}
