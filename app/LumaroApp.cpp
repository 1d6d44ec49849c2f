#include "LumaroApp.h"

#include "AuthViewModel.h"

#include <QFontDatabase>
#include <QFuture>
#include <QGuiApplication>
#include <QPointer>
#include <QPromise>
#include <QQmlComponent>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QThreadPool>
#include <QtQml/qqmlextensionplugin.h>
#include <vector>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcoroqml.h>

Q_IMPORT_QML_PLUGIN(Lumaro_StatePlugin)
Q_IMPORT_QML_PLUGIN(Lumaro_ScreensPlugin)

namespace {

// Registers the embedded symbol font on a pool thread (the font database is
// thread-safe). Its first use also reads the system's font configuration, so
// both are done while the store is read rather than in the window's load.
QFuture<void> startSymbolFontRegistration()
{
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> registered = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise] {
        if (QFontDatabase::addApplicationFont(QStringLiteral(":/Lumaro/Screens/MaterialIcons-Regular.ttf")) < 0)
            qWarning("The embedded symbol font could not be loaded; symbols will be missing");
        promise->finish();
    });
    return registered;
}

// Once per process: every registration would add the family again.
QFuture<void> symbolFontRegistered()
{
    static const QFuture<void> registered = startSymbolFontRegistration();
    return registered;
}

}  // namespace

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
    QFuture<void> symbolFont = symbolFontRegistered();
    m_engine.addImportPath(QStringLiteral("qrc:/"));
    // While the store is read, QML's loader thread compiles the window and
    // the sign-in side, so the window then loads from compiled types. The
    // signed-in side is left to the load: on two cores, compiling it too
    // slowed both kinds of start, as it competes with the read.
    std::vector<QPointer<QQmlComponent>> compiling;
    for (const char* file : {"LumaroWindow.qml", "LoginView.qml"})
        compiling.emplace_back(new QQmlComponent(&m_engine,
                                                 QUrl(QStringLiteral("qrc:/Lumaro/Screens/") + QLatin1String(file)),
                                                 QQmlComponent::Asynchronous, &m_engine));
    auto authVM = co_await AuthViewModel::create();
    co_await symbolFont;
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
