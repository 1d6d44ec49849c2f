#include "UiHarness.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

namespace Ui {

namespace {

void collect(QObject* root, const QString& name, QList<QQuickItem*>& found)
{
    for (QObject* child : root->children()) {
        if (auto* item = qobject_cast<QQuickItem*>(child); item && child->objectName() == name)
            found.append(item);
        collect(child, name, found);
    }
    // Visual children that are not QObject children (repeaters, views).
    if (auto* item = qobject_cast<QQuickItem*>(root)) {
        for (QQuickItem* child : item->childItems()) {
            if (child->parent() == root)
                continue;  // already visited
            if (child->objectName() == name && !found.contains(child))
                found.append(child);
            collect(child, name, found);
        }
    }
}

}  // namespace

QList<QQuickItem*> findAll(QQuickWindow* window, const QString& objectName)
{
    QList<QQuickItem*> found;
    collect(window, objectName, found);
    collect(window->contentItem(), objectName, found);
    QList<QQuickItem*> unique;
    for (auto* item : found) {
        if (!unique.contains(item))
            unique.append(item);
    }
    return unique;
}

QQuickItem* find(QQuickWindow* window, const QString& objectName)
{
    const auto all = findAll(window, objectName);
    // Prefer the one on screen: a screen being replaced may still hold a twin.
    for (auto* item : all) {
        if (isShown(item))
            return item;
    }
    return all.isEmpty() ? nullptr : all.first();
}

bool isShown(const QQuickItem* item)
{
    if (!item)
        return false;
    for (const QQuickItem* i = item; i; i = i->parentItem()) {
        if (!i->isVisible() || i->opacity() <= 0.0)
            return false;
    }
    return item->window() != nullptr;
}

QString text(const QQuickItem* item)
{
    return item ? item->property("text").toString() : QString();
}

void click(QQuickWindow* window, QQuickItem* item)
{
    Q_ASSERT(item);
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

void scrollTo(QQuickWindow* window, QQuickItem* target, const QString& scrollName)
{
    QQuickItem* scroll = find(window, scrollName);
    auto* flickable = scroll ? scroll->property("contentItem").value<QQuickItem*>() : nullptr;
    auto* content = flickable ? flickable->property("contentItem").value<QQuickItem*>() : nullptr;
    if (!content)
        return;
    const QPointF inContent = target->mapToItem(content, QPointF(0, 0));
    const qreal maxY = qMax(0.0, flickable->property("contentHeight").toReal() - flickable->height());
    flickable->setProperty("contentY", qBound(0.0, inContent.y() - flickable->height() / 3, maxY));
    QTest::qWait(20);
}

void clear(QQuickWindow* window, QQuickItem* field)
{
    click(window, field);
    field->forceActiveFocus();
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Backspace);
}

void type(QQuickWindow* window, QQuickItem* field, const QString& value)
{
    clear(window, field);
    // QTest has no keyClicks for a QWindow: one key event per character.
    for (const QChar ch : value)
        QTest::sendKeyEvent(QTest::Click, window, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

QString screenshot(QQuickWindow* window, const QString& name)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    window->grabWindow().save(path);
    return path;
}

}  // namespace Ui
