// The console started exactly as app/main.cpp starts it, plus a report of the
// first frame that shows what the benchmark waits for:
//   --expect sign-in     the sign-in screen
//   --expect devices=N   the device list with N devices and its rows on show
#include "DevicesViewModel.h"
#include "FirstFrame.h"
#include "LumaroApp.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

bool devicesShown(QQuickWindow* window, int expected)
{
    QQuickItem* list = Bench::find(window, QStringLiteral("devicesListView"));
    auto* vm = list ? list->property("vm").value<DevicesViewModel*>() : nullptr;
    QQuickItem* view = Bench::find(window, QStringLiteral("deviceList"));
    if (!vm || !view || int(vm->devices().size()) != expected || view->property("count").toInt() != expected)
        return false;
    return Bench::countShown(window, QStringLiteral("deviceRow_")) >= std::min(expected, 5);
}

}  // namespace

int main(int argc, char* argv[])
{
    QString expect = QStringLiteral("sign-in");
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--expect")
            expect = QString::fromLocal8Bit(argv[i + 1]);

    LumaroApp::prepare();
    QGuiApplication application(argc, argv);
    auto* app = new LumaroApp;
    QObject::connect(app, &LumaroApp::windowCreated, &application, [app, expect] {
        QQuickWindow* window = app->window();
        if (!window) {
            QCoreApplication::exit(1);
            return;
        }
        if (expect == QLatin1String("sign-in")) {
            reportFirstReadyFrame(window, [window] {
                return Bench::isShown(Bench::find(window, QStringLiteral("emailField")));
            });
        } else if (expect.startsWith(QLatin1String("devices="))) {
            const int expected = expect.mid(8).toInt();
            reportFirstReadyFrame(window, [window, expected] { return devicesShown(window, expected); });
        } else {
            std::fprintf(stderr, "unknown --expect %s\n", qPrintable(expect));
            QCoreApplication::exit(2);
        }
    });
    auto started = app->start();
    const int code = application.exec();
    std::fflush(nullptr);
    std::_Exit(code);
}
