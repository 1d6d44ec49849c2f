#include "LumaroApp.h"

#include "AuthViewModel.h"

#include <QGuiApplication>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <qcoro/qcoroqml.h>

Q_IMPORT_QML_PLUGIN(Lumaro_StatePlugin)
Q_IMPORT_QML_PLUGIN(Lumaro_ScreensPlugin)

LumaroApp::LumaroApp() = default;

LumaroApp::~LumaroApp() = default;

void LumaroApp::prepare()
{
    QGuiApplication::setApplicationName(QStringLiteral("Lumaro"));
    QGuiApplication::setOrganizationDomain(QStringLiteral("lumaro.app"));
    // Fusion draws the same desktop controls on every platform and follows the palette.
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    // The view models hand QML the tasks they start; QML must know their type.
    QCoro::Qml::registerTypes();
}

QCoro::Task<void> LumaroApp::start()
{
    m_authVM = co_await AuthViewModel::create();
    m_engine.addImportPath(QStringLiteral("qrc:/"));
    m_engine.setInitialProperties({{QStringLiteral("authVM"), QVariant::fromValue(m_authVM.get())}});
    m_engine.load(QUrl(QStringLiteral("qrc:/Lumaro/Screens/LumaroWindow.qml")));
    emit windowCreated();
}

QQuickWindow* LumaroApp::window() const
{
    const auto roots = m_engine.rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.first());
}
