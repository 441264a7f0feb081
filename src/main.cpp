#include "App/AppDelegate.h"
#include "App/TerminationSignalHandler.h"

#include <QApplication>

int main(int argc, char** argv)
{
    TerminationSignalHandler::holdSignalsUntilInstalled();
    // The onboarding videos loop only on the GStreamer media backend; a choice
    // already made in the environment is kept.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    // Every view paints with QPainter; without this, video frames are converted
    // through an OpenGL context, which on software rendering costs a whole core.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuaverLoom"));
    AppDelegate delegate;
    return delegate.run();
}
