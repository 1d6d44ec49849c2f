#include "LumaroApp.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    QGuiApplication application(argc, argv);
    auto* app = new LumaroApp;
    QObject::connect(app, &LumaroApp::windowCreated, &application, [app] {
        if (!app->window())
            QCoreApplication::exit(1);  // the window failed to load; QML has said why
    });
    auto started = app->start();
    const int code = application.exec();
    // Nothing is saved at exit, and tearing down Qt 6.4's QML engine after a
    // sign-in can abort inside its JS heap; leave without the teardown.
    std::fflush(nullptr);
    std::_Exit(code);
}
