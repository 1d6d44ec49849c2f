#pragma once

#include <QImage>
#include <QPointF>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>

// Acting on the real QML as a parent would: find controls by objectName,
// click them, type into them, and read what they show.
namespace Ui {

// The first object with this objectName anywhere under the window, popups included.
QQuickItem* find(QQuickWindow* window, const QString& objectName);
QList<QQuickItem*> findAll(QQuickWindow* window, const QString& objectName);

// Visible on screen: the item and all its ancestors visible, none fully transparent.
bool isShown(const QQuickItem* item);

// Text shown by a Label, TextField or Button.
QString text(const QQuickItem* item);

void click(QQuickWindow* window, QQuickItem* item);
// Scrolls the flickable named `scrollName` so `target` sits in its upper third,
// as a parent scrolls to a control before using it.
void scrollTo(QQuickWindow* window, QQuickItem* target, const QString& scrollName = QStringLiteral("detailScroll"));
// Focuses the field, replaces its text with `text` by typing, as a parent would.
void type(QQuickWindow* window, QQuickItem* field, const QString& text);
void clear(QQuickWindow* window, QQuickItem* field);

// Saves what the window shows as a PNG in the test's build folder; returns the path.
QString screenshot(QQuickWindow* window, const QString& name);

}  // namespace Ui
