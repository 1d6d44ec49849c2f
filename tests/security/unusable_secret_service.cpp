// Owns the Secret Service's bus name without serving it, then runs the given
// command and exits with its status: a keyring that is there but fails
// every request with a generic error.
//   unusable_secret_service COMMAND [ARGS...]
#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList command = app.arguments().mid(1);
    if (command.isEmpty() || !QDBusConnection::sessionBus().registerService(QStringLiteral("org.freedesktop.secrets"))) {
        std::fputs("cannot own org.freedesktop.secrets\n", stderr);
        return 2;
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(&child, &QProcess::finished, &app,
                     [&](int code, QProcess::ExitStatus status) { app.exit(status == QProcess::NormalExit ? code : 3); });
    QObject::connect(&child, &QProcess::errorOccurred, &app, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            app.exit(4);
    });
    child.start(command.takeFirst(), command);
    return app.exec();
}
