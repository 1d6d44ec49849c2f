// Runs token-store operations given on the command line against the real
// store and prints what they answer and log, one line each:
//   keyring_probe save:KEY=VALUE get:KEY delete:KEY ...
#include "KeychainHelper.h"
#include "Log.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <qcoro/qcorotask.h>

namespace {

void print(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Log::setSink([](const QString& line) { print(QStringLiteral("log: ") + line); });

    const QStringList ops = app.arguments().mid(1);
    for (const QString& op : ops) {
        const QString verb = op.section(u':', 0, 0);
        const QString rest = op.section(u':', 1);
        if (verb == u"save") {
            QCoro::waitFor(KeychainHelper::save(rest.section(u'=', 0, 0), rest.section(u'=', 1)));
        } else if (verb == u"get") {
            const auto text = QCoro::waitFor(KeychainHelper::get(rest));
            print(QStringLiteral("get %1: %2").arg(rest, text ? *text : QStringLiteral("nothing")));
        } else if (verb == u"delete") {
            QCoro::waitFor(KeychainHelper::deleteKey(rest));
        } else {
            print(QStringLiteral("unknown operation ") + op);
            return 2;
        }
    }
    return 0;
}
