// The start-up baseline: the console's style setup and one window with one
// button, loaded from a compiled QML module as the console loads its own.
#include "FirstFrame.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>

int main(int argc, char* argv[])
{
    QGuiApplication::setApplicationName(QStringLiteral("Lumaro"));
    QGuiApplication::setOrganizationDomain(QStringLiteral("lumaro.app"));
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    QGuiApplication application(argc, argv);
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:/LumaroBench/Bare/BareWindow.qml")));
    auto* window = engine.rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(engine.rootObjects().first());
    if (!window)
        return 1;
    reportFirstReadyFrame(window, [window] { return Bench::isShown(Bench::find(window, QStringLiteral("bareButton"))); });
    return application.exec();
}
