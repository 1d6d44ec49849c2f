#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcoroqmltask.h>
#include <qcoro/qcorotask.h>

// The setup string a parent hands to the agent on the child's computer: the
// service address this console talks to, "|", then the device's api token.
class DeviceSetup final : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit DeviceSetup(QObject* parent = nullptr);

    // Reads the stored "server_url" afresh, the default address when none is stored.
    static QCoro::Task<QString> setupString(QString apiToken);
    // Builds the string and leaves it alone on the clipboard; the task
    // finishes with the copied text. An empty token copies nothing.
    static QCoro::Task<QString> copySetupString(QString apiToken);

    Q_INVOKABLE QCoro::QmlTask startCopySetupString(const QString& apiToken);
};
