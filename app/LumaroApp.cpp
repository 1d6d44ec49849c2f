#include "LumaroApp.h"

#include "AuthViewModel.h"

#include <QGuiApplication>
#include <QPointer>
#include <QQmlComponent>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <vector>
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
    QPointer<LumaroApp> self(this);
    m_engine.addImportPath(QStringLiteral("qrc:/"));
    // While the store is read, QML's loader thread compiles the window and
    // both its sides (which one shows is known only after the read), so the
    // window then loads from compiled types.
    std::vector<QPointer<QQmlComponent>> compiling;
    for (const char* file : {"LumaroWindow.qml", "LoginView.qml", "NavigationStack.qml"})
        compiling.emplace_back(new QQmlComponent(&m_engine,
                                                 QUrl(QStringLiteral("qrc:/Lumaro/Screens/") + QLatin1String(file)),
                                                 QQmlComponent::Asynchronous, &m_engine));
    auto authVM = co_await AuthViewModel::create();
    if (!self)
        co_return;  // the engine took the components with it
    m_authVM = std::move(authVM);
    m_engine.setInitialProperties({{QStringLiteral("authVM"), QVariant::fromValue(m_authVM.get())}});
    m_engine.load(QUrl(QStringLiteral("qrc:/Lumaro/Screens/LumaroWindow.qml")));
    for (const auto& component : compiling)
        delete component.data();
    emit windowCreated();
}

QQuickWindow* LumaroApp::window() const
{
    const auto roots = m_engine.rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.first());
}
