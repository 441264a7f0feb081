#include "App/AppDelegate.h"
#include "App/TerminationSignalHandler.h"

#include <QApplication>

int main(int argc, char** argv)
{
    TerminationSignalHandler::holdSignalsUntilInstalled();
    AppDelegate::prepareProcess();
    AppDelegate::Services services;
    services.taskRecordPreload = AppDelegate::preloadTaskRecord();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuaverLoom"));
    AppDelegate delegate(std::move(services));
    return delegate.run();
}
