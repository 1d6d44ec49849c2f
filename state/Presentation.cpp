#include "Presentation.h"

#include "Device.h"
#include "Moment.h"

#include <QClipboard>
#include <QGuiApplication>
#include <optional>

namespace {

std::optional<QString> momentText(const QVariant& value)
{
    // undefined and null both mean the agent has not reported.
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toString();
}

}  // namespace

Presentation::Presentation(QObject* parent) : QObject(parent) {}

bool Presentation::isOnline(const QVariant& lastSeen) const
{
    return ::isOnline(momentText(lastSeen));
}

QString Presentation::lastSeenText(const QVariant& lastSeen) const
{
    return Device{.lastSeen = momentText(lastSeen)}.lastSeenText();
}

QString Presentation::statusText(const QVariant& lastSeen) const
{
    return isOnline(lastSeen) ? QStringLiteral("Online") : lastSeenText(lastSeen);
}

void Presentation::copyText(const QString& text) const
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}
