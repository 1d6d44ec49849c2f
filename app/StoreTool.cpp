// lumaro-store: reads and writes the console's credential-store entries
// through the console's own token store, so scripts store an entry exactly as
// the console reads it.
//   lumaro-store set KEY VALUE | get KEY | delete KEY | probe
#include "KeychainHelper.h"
#include "QtKeychainStore.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <qcoro/qcorotask.h>

namespace {

QCoro::Task<int> run(QStringList args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString command = args.value(0);
    if (command == QLatin1String("set") && args.size() == 3) {
        co_await KeychainHelper::save(args[1], args[2]);
        co_return 0;
    }
    if (command == QLatin1String("get") && args.size() == 2) {
        const auto value = co_await KeychainHelper::get(args[1]);
        if (!value)
            co_return 1;
        out << *value << Qt::endl;
        co_return 0;
    }
    if (command == QLatin1String("delete") && args.size() == 2) {
        co_await KeychainHelper::deleteKey(args[1]);
        co_return 0;
    }
    if (command == QLatin1String("probe") && args.size() == 1) {
        // Whether a credential store answers at all (a missing entry is an answer).
        QtKeychainStore store;
        const auto result = co_await store.read(QString::fromLatin1(KeychainHelper::service),
                                                QStringLiteral("server_url"));
        const bool reachable = result.status == CredentialStore::ok || result.status == 1 /* EntryNotFound */;
        co_return reachable ? 0 : 3;
    }
    err << "usage: lumaro-store set KEY VALUE | get KEY | delete KEY | probe" << Qt::endl;
    co_return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int exitCode = 0;
    QTimer::singleShot(0, &app, [&] {
        [](QStringList args, int& exitCode) -> QCoro::Task<void> {
            exitCode = co_await run(args);
            QCoreApplication::exit(exitCode);
        }(args, exitCode);
    });
    app.exec();
    return exitCode;
}
