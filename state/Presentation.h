#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

// Display rules the screens share, kept here so tests reach them: the online
// state and age of a device's last contact, and copying to the clipboard.
//
// `lastSeen` is what QML holds for a device: a moment text, or undefined when
// the agent has never reported. Every call reads Clock afresh; a screen that
// wants the texts to move on re-evaluates its bindings on a timer.
class Presentation final : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit Presentation(QObject* parent = nullptr);

    // Seen less than 180 seconds ago; a moment ahead of the clock counts as online.
    Q_INVOKABLE bool isOnline(const QVariant& lastSeen) const;
    // "never", "just now", "N min ago", "N hr ago" or "N days ago".
    Q_INVOKABLE QString lastSeenText(const QVariant& lastSeen) const;
    // What a device row shows: "Online" while online, else the age.
    Q_INVOKABLE QString statusText(const QVariant& lastSeen) const;

    // Empties the system clipboard, then leaves exactly this plain text on
    // it, so nothing copied earlier (an image, rich text) rides along.
    Q_INVOKABLE void copyText(const QString& text) const;
};
