#include "LumaroApp.h"

#include <QGuiApplication>

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    QGuiApplication application(argc, argv);
    LumaroApp app;
    QObject::connect(&app, &LumaroApp::windowCreated, &application, [&app] {
        if (!app.window())
            QCoreApplication::exit(1);  // the window failed to load; QML has said why
    });
    auto started = app.start();
    return application.exec();
}
